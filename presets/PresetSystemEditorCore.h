// The editor-side preset operations that need no window: the six image operations,
// the dialog-driven file operations, the remembered file locations and the settings
// store with its defaults and memories. The editor (CPresetSystemEditor) owns one,
// created with the effect, and hands it its preset strip while the window is open.
//
// Threads: everything runs on the editor thread, except loadDefaults, which runs inside
// the effect's construction. None of it may be called from the audio thread.
#pragma once

#include <memory>

#include "FileChooser.h"
#include "PresetFiles.h"
#include "PresetImages.h"
#include "SettingsStore.h"

class CPresetSystemEffect;

namespace lumdel {

class PresetSystemEditorCore : public PresetImageOperations {
public:
    // The remembered directory starts as the working directory (when it fits in 256
    // characters). A null chooser means the desktop's dialog tool.
    PresetSystemEditorCore(CPresetSystemEffect* effect, SettingsStore store = SettingsStore(),
                           std::unique_ptr<FileChooser> chooser = nullptr);
    // Stores the file locations for the next instance (unless switched off).
    ~PresetSystemEditorCore() override;
    PresetSystemEditorCore(const PresetSystemEditorCore&) = delete;
    PresetSystemEditorCore& operator=(const PresetSystemEditorCore&) = delete;

    // The preset strip of the open window; null while the window is closed. The file
    // operations need an open window, as their dialogs belong to it.
    void setView(PresetStripView* view) { view_ = view; }
    PresetStripView* view() const { return view_; }

    // Image operations, in the editor's slot order. They accept both byte orders and
    // the older 48-parameter format.
    void loadBankImage(const unsigned char* image, bool reverseValues) override;
    void makeBankImage(unsigned char* image) override;
    void loadPresetImage(const unsigned char* image, bool reverseValues) override;
    void makePresetImage(unsigned char* image) override;
    void loadMidiImage(const unsigned char* image, bool reverseValues) override;
    void makeMidiImage(unsigned char* image) override;

    // Name field and menu entry; then the effect's setCurrentPresetName.
    void presetNameChanged(const char* name);
    void renameCurrentPreset(const char* name);

    // Dialog-driven files; each does nothing while the window is closed.
    void loadPresetFile(bool reverseValues);
    void savePresetFile();
    void loadBankFile(bool reverseValues);
    void saveBankFile();
    void loadMidiFile(bool reverseValues);
    void saveMidiFile();

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
    void storeFileLocations();
    void recallFileLocations();
    // The default bank, the default preset (into the current preset, which is 0 at
    // construction), the default MIDI settings and the file locations, in this order.
    virtual void loadDefaults();

    RememberedLocations& locations() { return locations_; }
    const SettingsStore& store() const { return store_; }
    void setChooser(std::unique_ptr<FileChooser> chooser);
    // Whether destruction stores the file locations (on by default; a tool that only
    // converts files switches it off).
    void setStoreLocationsOnDestruction(bool on) { storeLocationsOnDestruction_ = on; }

private:
    void storeImage(const char* valueName, ImageKind kind);
    void recallImage(const char* valueName, ImageKind kind);

    CPresetSystemEffect* effect_;
    PresetStripView* view_ = nullptr;
    SettingsStore store_;
    std::unique_ptr<FileChooser> chooser_;
    RememberedLocations locations_;
    PresetFiles files_;
    bool storeLocationsOnDestruction_ = true;
};

}  // namespace lumdel
