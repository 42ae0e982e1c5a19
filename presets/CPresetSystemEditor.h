// The editor-side half of the preset system and the base of the plug-in's editor: the
// preset strip at the bottom of the panel (name field, preset menu, step switch, file,
// default and memory buttons, controller display, MIDI learn and unlearn) and the
// window-independent preset operations, which it hands to its PresetSystemEditorCore.
//
// How the derived editor uses it:
//   open(window)     the derived open calls AEffGUIEditor::open, creates `frame` with the
//                    panel background (resource 128) and its own controls, and calls
//                    this open last: it adds the strip's 19 controls to the frame, turns
//                    learn and unlearn off and answers true (false without a frame or an
//                    effect, adding nothing).
//   close()          the derived close calls this first (it ends an open file dialog,
//                    drops the strip pointers and detaches the strip from the core), then
//                    closes its frame.
//   idle()           the derived idle ends with this: a file dialog's answer handed over,
//                    the menu and name field brought in line with the effect, the
//                    toolkit's idle (window events and redraw of dirty views), then the
//                    controller display.
//   valueChanged(c)  the derived valueChanged calls this first for every control; it
//                    handles the tags 98..116 and ignores all others.
//
// Refresh: the toolkit starts no timer or thread, so the strip is refreshed from the
// host's idle calls (effEditIdle). Hosts must send them at least every 50 ms while the
// window is open; the controller display is updated on every idle.
//
// File dialogs run as separate processes and are never waited for: a file button opens
// one and returns, and idle takes its answer. While one is open, the file buttons say
// "a dialog is open" and every other control works. What goes wrong is told in the
// dialog tool's error box, or, without a tool, for a few seconds (kMessageMs) in a
// message box over the logo of the strip, which is where "install zenity or kdialog"
// appears.
//
// Threads: everything here runs on the host's user-interface thread, except
// midiLearnStopped / midiUnlearnStopped (any thread that changes a parameter: they only
// store a control value, which the frame draws later).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "PresetSystemEditorCore.h"
#include "core/EditorController.h"
#include "core/PresetStore.h"
#include "core/PresetSystemHooks.h"
#include "toolkit/vstgui.h"

class CSaveLoadButton;
class CPSKickButton;
class CPSOnOffButton;
class CPSRockerSwitch;
class CScaleMenu;

// Tags of the strip's controls.
namespace lumdel::strip_tag {
constexpr std::int32_t kName = 98;
constexpr std::int32_t kStep = 99;
constexpr std::int32_t kLoadBank = 100;
constexpr std::int32_t kSaveBank = 101;
constexpr std::int32_t kLoadPreset = 102;
constexpr std::int32_t kSavePreset = 103;
constexpr std::int32_t kControllerDisplay = 104;
constexpr std::int32_t kMidiLearn = 105;
constexpr std::int32_t kLoadMidi = 106;
constexpr std::int32_t kSaveMidi = 107;
constexpr std::int32_t kDefaultMidi = 108;
constexpr std::int32_t kMidiUnlearn = 109;
constexpr std::int32_t kMenu = 110;
constexpr std::int32_t kDefaultBank = 111;
constexpr std::int32_t kDefaultPreset = 112;
constexpr std::int32_t kStoreMemoA = 113;
constexpr std::int32_t kStoreMemoB = 114;
constexpr std::int32_t kRecallMemoA = 115;
constexpr std::int32_t kRecallMemoB = 116;
constexpr std::int32_t kScaleMenu = 117;  // the size menu over the logo (right click)
}  // namespace lumdel::strip_tag

class CPresetSystemEditor : public AEffGUIEditor, public CControlListener, public PresetSystemHooks {
public:
    // Longest preset name the name field hands on.
    static constexpr std::size_t kMaxPresetName = 24;

    // Creates the preset core at once, on the plug-in's settings folder, and recalls the
    // remembered file locations. controller may be null (nothing then acts).
    explicit CPresetSystemEditor(lumdel::EditorController* controller);
    // The core stores the remembered file locations.
    ~CPresetSystemEditor() override;

    bool open(void* window) override;
    void close() override;
    void idle() override;
    void valueChanged(CControl* control) override;

    // Own operations, in their slot order.
    void midiLearnStopped() override;
    void midiUnlearnStopped() override;
    void presetNameChanged(const char* name) override;
    // The stored defaults of the core's settings folder, loaded again.
    void loadDefaults();
    virtual void loadBankImage(const unsigned char* image, bool reverseValues);
    virtual void makeBankImage(unsigned char* image);
    virtual void loadPresetImage(const unsigned char* image, bool reverseValues);
    virtual void makePresetImage(unsigned char* image);
    virtual void loadMidiImage(const unsigned char* image, bool reverseValues);
    virtual void makeMidiImage(unsigned char* image);

