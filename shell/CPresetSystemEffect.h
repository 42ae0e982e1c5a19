// The preset system as the VST 2.4 host sees it: a layer of the effect object
// (AudioEffect, AudioEffectX, CPresetSystemEffect, Orv) over the plug-in's preset store.
// The host sees a single program; everything it saves goes through the chunk; its MIDI
// events arrive here and reach the store as control changes. The class that derives
// from it owns the store and hands it out through presetStore().
#pragma once

#include "AudioEffectX.h"
#include "core/PresetStore.h"

class CPresetSystemEffect : public AudioEffectX {
public:
    static constexpr VstInt32 kChunkSize = lumdel::PresetStore::kChunkSize;

    CPresetSystemEffect(audioMasterCallback audioMaster, VstInt32 numPrograms,
                        VstInt32 numParams);

    // The store this layer serves; it exists for the effect's whole life once the
    // derived class is constructed.
    virtual lumdel::PresetStore& presetStore() = 0;

    // Host-facing operations.
    // Host UI thread (effMainsChanged 1): registers for MIDI events.
    void resume() override;
    // Any thread: the store's part of a parameter change (the effect class calls it
    // last, and only when no preset is being applied). 0..59: store into the current
    // preset, then MIDI learn and unlearn; 60..119: controller assignment.
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

    // Own operations, handed to the store. Called from the editor thread (tests, tools),
    // from setChunk on the host UI thread, and for learn from processEvents on the audio
    // thread. setCurrentPreset ignores an index outside 0..60 and applies the preset
    // through the plug-in's full parameter path.
    VstInt32 getCurrentPreset() { return presetStore().currentPreset(); }
    void setCurrentPreset(VstInt32 index) { presetStore().setCurrentPreset(index); }
    void setCurrentPresetName(const char* name) { presetStore().setCurrentPresetName(name); }
    void setMidiAssignment(VstInt32 parameter, VstInt32 controller) {
        presetStore().setMidiAssignment(parameter, controller);
    }
    void clearParameterAssignment(VstInt32 p) { presetStore().clearParameterAssignment(p); }
    void clearControllerAssignment(VstInt32 c) { presetStore().clearControllerAssignment(c); }
    VstInt32 getParameterController(VstInt32 p) { return presetStore().parameterController(p); }
    VstInt32 getControllerParameter(VstInt32 c) { return presetStore().controllerParameter(c); }
    void startMidiLearn() { presetStore().startMidiLearn(); }
    void stopMidiLearn() { presetStore().stopMidiLearn(); }
    void setMidiLearnTarget(VstInt32 parameter) { presetStore().setMidiLearnTarget(parameter); }
    void startMidiUnlearn() { presetStore().startMidiUnlearn(); }
    void stopMidiUnlearn() { presetStore().stopMidiUnlearn(); }
    VstInt32 getPluginId() { return presetStore().pluginId(); }
    void loadFactoryPresets() { presetStore().loadFactoryPresets(); }
    void clearMidiAssignments() { presetStore().clearMidiAssignments(); }
    lumdel::PresetRecord& preset(int index) { return presetStore().preset(index); }
    bool isMidiLearnActive() { return presetStore().isMidiLearnActive(); }
    bool isMidiUnlearnActive() { return presetStore().isMidiUnlearnActive(); }
    VstInt32 getMidiLearnTarget() { return presetStore().midiLearnTarget(); }
    float assignmentValue(int parameter) { return presetStore().assignmentValue(parameter); }
};
