// Second layer of the effect object: the dispatcher for opcodes 25 and up, and thin
// wrappers around the host callback.
#pragma once

#include "AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
        : AudioEffect(audioMaster, numPrograms, numParams) {}

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;

    // Audio thread: the host's MIDI events for this block.
    virtual VstInt32 processEvents(VstEvents*) { return 0; }
    virtual bool canParameterBeAutomated(VstInt32) { return true; }
    virtual bool getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
        return false;
    }
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstInt32 canDo(char*) { return 0; }
    virtual bool getParameterProperties(VstInt32, VstParameterProperties*) { return false; }
    virtual VstInt32 getVstVersion() { return 2400; }

    // Host callback wrappers; each answers 0 or false when no callback is set.
    VstTimeInfo* getTimeInfo(VstInt32 filter);
    bool wantEvents(VstInt32 filter = 1);
    VstInt32 canHostDo(const char* text);
    bool updateDisplay();
    // Asks the host to make the editor's window width x height pixels.
    bool sizeWindow(VstInt32 width, VstInt32 height);
    bool beginEdit(VstInt32 index);
    bool endEdit(VstInt32 index);
    VstInt32 getOutputLatency();
};
