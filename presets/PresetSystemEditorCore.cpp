#include "PresetSystemEditorCore.h"

#include <unistd.h>

#include <vector>

#include "CPresetSystemEffect.h"
#include "EditorLoadReport.h"

namespace lumdel {

namespace {
constexpr const char* kDefaultPreset = "DefaultPreset";
constexpr const char* kMemoA = "MemoA";
constexpr const char* kMemoB = "MemoB";
constexpr const char* kDefaultBank = "DefaultBank";
constexpr const char* kDefaultMidi = "DefaultMidi";
constexpr const char* kCurrDir = "CurrDir";
constexpr const char* kCurrBank = "CurrBank";
constexpr const char* kCurrPreset = "CurrPreset";
constexpr const char* kCurrMidi = "CurrMidi";

std::size_t predecessorImageSize(ImageKind kind) {
    switch (kind) {
        case ImageKind::Bank: return kPredecessorBankImageSize;
        case ImageKind::Midi: return kPredecessorMidiImageSize;
        case ImageKind::Preset: break;
    }
    return kPredecessorPresetImageSize;
}

std::string workingDirectory() {
    char buffer[RememberedLocations::kMaxLength + 1];
    if (!getcwd(buffer, sizeof buffer)) return {};
    return buffer;
}
}  // namespace

PresetSystemEditorCore::PresetSystemEditorCore(CPresetSystemEffect* effect, SettingsStore store,
                                               std::unique_ptr<FileChooser> chooser)
    : effect_(effect),
      store_(std::move(store)),
      chooser_(chooser ? std::move(chooser) : std::make_unique<DesktopFileChooser>()),
      files_(*chooser_, locations_, *this) {
    locations_.directory = workingDirectory();
}

PresetSystemEditorCore::~PresetSystemEditorCore() {
    if (storeLocationsOnDestruction_) storeFileLocations();
}

void PresetSystemEditorCore::setChooser(std::unique_ptr<FileChooser> chooser) {
    if (!chooser) return;
    chooser_ = std::move(chooser);
    files_.setChooser(*chooser_);
}

// The bank and preset loads of the files, the memories and the stored defaults are made
// in the editor: the host hears of the parameters they change.
void PresetSystemEditorCore::loadBankImage(const unsigned char* image, bool reverseValues) {
    EditorLoadReport report(effect_);
    if (effect_) lumdel::loadBankImage(*effect_, view_, image, reverseValues);
}

void PresetSystemEditorCore::makeBankImage(unsigned char* image) {
    if (effect_) lumdel::makeBankImage(*effect_, image);
}

void PresetSystemEditorCore::loadPresetImage(const unsigned char* image, bool reverseValues) {
    EditorLoadReport report(effect_);
    if (effect_) lumdel::loadPresetImage(*effect_, view_, image, reverseValues);
}

void PresetSystemEditorCore::makePresetImage(unsigned char* image) {
    if (effect_) lumdel::makePresetImage(*effect_, image);
}

void PresetSystemEditorCore::loadMidiImage(const unsigned char* image, bool reverseValues) {
    if (effect_) lumdel::loadMidiImage(*effect_, image, reverseValues);
}

void PresetSystemEditorCore::makeMidiImage(unsigned char* image) {
    if (effect_) lumdel::makeMidiImage(*effect_, image);
}

void PresetSystemEditorCore::presetNameChanged(const char* name) {
    lumdel::presetNameChanged(view_, name);
}

void PresetSystemEditorCore::renameCurrentPreset(const char* name) {
    if (effect_) {
        lumdel::renameCurrentPreset(*effect_, view_, name);
    } else {
        lumdel::presetNameChanged(view_, name);
    }
}

void PresetSystemEditorCore::loadPresetFile(bool reverseValues) {
    if (view_ && files_.loadFile(ImageKind::Preset, reverseValues)) view_->redrawAll();
}

void PresetSystemEditorCore::savePresetFile() {
    if (view_) files_.saveFile(ImageKind::Preset);
}

void PresetSystemEditorCore::loadBankFile(bool reverseValues) {
    if (view_ && files_.loadFile(ImageKind::Bank, reverseValues)) view_->redrawAll();
}

void PresetSystemEditorCore::saveBankFile() {
    if (view_) files_.saveFile(ImageKind::Bank);
}

void PresetSystemEditorCore::loadMidiFile(bool reverseValues) {
    if (view_ && files_.loadFile(ImageKind::Midi, reverseValues)) view_->redrawAll();
}

void PresetSystemEditorCore::saveMidiFile() {
    if (view_) files_.saveFile(ImageKind::Midi);
}

void PresetSystemEditorCore::storeImage(const char* valueName, ImageKind kind) {
    std::vector<unsigned char> image(imageSize(kind), 0);
    switch (kind) {
        case ImageKind::Preset: makePresetImage(image.data()); break;
        case ImageKind::Bank: makeBankImage(image.data()); break;
        case ImageKind::Midi: makeMidiImage(image.data()); break;
    }
    store_.writeBinary(valueName, image.data(), image.size());
}

// A stored value is taken only when it has the full size of an image of its kind (or of
// the older format's): a damaged value must not half-replace a bank at start-up. The
// buffer goes to the loader either way, so a missing bank still makes preset 0 current.
void PresetSystemEditorCore::recallImage(const char* valueName, ImageKind kind) {
    std::vector<unsigned char> image(imageSize(kind), 0);
    std::vector<unsigned char> stored;
    if (store_.readBinary(valueName, stored, imageSize(kind)) &&
        (stored.size() == imageSize(kind) || stored.size() == predecessorImageSize(kind)))
        std::copy(stored.begin(), stored.end(), image.begin());
    switch (kind) {
        case ImageKind::Preset: loadPresetImage(image.data(), false); break;
        case ImageKind::Bank: loadBankImage(image.data(), false); break;
        case ImageKind::Midi: loadMidiImage(image.data(), false); break;
    }
}

void PresetSystemEditorCore::storeDefaultPreset() { storeImage(kDefaultPreset, ImageKind::Preset); }
void PresetSystemEditorCore::eraseDefaultPreset() { store_.erase(kDefaultPreset); }
void PresetSystemEditorCore::storeDefaultBank() { storeImage(kDefaultBank, ImageKind::Bank); }
void PresetSystemEditorCore::eraseDefaultBank() { store_.erase(kDefaultBank); }
void PresetSystemEditorCore::storeDefaultMidi() { storeImage(kDefaultMidi, ImageKind::Midi); }
void PresetSystemEditorCore::storeMemoA() { storeImage(kMemoA, ImageKind::Preset); }
void PresetSystemEditorCore::storeMemoB() { storeImage(kMemoB, ImageKind::Preset); }
void PresetSystemEditorCore::recallMemoA() { recallImage(kMemoA, ImageKind::Preset); }
void PresetSystemEditorCore::recallMemoB() { recallImage(kMemoB, ImageKind::Preset); }
void PresetSystemEditorCore::recallDefaultBank() { recallImage(kDefaultBank, ImageKind::Bank); }
void PresetSystemEditorCore::recallDefaultPreset() {
    recallImage(kDefaultPreset, ImageKind::Preset);
}
void PresetSystemEditorCore::recallDefaultMidi() { recallImage(kDefaultMidi, ImageKind::Midi); }

// Every instance stores its locations when it goes away; a value that is already
// stored as it is is not written again.
void PresetSystemEditorCore::storeFileLocations() {
    const auto store = [this](const char* name, const std::string& value) {
        std::string stored;
        if (store_.readString(name, stored) && stored == value) return;
        store_.writeString(name, value);
    };
    store(kCurrDir, locations_.directory);
    store(kCurrBank, locations_.bankName);
    store(kCurrPreset, locations_.presetName);
    store(kCurrMidi, locations_.midiName);
}

// A missing value gives an empty string, so without a stored directory the dialogs
// start wherever the dialog tool starts.
void PresetSystemEditorCore::recallFileLocations() {
    store_.readString(kCurrDir, locations_.directory);
    store_.readString(kCurrBank, locations_.bankName);
    store_.readString(kCurrPreset, locations_.presetName);
    store_.readString(kCurrMidi, locations_.midiName);
}

// Inside the effect's construction: the host does not hold the effect yet, and nothing
// it was told of has changed.
void PresetSystemEditorCore::loadDefaults() {
    EditorLoadReport silent(effect_, EditorLoadReport::Mode::Silent);
    recallDefaultBank();
    recallDefaultPreset();
    recallDefaultMidi();
    recallFileLocations();
}

}  // namespace lumdel
