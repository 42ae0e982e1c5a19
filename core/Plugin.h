// The whole plug-in, whatever the host format: the plug-in core (engine, parameter code,
// lifecycle, tempo, meters), the preset store and the settings folder, put together. A
// host adapter owns one, serves it as its HostPort and forwards the host's calls; the
// editor reaches it through the adapter's EditorController and listens through
// EditorLink and PresetSystemHooks. No host format, editor or toolkit type appears here.
#pragma once

#include "EditorLink.h"
#include "HostPort.h"
#include "PluginCore.h"
#include "PresetStore.h"
#include "SettingsStore.h"

namespace lumdel {

class Plugin : private PresetStoreOwner {
public:
    // Host UI thread (the adapter's construction): the core, the factory bank, and the
    // settings folder the stored defaults come from (an empty directory: none). Nothing
    // is read before loadStoredDefaults.
    Plugin(HostPort& host, SettingsStore settings);
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    PluginCore& core() { return core_; }
    const PluginCore& core() const { return core_; }
    PresetStore& presets() { return presets_; }
    const SettingsStore& settings() const { return settings_; }

    // Any thread (host, editor, preset store, MIDI): the one parameter path. 0..59: a
    // value that is not finite changes nothing anywhere; otherwise the core applies it.
    // Then the editor hears of it (0..119), and unless a preset is being applied the
    // preset store keeps it.
    void setParameter(int index, float value) override;
    // 0..59 as the core reads them back, 60..119 the assignment values, else 0.
    float getParameter(int index) const;

    // UI thread: applies preset index (0..60) through the full parameter path, with the
    // output held around it; the editor relinks matching channels and every
    // synchronised value follows the current tempo.
    void setCurrentPreset(int index) { presets_.setCurrentPreset(index); }
    // Construction: the stored default bank, preset and MIDI settings of the settings
    // folder (the factory state where there are none).
    void loadStoredDefaults() { presets_.loadStoredDefaults(settings_); }

    // UI thread: the editor registers its listener here (null: no editor).
    void setEditorLink(EditorLink* link) {
        editorLink_ = link;
        core_.setListener(link);
    }
    EditorLink* editorLink() const { return editorLink_; }

private:
    void applyPreset(int index) override;
    void presetsChanged() override { host_.presetsChanged(); }

    HostPort& host_;
    PluginCore core_;
    PresetStore presets_;
    SettingsStore settings_;
    EditorLink* editorLink_ = nullptr;
};

}  // namespace lumdel
