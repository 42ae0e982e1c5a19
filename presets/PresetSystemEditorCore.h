// The editor-side preset operations that need no window: the six image operations,
// the dialog-driven file operations, the remembered file locations and the settings
// store with its defaults and memories. The editor (CPresetSystemEditor) owns one on the
// plug-in's settings folder and hands it its preset strip while the window is open.
//
// Threads: everything runs on the editor thread, except cancelDialog and the destructor,
// which may run on any thread that closes the editor or the effect. None of it may be
// called from the audio thread.
#pragma once

#include <memory>

#include "FileChooser.h"
#include "PresetFiles.h"
#include "core/EditorController.h"
#include "core/PresetImages.h"
#include "core/SettingsStore.h"

namespace lumdel {

class PresetSystemEditorCore : public PresetImageOperations {
public:
    // The remembered directory starts as the working directory (when it fits in 256
    // characters). A null chooser means the desktop's dialog tool.
    // plugin may be null (nothing then acts on presets).
    PresetSystemEditorCore(EditorController* plugin, SettingsStore store = SettingsStore(),
                           std::unique_ptr<FileChooser> chooser = nullptr);
    // Ends an open dialog; stores the file locations that changed for the next
    // instance (unless switched off).
    ~PresetSystemEditorCore() override;
    PresetSystemEditorCore(const PresetSystemEditorCore&) = delete;
    PresetSystemEditorCore& operator=(const PresetSystemEditorCore&) = delete;

    // The preset strip of the open window; null while the window is closed. The file
    // operations need an open window, as their dialogs belong to it. Closing the window
    // (a null view) ends an open dialog and drops its answer.
    void setView(PresetStripView* view);
    PresetStripView* view() const { return view_; }

    // Image operations, in the editor's slot order. They accept both byte orders and
    // the older 48-parameter format.
    bool loadBankImage(const unsigned char* image, bool reverseValues) override;
    void makeBankImage(unsigned char* image) override;
    bool loadPresetImage(const unsigned char* image, bool reverseValues) override;
    void makePresetImage(unsigned char* image) override;
    bool loadMidiImage(const unsigned char* image, bool reverseValues) override;
    void makeMidiImage(unsigned char* image) override;

    // Name field and menu entry; then the store's setCurrentPresetName.
    void presetNameChanged(const char* name);
    void renameCurrentPreset(const char* name);

    // Dialog-driven files; each does nothing while the window is closed. Each opens its
    // dialog and returns; idle loads or saves the chosen file. While a dialog is open,
    // another is refused. What fails is told to the user: in the dialog tool's error
    // box, or on the panel when there is no tool ("install zenity or kdialog").
    void loadPresetFile(bool reverseValues);
    void savePresetFile();
    void loadBankFile(bool reverseValues);
    void saveBankFile();
    void loadMidiFile(bool reverseValues);
    void saveMidiFile();
    // Editor thread, on every idle: hands over the open dialog's answer, if any.
    void idle();
    // Any thread: ends an open dialog or error box and drops its answer.
    void cancelDialog();
    bool dialogOpen() const { return files_.dialogOpen(); }

    // Settings store.
    void storeDefaultPreset();
    void eraseDefaultPreset();
    void storeDefaultBank();
    void eraseDefaultBank();
    void storeDefaultMidi();
    void storeMemoA();
    void storeMemoB();
    void recallMemoA();
    void recallMemoB();
    void recallDefaultBank();
    void recallDefaultPreset();
    void recallDefaultMidi();
    // Writes the remembered locations that changed since they were recalled (or last
    // stored); an unchanged one is never written, so a value that could not be used
    // stays as it is.
    void storeFileLocations();
    void recallFileLocations();
    // The default bank, the default preset (into the current preset), the default MIDI
    // settings and the file locations, in this order (the plug-in loads the first three
    // itself when it starts; this loads them again).
    void loadDefaults();

    RememberedLocations& locations() { return locations_; }
    const SettingsStore& store() const { return store_; }
    void setChooser(std::unique_ptr<FileChooser> chooser);
    // Whether destruction stores the file locations (on by default; a tool that only
    // converts files switches it off).
    void setStoreLocationsOnDestruction(bool on) { storeLocationsOnDestruction_ = on; }

private:
    void storeImage(const char* valueName, ImageKind kind, const char* what);
    void recallImage(const char* valueName, ImageKind kind);
    void show(const FileOutcome& outcome);
    void tell(const FileDialogRequest& about, const std::string& message,
              const std::string& panelText);

    EditorController* plugin_;
    PresetStore* presets_;
    PresetStripView* view_ = nullptr;
    SettingsStore store_;
    std::unique_ptr<FileChooser> chooser_;
    RememberedLocations locations_;
    // The locations as recalled or last stored: what storeFileLocations compares with.
    RememberedLocations storedLocations_;
    PresetFiles files_;
    bool storeLocationsOnDestruction_ = true;
};

}  // namespace lumdel
