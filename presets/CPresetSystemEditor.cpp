#include "CPresetSystemEditor.h"

#include <cmath>
#include <cstring>
#include <string>

#include "core/ControllerNames.h"
#include "EditorLoadReport.h"
#include "PresetStripButtons.h"
#include "ScaleMenu.h"
#include "resources/PanelLayout.h"
#include "resources/Resources.h"
#include "core/ParameterTable.h"

using namespace lumdel::strip_tag;

namespace {

constexpr int kLastPreset = lumdel::kNumPresets - 1;
constexpr int kControllerSteps = 130;
constexpr int kNotAssignedStep = 128;
constexpr int kEmptyStep = 129;

const CColor kStripTextColor{36, 36, 32, 255};
const CColor kNameBackColor{189, 207, 218, 255};

// Length of the valid UTF-8 sequence at text[i], or 0 when the byte starts none.
std::size_t utf8SequenceLength(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not text.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

// A stored name as text: up to 24 bytes, which need not end in a NUL.
std::string presetName(const lumdel::PresetRecord& record) {
    return std::string(record.name, strnlen(record.name, lumdel::kPresetNameSize));
}

// The name as the strip shows it: valid UTF-8, with any byte that is not part of a
// UTF-8 sequence read as Latin-1 (names from older files and some hosts), so that the
// drawing never meets an undecodable string.
std::string displayName(const std::string& name) {
    std::string out;
    out.reserve(name.size() * 2);
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t n = utf8SequenceLength(name, i);
        if (n > 0) {
            out.append(name, i, n);
            i += n;
        } else {
            const unsigned char c = static_cast<unsigned char>(name[i++]);
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
std::string displayName(const char* name) { return displayName(std::string(name ? name : "")); }
std::string displayName(const lumdel::PresetRecord& record) {
    return displayName(presetName(record));
}

// At most the first 24 bytes of a typed name, without cutting a UTF-8 sequence in half
// (a cut one would leave an undecodable byte at the end of the stored name).
std::string limitName(const std::string& text) {
    const std::size_t limit = CPresetSystemEditor::kMaxPresetName;
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    // Step back over continuation bytes to the start of the cut sequence, then drop it
    // unless it ends exactly at the limit.
    std::size_t start = end;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    if (start < end) end = start;
    return text.substr(0, end);
}

// The strip's font, shared by its text controls for the life of the module (the
// toolkit's text controls keep a reference to their font that they never give back,
// so a font made per window would be lost with every window). Our own reference keeps
// the count above zero; the object goes with the module. The name field and the
// controller display print in bold, as heavy as the panel's legends; the menu's long
// list stays in the plain face.
CFontDesc* stripFont() {
    static CFontDesc font("Arial", 9);
    return &font;
}

CFontDesc* stripBoldFont() {
    static CFontDesc font("Arial", 9, kBoldFace);
    return &font;
}

using lumdel::panel::StripControl;
using lumdel::panel::Bitmap;

// The rectangle of a strip control in the panel table.
CRect stripRect(StripControl c) {
    const lumdel::panel::Rect& r = lumdel::panel::stripPlace(c).rect;
    return CRect(r.left, r.top, r.right, r.bottom);
}
CBitmap* newBitmap(Bitmap b, double scale) { return new CBitmap(lumdel::panel::id(b), scale); }

int strip3(CBitmap* bitmap) { return bitmap ? bitmap->getHeight() / 3 : 0; }
int strip5(CBitmap* bitmap) { return bitmap ? bitmap->getHeight() / 5 : 0; }

}  // namespace

// The strip as the preset loaders see it while the window is open.
class CPresetSystemEditor::StripView : public lumdel::PresetStripView {
public:
    explicit StripView(CPresetSystemEditor& editor) : editor_(editor) {}

    void setMenuEntry(int k, const char* name) override {
        if (!editor_.presetMenu_) return;
        if (CMenuItem* item = editor_.presetMenu_->getEntry(k)) {
            item->setTitle(displayName(name).c_str());
            editor_.presetMenu_->setDirty(true);
        }
    }
    void selectMenuEntry(int k) override {
        if (editor_.presetMenu_) editor_.presetMenu_->setCurrent(k);
    }
    void setCurrentMenuEntryTitle(const char* name) override {
        if (!editor_.presetMenu_) return;
        if (CMenuItem* item = editor_.presetMenu_->getCurrent()) {
            item->setTitle(displayName(name).c_str());
            editor_.presetMenu_->setDirty(true);
        }
    }
    void showName(const char* name) override {
        if (editor_.nameField_) editor_.nameField_->setText(displayName(name).c_str());
    }
    void redrawAll() override {
        if (editor_.frame) editor_.frame->setDirty(true);
    }
    void showMessage(const char* text) override { editor_.showPanelMessage(text); }
    unsigned long dialogParentWindow() const override {
        return editor_.frame ? editor_.frame->getTopLevelWindow() : 0;
    }

private:
    CPresetSystemEditor& editor_;
};

CPresetSystemEditor::CPresetSystemEditor(lumdel::EditorController* controller)
    : controller_(controller),
      presetStore_(controller ? &controller->presetStore() : nullptr),
      core_(std::make_unique<lumdel::PresetSystemEditorCore>(
          controller, controller ? controller->settingsStore() : lumdel::SettingsStore(""))),
      stripView_(std::make_unique<StripView>(*this)) {
    core_->recallFileLocations();
    // The strip's and the panel's bitmaps are the ones embedded in the plug-in.
    CBitmap::setResourceFinder(&lumdel::findResourceBytes);
}

CPresetSystemEditor::~CPresetSystemEditor() {
    // The core's destruction stores the file locations; the strip is gone by now.
    core_->setView(nullptr);
}

bool CPresetSystemEditor::open(void* /*window*/) {
    if (!frame || !presetStore_) return false;
    // A second open while the strip exists adds nothing.
    if (nameField_) return true;

    CBitmap* background = newBitmap(Bitmap::FrontPanel, getScale());
    CBitmap* loadButton = newBitmap(Bitmap::LoadKey, getScale());
    CBitmap* saveButton = newBitmap(Bitmap::SaveKey, getScale());
    CBitmap* recallMemo = newBitmap(Bitmap::MemoRecallKey, getScale());
    CBitmap* storeMemo = newBitmap(Bitmap::MemoStoreKey, getScale());
    CBitmap* defaultBank = newBitmap(Bitmap::DefaultBankKey, getScale());
    CBitmap* defaultPreset = newBitmap(Bitmap::DefaultPresetKey, getScale());
    CBitmap* defaultMidi = newBitmap(Bitmap::DefaultMidiKey, getScale());
    CBitmap* rocker = newBitmap(Bitmap::Rocker, getScale());
    CBitmap* learn = newBitmap(Bitmap::LearnKey, getScale());
    CBitmap* unlearn = newBitmap(Bitmap::UnlearnKey, getScale());

    saveBankButton_ = new CSaveLoadButton(stripRect(StripControl::SaveBank), this, kSaveBank,
                                          strip3(saveButton), saveButton);
    frame->addView(saveBankButton_);
    defaultBankButton_ = new CPSKickButton(stripRect(StripControl::DefaultBank), this, kDefaultBank,
                                           strip3(defaultBank), defaultBank, true);
    frame->addView(defaultBankButton_);
    loadBankButton_ = new CSaveLoadButton(stripRect(StripControl::LoadBank), this, kLoadBank,
                                          strip3(loadButton), loadButton);
    frame->addView(loadBankButton_);
    savePresetButton_ = new CSaveLoadButton(stripRect(StripControl::SavePreset), this, kSavePreset,
                                            strip3(saveButton), saveButton);
    frame->addView(savePresetButton_);
    defaultPresetButton_ = new CPSKickButton(stripRect(StripControl::DefaultPreset), this, kDefaultPreset,
                                             strip3(defaultPreset), defaultPreset, true);
    frame->addView(defaultPresetButton_);
    loadPresetButton_ = new CSaveLoadButton(stripRect(StripControl::LoadPreset), this, kLoadPreset,
                                            strip3(loadButton), loadButton);
    frame->addView(loadPresetButton_);

    CFontDesc* font = stripFont();
    const int current = presetStore_->currentPreset();
    const std::string currentName = displayName(presetStore_->preset(current));

    // The name field: font height plus 2 pixels above and below, centred on its place.
    const CRect namePlace = stripRect(StripControl::Name);
    const CCoord nameCentre = (namePlace.top + namePlace.bottom) / 2;
    const CRect nameRect(namePlace.left, nameCentre - (9 + 4) / 2.0, namePlace.right,
                         nameCentre + (9 + 4) / 2.0);
    nameField_ = new CTextEdit(nameRect, this, kName, currentName.c_str(), background);
    nameField_->setBackOffset(CPoint(nameRect.left, nameRect.top));
    nameField_->setFont(stripBoldFont());
    nameField_->setFontColor(kStripTextColor);
    nameField_->setBackColor(kNameBackColor);
    nameField_->setFrameColor(kStripTextColor);
    nameField_->setHoriAlign(kCenterText);
    frame->addView(nameField_);

    const CRect menuRect = stripRect(StripControl::Menu);
    presetMenu_ = new COptionMenu(menuRect, this, kMenu, background, nullptr, 0x1E00);
    presetMenu_->setBackOffset(CPoint(menuRect.left, menuRect.top));
    presetMenu_->setNbItemsPerColumn(16);
    presetMenu_->setFont(font);
    for (int k = 0; k <= kLastPreset; ++k)
        presetMenu_->addEntry(displayName(presetStore_->preset(k)).c_str());
    presetMenu_->setCurrent(current);
    frame->addView(presetMenu_);

    stepSwitch_ = new CPSRockerSwitch(stripRect(StripControl::Step), this, kStep, strip5(rocker),
                                      rocker);
    frame->addView(stepSwitch_);

    storeMemoAButton_ = new CPSKickButton(stripRect(StripControl::StoreMemoA), this, kStoreMemoA,
                                          strip3(storeMemo), storeMemo, false);
    frame->addView(storeMemoAButton_);
    recallMemoAButton_ = new CPSKickButton(stripRect(StripControl::RecallMemoA), this, kRecallMemoA,
                                           strip3(recallMemo), recallMemo, false);
    frame->addView(recallMemoAButton_);
    storeMemoBButton_ = new CPSKickButton(stripRect(StripControl::StoreMemoB), this, kStoreMemoB,
                                          strip3(storeMemo), storeMemo, false);
    frame->addView(storeMemoBButton_);
    recallMemoBButton_ = new CPSKickButton(stripRect(StripControl::RecallMemoB), this, kRecallMemoB,
                                           strip3(recallMemo), recallMemo, false);
    frame->addView(recallMemoBButton_);

    saveMidiButton_ = new CSaveLoadButton(stripRect(StripControl::SaveMidi), this, kSaveMidi,
                                          strip3(saveButton), saveButton);
    frame->addView(saveMidiButton_);
    defaultMidiButton_ = new CPSKickButton(stripRect(StripControl::DefaultMidi), this, kDefaultMidi,
                                           strip3(defaultMidi), defaultMidi, true);
    frame->addView(defaultMidiButton_);
    loadMidiButton_ = new CSaveLoadButton(stripRect(StripControl::LoadMidi), this, kLoadMidi,
                                          strip3(loadButton), loadButton);
    frame->addView(loadMidiButton_);

    const CRect displayRect = stripRect(StripControl::ControllerDisplay);
    controllerDisplay_ = new CParamDisplay(displayRect, background);
    controllerDisplay_->setTag(kControllerDisplay);
    controllerDisplay_->setBackOffset(CPoint(displayRect.left, displayRect.top));
    controllerDisplay_->setFont(stripBoldFont());
    controllerDisplay_->setFontColor(kStripTextColor);
    controllerDisplay_->setFrameColor(kStripTextColor);
    controllerDisplay_->setHoriAlign(kCenterText);
    controllerDisplay_->setValueToString([this](float value) {
        if (!railKeyHint_.empty()) return railKeyHint_;
        return std::string(lumdel::controllerName(lumdel::toStep(value, kControllerSteps)));
    });
    controllerDisplay_->setValue(lumdel::fromStep(kEmptyStep, kControllerSteps));
    frame->addView(controllerDisplay_);

    learnButton_ = new CPSOnOffButton(stripRect(StripControl::Learn), this, kMidiLearn, strip3(learn),
                                      learn);
    frame->addView(learnButton_);
    unlearnButton_ = new CPSOnOffButton(stripRect(StripControl::Unlearn), this, kMidiUnlearn,
                                        strip3(unlearn), unlearn);
    frame->addView(unlearnButton_);

    // Over the logo, beneath the message box when one shows.
    scaleMenu_ = new CScaleMenu(stripRect(StripControl::Message), this, kScaleMenu,
                                [this] { hidePanelMessage(); });
    scaleMenu_->setFont(stripFont());
    scaleMenu_->setCurrent(lumdel::scale_choice::storedEntry(core_->store()));
    frame->addView(scaleMenu_);

    // The controls hold their own references now.
    for (CBitmap* bitmap : {background, loadButton, saveButton, recallMemo, storeMemo, defaultBank,
                            defaultPreset, defaultMidi, rocker, learn, unlearn})
        bitmap->forget();

    core_->setView(stripView_.get());
    // Both buttons start off: a window opening never continues a learn session.
    presetStore_->stopMidiLearn();
    presetStore_->stopMidiUnlearn();
    if (learnButton_) learnButton_->setValue(0);
    if (unlearnButton_) unlearnButton_->setValue(0);
    return true;
}

void CPresetSystemEditor::clearStripPointers() {
    nameField_ = nullptr;
    presetMenu_ = nullptr;
    stepSwitch_ = nullptr;
    saveBankButton_ = nullptr;
    defaultBankButton_ = nullptr;
    loadBankButton_ = nullptr;
    savePresetButton_ = nullptr;
    defaultPresetButton_ = nullptr;
    loadPresetButton_ = nullptr;
    storeMemoAButton_ = nullptr;
    recallMemoAButton_ = nullptr;
    storeMemoBButton_ = nullptr;
    recallMemoBButton_ = nullptr;
    saveMidiButton_ = nullptr;
    defaultMidiButton_ = nullptr;
    loadMidiButton_ = nullptr;
    controllerDisplay_ = nullptr;
    learnButton_ = nullptr;
    unlearnButton_ = nullptr;
    messageBox_ = nullptr;
    scaleMenu_ = nullptr;
    panelMessage_.clear();
    railKeyHint_.clear();
}

void CPresetSystemEditor::close() {
    // The frame destroys the controls; the derived editor closes the frame after this.
    core_->setView(nullptr);
    clearStripPointers();
}

double CPresetSystemEditor::initialScale() {
    return lumdel::scale_choice::startScale(core_->store(), &AEffGUIEditor::desktopScale);
}

void CPresetSystemEditor::chooseScaleEntry(int entry) {
    namespace choice = lumdel::scale_choice;
    if (entry < 0 || entry >= choice::kNumEntries) return;
    choice::storeEntry(core_->store(), entry);
    const double scale = choice::scaleOfEntry(entry);
    setScale(scale > 0 ? scale : desktopScale());
}

void CPresetSystemEditor::idle() {
    // A file dialog's answer first (a loaded file shows in this idle's drawing), then
    // the strip in line, so a change made elsewhere is drawn by this idle.
    core_->idle();
    syncPresetDisplay();
    AEffGUIEditor::idle();
    updateControllerDisplay();
}

void CPresetSystemEditor::syncPresetDisplay() {
    if (!presetStore_ || !presetMenu_ || !nameField_) return;
    for (int k = 0; k <= kLastPreset; ++k) {
        CMenuItem* item = presetMenu_->getEntry(k);
        if (!item) continue;
        const std::string title = displayName(presetStore_->preset(k));
        if (title != item->getTitle()) {
            item->setTitle(title.c_str());
            presetMenu_->setDirty(true);
        }
    }
    const int current = presetStore_->currentPreset();
    if (presetMenu_->getCurrentIndex() != current) presetMenu_->setCurrent(current);
    if (!nameField_->isEditing()) {
        const std::string name = displayName(presetStore_->preset(current));
        if (nameField_->getTextString() != name) nameField_->setText(name.c_str());
    }
}

CControl* CPresetSystemEditor::stripControl(std::int32_t tag) const {
    switch (tag) {
        case kName: return nameField_;
        case kStep: return stepSwitch_;
        case kLoadBank: return loadBankButton_;
        case kSaveBank: return saveBankButton_;
        case kLoadPreset: return loadPresetButton_;
        case kSavePreset: return savePresetButton_;
        case kControllerDisplay: return controllerDisplay_;
        case kMidiLearn: return learnButton_;
        case kLoadMidi: return loadMidiButton_;
        case kSaveMidi: return saveMidiButton_;
        case kDefaultMidi: return defaultMidiButton_;
        case kMidiUnlearn: return unlearnButton_;
        case kMenu: return presetMenu_;
        case kDefaultBank: return defaultBankButton_;
        case kDefaultPreset: return defaultPresetButton_;
        case kStoreMemoA: return storeMemoAButton_;
        case kStoreMemoB: return storeMemoBButton_;
        case kRecallMemoA: return recallMemoAButton_;
        case kRecallMemoB: return recallMemoBButton_;
        default: return nullptr;
    }
}

// The message box lies over the logo between the memory and the MIDI buttons, the one
// place of the strip wide enough for a sentence; it exists only while it shows.
void CPresetSystemEditor::showPanelMessage(const char* text) {
    panelMessage_ = text ? text : "";
    messageUntil_ = getTicks() + kMessageMs;
    if (panelMessage_.empty() || !frame) {
        hidePanelMessage();
        return;
    }
    if (!messageBox_) {
        messageBox_ = new CParamDisplay(stripRect(StripControl::Message));
        messageBox_->setFont(stripFont());
        messageBox_->setFontColor(kStripTextColor);
        messageBox_->setBackColor(kNameBackColor);
        messageBox_->setFrameColor(kStripTextColor);
        messageBox_->setHoriAlign(kCenterText);
        messageBox_->setValueToString([this](float) { return panelMessage_; });
        frame->addView(messageBox_);
    }
    messageBox_->setDirty(true);
}

void CPresetSystemEditor::hidePanelMessage() {
    panelMessage_.clear();
    if (messageBox_ && frame) frame->removeView(messageBox_);
    messageBox_ = nullptr;
}

const char* CPresetSystemEditor::railKeyHintFor(std::int32_t tag, std::uint32_t ticks) {
    static const char* const storeOrErase[] = {"Double-click:", "store default", "Ctrl+dbl-click:",
                                               "erase default"};
    static const char* const store[] = {"Double-click:", "store default"};
    const std::uint32_t part = ticks / kHintPartMs;
    switch (tag) {
        case kName: return "Rename preset";
        case kScaleMenu: return "Right-click: size";
        case kMenu: return "All presets";
        case kStep: return "Previous / next";
        case kLoadBank: return "Load bank\u2026";
        case kSaveBank: return "Save bank\u2026";
        case kLoadPreset: return "Load preset\u2026";
        case kSavePreset: return "Save preset\u2026";
        case kLoadMidi: return "Load MIDI\u2026";
        case kSaveMidi: return "Save MIDI\u2026";
        case kMidiLearn: return "MIDI learn";
        case kMidiUnlearn: return "MIDI unlearn";
        case kStoreMemoA: return "Store memo A";
        case kStoreMemoB: return "Store memo B";
        case kRecallMemoA: return "Recall memo A";
        case kRecallMemoB: return "Recall memo B";
        case kDefaultBank:
        case kDefaultPreset: return storeOrErase[part % 4];
        case kDefaultMidi: return store[part % 2];
        default: return nullptr;
    }
}

void CPresetSystemEditor::updateControllerDisplay() {
    if (!panelMessage_.empty() && static_cast<std::int32_t>(getTicks() - messageUntil_) >= 0)
        hidePanelMessage();
    if (!presetStore_ || !frame || !controllerDisplay_) return;
    std::string hint;
    CPoint where;
    const bool over = frame->getCurrentMouseLocation(where);
    int step = kEmptyStep;
    CView* view = over ? frame->getViewAt(where) : nullptr;
    // An overlay (the rear panel, the help pages) covers the controls: nothing is named.
    if (view && view != frame->getModalView() && view->isTypeOf("CControl")) {
        const std::int32_t tag = static_cast<CControl*>(view)->getTag();
        if (tag >= 0 && tag < 60) {
            const int controller = presetStore_->parameterController(tag);
            step = controller >= 0 && controller < kNotAssignedStep ? controller
                                                                     : kNotAssignedStep;
        } else if (const char* text = railKeyHintFor(tag, getTicks())) {
            hint = text;
        }
    }
    // Off a rail key the display shows what it showed before the key was pointed at.
    if (hint != railKeyHint_) {
        railKeyHint_ = hint;
        controllerDisplay_->setDirty(true);
    }
    if (over && hint.empty()) controllerDisplay_->setValue(lumdel::fromStep(step, kControllerSteps));
}

void CPresetSystemEditor::stepPreset(float direction) {
    int c = presetStore_->currentPreset();
    if (direction > 0)
        c = std::min(c + 1, kLastPreset);
    else if (direction < 0)
        c = std::max(c - 1, 0);
    else
        return;
    const std::string name = presetName(presetStore_->preset(c));
    if (presetMenu_) presetMenu_->setCurrent(c);
    if (nameField_) nameField_->setText(displayName(name).c_str());
    lumdel::EditorLoadReport report(controller_);
    presetStore_->setCurrentPreset(c);
    presetStore_->setCurrentPresetName(name.c_str());
}

void CPresetSystemEditor::selectMenuPreset(float value) {
    const int d = static_cast<int>(std::floor(value + 0.5f));
    if (d < 0 || d > kLastPreset) return;
    // The entry's title is the preset's name; the stored bytes are handed back as they
    // are (the title may be their displayable form).
    const std::string name = presetName(presetStore_->preset(d));
    if (presetMenu_) presetMenu_->setCurrent(d);
    lumdel::EditorLoadReport report(controller_);
    presetStore_->setCurrentPreset(d);
    presetStore_->setCurrentPresetName(name.c_str());
    if (nameField_) nameField_->setText(displayName(name).c_str());
}

void CPresetSystemEditor::valueChanged(CControl* control) {
    if (control && control == scaleMenu_) return chooseScaleEntry(scaleMenu_->getCurrentIndex());
    if (!control || !presetStore_) return;
    const float v = control->getValue();
    lumdel::PresetSystemEditorCore& core = *core_;
    switch (control->getTag()) {
        case kName: {
            if (control != nameField_) return;
            renameCurrentPreset(limitName(nameField_->getTextString()).c_str());
            break;
        }
        case kStep: stepPreset(v); break;
        case kLoadBank: core.loadBankFile(v == 0.5f); break;
        case kSaveBank: core.saveBankFile(); break;
        case kLoadPreset: core.loadPresetFile(v == 0.5f); break;
        case kSavePreset: core.savePresetFile(); break;
        case kMidiLearn:
            presetStore_->stopMidiUnlearn();
            if (v != 0)
                presetStore_->startMidiLearn();
            else
                presetStore_->stopMidiLearn();
            break;
        case kLoadMidi: core.loadMidiFile(v == 0.5f); break;
        case kSaveMidi: core.saveMidiFile(); break;
        case kDefaultMidi:
            if (v != 0) core.storeDefaultMidi();
            break;
        case kMidiUnlearn:
            presetStore_->stopMidiLearn();
            if (v != 0)
                presetStore_->startMidiUnlearn();
            else
                presetStore_->stopMidiUnlearn();
            break;
        case kMenu: selectMenuPreset(v); break;
        case kDefaultBank:
            if (v < 0.75f)
                core.eraseDefaultBank();
            else
                core.storeDefaultBank();
            break;
        case kDefaultPreset:
            if (v < 0.75f)
                core.eraseDefaultPreset();
            else
                core.storeDefaultPreset();
            break;
        case kStoreMemoA: core.storeMemoA(); break;
        case kStoreMemoB: core.storeMemoB(); break;
        case kRecallMemoA: core.recallMemoA(); break;
        case kRecallMemoB: core.recallMemoB(); break;
        default: break;
    }
}

void CPresetSystemEditor::midiLearnStopped() {
    if (learnButton_) learnButton_->setValue(0);
}

void CPresetSystemEditor::midiUnlearnStopped() {
    if (unlearnButton_) unlearnButton_->setValue(0);
}

void CPresetSystemEditor::presetNameChanged(const char* name) {
    core_->presetNameChanged(name);
}

void CPresetSystemEditor::renameCurrentPreset(const char* name) {
    core_->renameCurrentPreset(name);
}

void CPresetSystemEditor::loadDefaults() { core_->loadDefaults(); }

void CPresetSystemEditor::loadBankImage(const unsigned char* image, bool reverseValues) {
    core_->loadBankImage(image, reverseValues);
}
void CPresetSystemEditor::makeBankImage(unsigned char* image) { core_->makeBankImage(image); }
void CPresetSystemEditor::loadPresetImage(const unsigned char* image, bool reverseValues) {
    core_->loadPresetImage(image, reverseValues);
}
void CPresetSystemEditor::makePresetImage(unsigned char* image) {
    core_->makePresetImage(image);
}
void CPresetSystemEditor::loadMidiImage(const unsigned char* image, bool reverseValues) {
    core_->loadMidiImage(image, reverseValues);
}
void CPresetSystemEditor::makeMidiImage(unsigned char* image) { core_->makeMidiImage(image); }