    // Shows name in the strip, then renames the current preset.
    void renameCurrentPreset(const char* name);
    // Sets the controller display from the view under the mouse (part of idle).
    void updateControllerDisplay();
    // Editor thread: shows text in the strip's message box for kMessageMs (while the
    // window is open); an empty text hides the box.
    void showPanelMessage(const char* text);
    // The message shown now, or empty; and its box (null while none shows).
    const std::string& panelMessage() const { return panelMessage_; }
    CParamDisplay* messageBox() const { return messageBox_; }
    static constexpr std::uint32_t kMessageMs = 4000;
    // Brings the menu (current entry, titles) and the name field in line with the
    // effect's presets, whatever changed them (part of idle; a host restoring its
    // chunk, for one, tells the strip nothing). The name field is left alone while
    // it is being typed into.
    void syncPresetDisplay();

    lumdel::PresetStore* presetStore() const { return presetStore_; }
    lumdel::PresetSystemEditorCore& presetCore() { return *core_; }

    // The strip's controls while the window is open, else null (for the derived editor
    // and tests).
    CTextEdit* nameField() const { return nameField_; }
    COptionMenu* presetMenu() const { return presetMenu_; }
    CPSRockerSwitch* stepSwitch() const { return stepSwitch_; }
    CParamDisplay* controllerDisplay() const { return controllerDisplay_; }
    CScaleMenu* scaleMenu() const { return scaleMenu_; }
    // Editor thread: the size menu's choice (0 the desktop's, 1 to 3 for 100, 150 and
    // 200 %): stored as "Scale", and the window rebuilt at that size at the next idle.
    void chooseScaleEntry(int entry);
    CPSOnOffButton* learnButton() const { return learnButton_; }
    CPSOnOffButton* unlearnButton() const { return unlearnButton_; }
    CControl* stripControl(std::int32_t tag) const;
    // What the controller display says about the rail key under the pointer (empty when
    // the pointer is on none).
    const std::string& railKeyHint() const { return railKeyHint_; }

    // What a rail key does, in words that fit the controller display; keys whose rule
    // takes more words show them in turns, one part per kHintPartMs, by the editor's
    // ticks. Null for tags that are not rail keys.
    static const char* railKeyHintFor(std::int32_t tag, std::uint32_t ticks);
    static constexpr std::uint32_t kHintPartMs = 1200;

protected:
    // LUMDEL_SCALE, else the stored choice, else the desktop's.
    double initialScale() override;

private:
    class StripView;
    void clearStripPointers();
    void hidePanelMessage();
    void stepPreset(float direction);
    void selectMenuPreset(float value);

    lumdel::EditorController* controller_;
    lumdel::PresetStore* presetStore_;
    std::unique_ptr<lumdel::PresetSystemEditorCore> core_;
    std::unique_ptr<StripView> stripView_;

    CTextEdit* nameField_ = nullptr;
    COptionMenu* presetMenu_ = nullptr;
    CPSRockerSwitch* stepSwitch_ = nullptr;
    CSaveLoadButton* saveBankButton_ = nullptr;
    CPSKickButton* defaultBankButton_ = nullptr;
    CSaveLoadButton* loadBankButton_ = nullptr;
    CSaveLoadButton* savePresetButton_ = nullptr;
    CPSKickButton* defaultPresetButton_ = nullptr;
    CSaveLoadButton* loadPresetButton_ = nullptr;
    CPSKickButton* storeMemoAButton_ = nullptr;
    CPSKickButton* recallMemoAButton_ = nullptr;
    CPSKickButton* storeMemoBButton_ = nullptr;
    CPSKickButton* recallMemoBButton_ = nullptr;
    CSaveLoadButton* saveMidiButton_ = nullptr;
    CPSKickButton* defaultMidiButton_ = nullptr;
    CSaveLoadButton* loadMidiButton_ = nullptr;
    CParamDisplay* controllerDisplay_ = nullptr;
    CPSOnOffButton* learnButton_ = nullptr;
    CPSOnOffButton* unlearnButton_ = nullptr;
    CParamDisplay* messageBox_ = nullptr;
    CScaleMenu* scaleMenu_ = nullptr;
    std::string panelMessage_;
    std::string railKeyHint_;
    std::uint32_t messageUntil_ = 0;
};
