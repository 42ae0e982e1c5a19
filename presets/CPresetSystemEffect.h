// Effect side of the preset system: the bank of 61 presets, the current preset, the
// host chunk and the MIDI controller assignments. The host sees a single program;
// everything it saves goes through the chunk.
#pragma once

#include "../shell/AudioEffectX.h"
#include "core/PresetRecord.h"
#include "core/PresetSystemHooks.h"

class CPresetSystemEffect : public AudioEffectX {
public:
    static constexpr VstInt32 kChunkSize = 16376;

    CPresetSystemEffect(audioMasterCallback audioMaster, VstInt32 numPrograms,
                        VstInt32 numParams);
    ~CPresetSystemEffect() override;

    // Host-facing operations.
    // Host UI thread (effMainsChanged 1): registers for MIDI events.
    void resume() override;
    // Any thread: the base part of a parameter change (the effect class calls it last,
    // and only when no preset is being applied). 0..59: store into the current preset,
    // then MIDI learn and unlearn; 60..119: controller assignment; others ignored.
    void setParameter(VstInt32 index, float value) override;
    // Any thread: 60..119 give the assignment values; everything else 0.
    float getParameter(VstInt32 index) override;
    // Host UI thread: the host sees one program, always number 0.
    VstInt32 getProgram() override { return 0; }
    void setProgram(VstInt32) override {}
    // Host UI thread: rename the current preset / read its name (24 characters + NUL).
    void setProgramName(char* name) override;
    void getProgramName(char* text) override;
    // Host UI thread: the whole state, 16376 bytes, valid until the next chunk call.
    VstInt32 getChunk(void** data, bool isPreset) override;
    // Host UI thread: restores bank, assignments and current preset; 0 or -1.
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    // Host audio thread: MIDI control changes drive their assigned parameters.
    VstInt32 processEvents(VstEvents* events) override;
    VstInt32 canDo(char* text) override;

    // Own operations. Called from the editor thread (preset strip, learn buttons), from
    // setChunk on the host UI thread, and for learn from processEvents on the audio
    // thread. setCurrentPreset ignores an index outside 0..60; the effect class
    // overrides it to apply the preset through its full parameter path.
    VstInt32 getCurrentPreset() const { return currentPreset_; }
    virtual void setCurrentPreset(VstInt32 index);
    void setCurrentPresetName(const char* name);
    void setMidiAssignment(VstInt32 parameter, VstInt32 controller);
    void clearParameterAssignment(VstInt32 parameter);
    void clearControllerAssignment(VstInt32 controller);
    VstInt32 getParameterController(VstInt32 parameter);
    VstInt32 getControllerParameter(VstInt32 controller);
    void startMidiLearn();
    void stopMidiLearn();
    void setMidiLearnTarget(VstInt32 parameter);
    void startMidiUnlearn();
    void stopMidiUnlearn();
    VstInt32 getPluginId();
    void loadDefaults();
    void loadFactoryPresets();
    void clearMidiAssignments();

    // Direct access for the editor's preset strip and the file images.
    lumdel::PresetRecord& preset(int index) { return presets_[index]; }
    bool isMidiLearnActive() const { return midiLearnActive_; }
    bool isMidiUnlearnActive() const { return midiUnlearnActive_; }
    VstInt32 getMidiLearnTarget() const { return midiLearnTarget_; }

    // Editor thread: nesting of the loads made in the editor (lumdel::EditorLoadReport).
    // enterEditorLoad answers whether this is the outermost one.
    bool enterEditorLoad() { return editorLoads_++ == 0; }
    void leaveEditorLoad() { --editorLoads_; }

    // The stored value of assignment pseudo-parameter 60 + parameter (no assignment for
    // an index outside 0..59).
    // The editor's preset strip registers itself here (null: none); any thread reads it.
    void setPresetHooks(PresetSystemHooks* hooks) { presetHooks_ = hooks; }

    float assignmentValue(int parameter) const {
        return parameter >= 0 && parameter < 60 ? assignmentValues_[parameter]
                                                : lumdel::kNoAssignmentValue;
    }

protected:
    // The base part of setParameter: stores into the current preset, serves MIDI
    // learn and unlearn, and keeps the controller assignments (60..119).
    void storeParameter(VstInt32 index, float value);
    // The assignment operation of pseudo-parameter 60 + parameter.
    void assignController(int parameter, float value);
    // The editor's preset strip, or null when there is no editor or it has no strip.
    PresetSystemHooks* presetEditor() const { return presetHooks_; }

    lumdel::PresetRecord* presets_ = nullptr;
    VstInt32 currentPreset_ = 0;
    unsigned char* chunkBuffer_ = nullptr;
    VstInt32* parameterController_ = nullptr;
    VstInt32* controllerParameter_ = nullptr;
    bool midiLearnActive_ = false;
    VstInt32 midiLearnTarget_ = lumdel::kNoAssignment;
    bool midiUnlearnActive_ = false;
    bool presetLoading_ = false;
    float assignmentValues_[60] = {};
    int editorLoads_ = 0;
    PresetSystemHooks* presetHooks_ = nullptr;

private:
    void handleControlChange(int controller, int value);
};
