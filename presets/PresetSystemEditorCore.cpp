#include "PresetSystemEditorCore.h"

#include <unistd.h>

#include <vector>

#include "EditorLoadReport.h"
#include "core/PresetStore.h"

namespace lumdel {

namespace {
using namespace stored_value;
constexpr const char* kCurrDir = "CurrDir";
constexpr const char* kCurrBank = "CurrBank";
constexpr const char* kCurrPreset = "CurrPreset";
constexpr const char* kCurrMidi = "CurrMidi";

std::string workingDirectory() {
    char buffer[RememberedLocations::kMaxLength + 1];
    if (!getcwd(buffer, sizeof buffer)) return {};
    return buffer;
}
}  // namespace

PresetSystemEditorCore::PresetSystemEditorCore(EditorController* plugin, SettingsStore store,
                                               std::unique_ptr<FileChooser> chooser)
    : plugin_(plugin),
      presets_(plugin ? &plugin->presetStore() : nullptr),
      store_(std::move(store)),
      chooser_(chooser ? std::move(chooser) : std::make_unique<DesktopFileChooser>()),
      files_(*chooser_, locations_, *this) {
    locations_.directory = workingDirectory();
    storedLocations_ = locations_;
}

// Runs inside effClose: nothing may escape it.
PresetSystemEditorCore::~PresetSystemEditorCore() {
    chooser_->cancel();
    try {
        if (storeLocationsOnDestruction_) storeFileLocations();
    } catch (...) {
    }
}

void PresetSystemEditorCore::setChooser(std::unique_ptr<FileChooser> chooser) {
    if (!chooser) return;
    files_.setChooser(*chooser);
    chooser_ = std::move(chooser);
}

void PresetSystemEditorCore::setView(PresetStripView* view) {
    if (!view) cancelDialog();
    view_ = view;
    // A dialog ended by the last close leaves nothing pending for the new window.
    if (view) files_.poll();
}

// The bank and preset loads of the files, the memories and the stored defaults are made
// in the editor: the host hears of the parameters they change.
bool PresetSystemEditorCore::loadBankImage(const unsigned char* image, bool reverseValues) {
    EditorLoadReport report(plugin_);
    return presets_ && lumdel::loadBankImage(*presets_, view_, image, reverseValues);
}

void PresetSystemEditorCore::makeBankImage(unsigned char* image) {
    if (presets_) lumdel::makeBankImage(*presets_, image);
}

bool PresetSystemEditorCore::loadPresetImage(const unsigned char* image, bool reverseValues) {
    EditorLoadReport report(plugin_);
    return presets_ && lumdel::loadPresetImage(*presets_, view_, image, reverseValues);
}

void PresetSystemEditorCore::makePresetImage(unsigned char* image) {
    if (presets_) lumdel::makePresetImage(*presets_, image);
}

bool PresetSystemEditorCore::loadMidiImage(const unsigned char* image, bool reverseValues) {
    return presets_ && lumdel::loadMidiImage(*presets_, image, reverseValues);
}

void PresetSystemEditorCore::makeMidiImage(unsigned char* image) {
    if (presets_) lumdel::makeMidiImage(*presets_, image);
}

void PresetSystemEditorCore::presetNameChanged(const char* name) {
    lumdel::presetNameChanged(view_, name);
}

void PresetSystemEditorCore::renameCurrentPreset(const char* name) {
    if (presets_) {
        lumdel::renameCurrentPreset(*presets_, view_, name);
    } else {
        lumdel::presetNameChanged(view_, name);
    }
}

void PresetSystemEditorCore::loadPresetFile(bool reverseValues) {
    if (view_) show(files_.loadFile(ImageKind::Preset, reverseValues, view_->dialogParentWindow()));
}

void PresetSystemEditorCore::savePresetFile() {
    if (view_) show(files_.saveFile(ImageKind::Preset, view_->dialogParentWindow()));
}

void PresetSystemEditorCore::loadBankFile(bool reverseValues) {
    if (view_) show(files_.loadFile(ImageKind::Bank, reverseValues, view_->dialogParentWindow()));
}

void PresetSystemEditorCore::saveBankFile() {
    if (view_) show(files_.saveFile(ImageKind::Bank, view_->dialogParentWindow()));
}

void PresetSystemEditorCore::loadMidiFile(bool reverseValues) {
    if (view_) show(files_.loadFile(ImageKind::Midi, reverseValues, view_->dialogParentWindow()));
}

void PresetSystemEditorCore::saveMidiFile() {
    if (view_) show(files_.saveFile(ImageKind::Midi, view_->dialogParentWindow()));
}

void PresetSystemEditorCore::idle() { show(files_.poll()); }

void PresetSystemEditorCore::cancelDialog() { files_.cancel(); }

void PresetSystemEditorCore::show(const FileOutcome& outcome) {
    switch (outcome.kind) {
        case FileOutcome::Kind::Loaded:
            if (view_) view_->redrawAll();
            break;
        case FileOutcome::Kind::Failed:
            tell(outcome.request, outcome.message, outcome.panelText);
            break;
        default: break;
    }
}

void PresetSystemEditorCore::tell(const FileDialogRequest& about, const std::string& message,
                                  const std::string& panelText) {
    if (chooser_->showError(about, message)) return;
    if (view_) view_->showMessage(panelText.c_str());
}

void PresetSystemEditorCore::storeImage(const char* valueName, ImageKind kind, const char* what) {
    std::vector<unsigned char> image(imageSize(kind), 0);
    switch (kind) {
        case ImageKind::Preset: makePresetImage(image.data()); break;
        case ImageKind::Bank: makeBankImage(image.data()); break;
        case ImageKind::Midi: makeMidiImage(image.data()); break;
    }
    if (store_.writeBinary(valueName, image.data(), image.size())) return;
    FileDialogRequest about;
    about.title = "Lumdel settings";
    about.parentWindow = view_ ? view_->dialogParentWindow() : 0;
    tell(about, std::string("Could not store the ") + what + " in " + store_.directory() + ".",
         std::string("cannot store ") + what);
}

// The buffer goes to the loader even when nothing usable was stored, so a missing bank
// still makes preset 0 current.
void PresetSystemEditorCore::recallImage(const char* valueName, ImageKind kind) {
    std::vector<unsigned char> image;
    readStoredImage(store_, valueName, kind, image);
    switch (kind) {
        case ImageKind::Preset: loadPresetImage(image.data(), false); break;
        case ImageKind::Bank: loadBankImage(image.data(), false); break;
        case ImageKind::Midi: loadMidiImage(image.data(), false); break;
    }
}

void PresetSystemEditorCore::storeDefaultPreset() {
    storeImage(kDefaultPreset, ImageKind::Preset, "default preset");
}
void PresetSystemEditorCore::eraseDefaultPreset() { store_.erase(kDefaultPreset); }
void PresetSystemEditorCore::storeDefaultBank() {
    storeImage(kDefaultBank, ImageKind::Bank, "default bank");
}
void PresetSystemEditorCore::eraseDefaultBank() { store_.erase(kDefaultBank); }
void PresetSystemEditorCore::storeDefaultMidi() {
    storeImage(kDefaultMidi, ImageKind::Midi, "default MIDI settings");
}
void PresetSystemEditorCore::storeMemoA() { storeImage(kMemoA, ImageKind::Preset, "memory A"); }
void PresetSystemEditorCore::storeMemoB() { storeImage(kMemoB, ImageKind::Preset, "memory B"); }
void PresetSystemEditorCore::recallMemoA() { recallImage(kMemoA, ImageKind::Preset); }
void PresetSystemEditorCore::recallMemoB() { recallImage(kMemoB, ImageKind::Preset); }
void PresetSystemEditorCore::recallDefaultBank() { recallImage(kDefaultBank, ImageKind::Bank); }
void PresetSystemEditorCore::recallDefaultPreset() {
    recallImage(kDefaultPreset, ImageKind::Preset);
}
void PresetSystemEditorCore::recallDefaultMidi() { recallImage(kDefaultMidi, ImageKind::Midi); }

// Every instance stores the locations it changed when it goes away. One that is as it
// was recalled is not written: opening and closing the plug-in writes nothing, and a
// stored value that could not be used (a link, an overlong string) stays as it is.
void PresetSystemEditorCore::storeFileLocations() {
    const auto store = [this](const char* name, const std::string& value, std::string& stored) {
        if (value == stored) return;
        if (store_.writeString(name, value)) stored = value;
    };
    store(kCurrDir, locations_.directory, storedLocations_.directory);
    store(kCurrBank, locations_.bankName, storedLocations_.bankName);
    store(kCurrPreset, locations_.presetName, storedLocations_.presetName);
    store(kCurrMidi, locations_.midiName, storedLocations_.midiName);
}

// A missing value gives an empty string, so without a stored directory the dialogs
// start wherever the dialog tool starts.
void PresetSystemEditorCore::recallFileLocations() {
    store_.readString(kCurrDir, locations_.directory);
    store_.readString(kCurrBank, locations_.bankName);
    store_.readString(kCurrPreset, locations_.presetName);
    store_.readString(kCurrMidi, locations_.midiName);
    storedLocations_ = locations_;
}

// Like the plug-in's own load when it starts, the host is not told of these loads.
void PresetSystemEditorCore::loadDefaults() {
    EditorLoadReport silent(plugin_, EditorLoadReport::Mode::Silent);
    recallDefaultBank();
    recallDefaultPreset();
    recallDefaultMidi();
    recallFileLocations();
}

}  // namespace lumdel
