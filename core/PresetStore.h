// The preset store: the bank of 61 presets and the current one, the host chunk, the MIDI
// controller assignments (pseudo-parameters 60..119) with learn and unlearn, and the
// loading of the stored defaults from the settings folder. The host sees a single
// program; everything it saves goes through the chunk.
//
// The store applies nothing by itself: a preset's values and a controller's value go
// through its owner's whole parameter path (PresetStoreOwner), and the editor's strip
// hears of a rename or the end of learn through PresetSystemHooks. No host format, editor
// or toolkit type appears here; a host adapter turns its MIDI events into controlChange.
#pragma once

#include <cstdint>
#include <memory>

#include "PresetImages.h"
#include "PresetRecord.h"
#include "PresetSystemHooks.h"
#include "SettingsStore.h"

namespace lumdel {

// The plug-in's identifier ('LMDL') in the chunk and the file images.
constexpr std::int32_t kPluginId = 0x4C4D444C;

// Names of the stored values the preset system keeps in the settings folder.
namespace stored_value {
constexpr const char* kDefaultPreset = "DefaultPreset";
constexpr const char* kMemoA = "MemoA";
constexpr const char* kMemoB = "MemoB";
constexpr const char* kDefaultBank = "DefaultBank";
constexpr const char* kDefaultMidi = "DefaultMidi";
}  // namespace stored_value

class PresetStore;

// What the store asks of the plug-in that owns it.
class PresetStoreOwner {
public:
    virtual ~PresetStoreOwner() = default;
    // Any thread: index 0..119 through the plug-in's whole parameter path (engine, editor,
    // and, unless a preset is being applied, storeParameter of this store).
    virtual void setParameter(int index, float value) = 0;
    // UI thread: makes preset index (0..60) current; the owner calls applyPresetValues
    // and does around it what a preset load needs (output hold, channel link, ...).
    virtual void applyPreset(int index) = 0;
    // UI thread, while a preset is applied or renamed: the host should read programs and
    // parameters again.
    virtual void presetsChanged() = 0;
};

class PresetStore {
public:
    static constexpr int kChunkSize = 16376;

    // The factory bank, no controller assignments, preset 0 current, learn off.
    explicit PresetStore(PresetStoreOwner& owner);
    ~PresetStore();
    PresetStore(const PresetStore&) = delete;
    PresetStore& operator=(const PresetStore&) = delete;

    std::int32_t pluginId() const { return kPluginId; }

    // --- the bank (UI thread) -------------------------------------------------------
    int currentPreset() const { return current_; }
    // Direct access for the strip, the file images and tests; index 0..60.
    PresetRecord& preset(int index) { return presets_[index]; }
    // Applies preset index through the owner's full parameter path; an index outside
    // 0..60 is ignored.
    void setCurrentPreset(int index);
    // The owner's part of setCurrentPreset: makes index current and applies its 60
    // (sanitised) values with the loading flag set, then asks the host to refresh.
    void applyPresetValues(int index);
    // Renames the current preset (24 characters) and asks the host to refresh.
    void setCurrentPresetName(const char* name);
    // Host UI thread: the host renames the current preset; the strip hears of it.
    void renameByHost(const char* name);
    // The name of preset index as a terminated text (25 bytes); false for a bad index.
    bool presetName(int index, char* text) const;
    void loadFactoryPresets();
    // True while a preset's values are being applied.
    bool loading() const { return loading_; }

    // --- parameters (any thread) ----------------------------------------------------
    // The store's part of a parameter change, made when no preset is being applied.
    // 0..59: store into the current preset, then MIDI learn and unlearn; 60..119:
    // controller assignment; others ignored.
    void storeParameter(int index, float value);
    // A value through the owner's full parameter path (image loads).
    void applyParameter(int index, float value) { owner_.setParameter(index, value); }
    // The stored value of assignment pseudo-parameter 60 + parameter (no assignment for
    // a parameter outside 0..59).
    float assignmentValue(int parameter) const;

    // --- the chunk (host UI thread) -------------------------------------------------
    // The whole state, kChunkSize bytes, valid until the next chunk call.
    const unsigned char* makeChunk();
    // Restores bank, assignments and current preset; 0, or -1 when refused (nothing
    // changed). The host may hand back the buffer makeChunk gave it.
    int loadChunk(const void* data, std::int64_t byteSize);

    // --- MIDI (editor thread; learn also from the audio thread) ---------------------
    void setMidiAssignment(int parameter, int controller);
    void clearParameterAssignment(int parameter);
    void clearControllerAssignment(int controller);
    int parameterController(int parameter) const;
    int controllerParameter(int controller) const;
    void startMidiLearn();
    void stopMidiLearn();
    void setMidiLearnTarget(int parameter) { learnTarget_ = parameter; }
    void startMidiUnlearn();
    void stopMidiUnlearn();
    bool isMidiLearnActive() const { return learnActive_; }
    bool isMidiUnlearnActive() const { return unlearnActive_; }
    int midiLearnTarget() const { return learnTarget_; }
    void clearMidiAssignments();
    // Host audio thread: a control change (controller and value as the event gave them,
    // 0..255) completes learn and drives its assigned parameter.
    void controlChange(int controller, int value);

    // --- the stored defaults --------------------------------------------------------
    // The default bank, the default preset (into the current preset) and the default
    // MIDI settings of settings, in this order; what is missing or damaged is skipped.
    // A store without a folder leaves the factory state.
    void loadStoredDefaults(const SettingsStore& settings, PresetStripView* view = nullptr);

    // --- listeners ------------------------------------------------------------------
    // The editor's strip registers itself here (null: none); any thread reads it.
    void setHooks(PresetSystemHooks* hooks) { hooks_ = hooks; }
    PresetSystemHooks* hooks() const { return hooks_; }
    // Editor thread: nesting of the loads made in the editor (EditorLoadReport);
    // enterEditorLoad answers whether this is the outermost one.
    bool enterEditorLoad() { return editorLoads_++ == 0; }
    void leaveEditorLoad() { --editorLoads_; }

private:
    void assignController(int parameter, float value);
    void learnController(int controller);

    PresetStoreOwner& owner_;
    std::unique_ptr<PresetRecord[]> presets_;
    std::unique_ptr<unsigned char[]> chunk_;
    std::unique_ptr<std::int32_t[]> parameterController_;
    std::unique_ptr<std::int32_t[]> controllerParameter_;
    int current_ = 0;
    bool loading_ = false;
    bool learnActive_ = false;
    int learnTarget_ = kNoAssignment;
    bool unlearnActive_ = false;
    float assignmentValues_[60] = {};
    int editorLoads_ = 0;
    PresetSystemHooks* hooks_ = nullptr;
};

}  // namespace lumdel
