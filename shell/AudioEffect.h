// First layer of the effect object: the host record, the static trampolines the
// record points to, and the dispatcher for opcodes 0 to 24.
//
// The rule of every entry point (the trampolines here and the library's entry point,
// shell/CreateEffect.cpp): no exception leaves it. The host is C; an exception crossing
// into it terminates the host. An operation that throws (std::bad_alloc, in practice:
// the code throws nothing else on purpose) ends with the answer 0, a block with
// silence, and effClose still destroys the object. Allocation failure in particular:
// - while the effect is created: the entry point answers null, and the half-built
//   effect is freed by its members' destructors;
// - at resume (new buffers for another sample rate): the engine keeps its old buffers
//   and the blocks are silent until a resume gets the memory;
// - nowhere else: the audio thread never allocates.
// Destructors must not throw either (they run in effClose); code that may allocate in
// one catches what it throws.
#pragma once

#include "vst2.h"

class AEffEditor;

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    AEffect* getAeffect() { return &cEffect_; }

    // Host UI thread: every opcode the host sends arrives here first.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void setProgram(VstInt32 program) { curProgram_ = program; }
    virtual VstInt32 getProgram() { return curProgram_; }
    virtual void setProgramName(char*) {}
    virtual void getProgramName(char* name) { *name = 0; }
    virtual void getParameterLabel(VstInt32, char* label) { *label = 0; }
    virtual void getParameterDisplay(VstInt32, char* text) { *text = 0; }
    virtual void getParameterName(VstInt32, char* text) { *text = 0; }
    virtual void setSampleRate(float sampleRate) { sampleRate_ = sampleRate; }
    virtual void setBlockSize(VstInt32 blockSize) { blockSize_ = blockSize; }
    virtual void suspend() {}
    virtual void resume() {}
    virtual VstInt32 getChunk(void** data, bool isPreset);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset);

    // Host UI or audio thread: parameter entry points of the host record.
    virtual void setParameter(VstInt32, float) {}
    virtual float getParameter(VstInt32) { return 0.0f; }
    // Host audio thread.
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double**, double**, VstInt32) {}

    // Applies a value through setParameter, then reports it to the host as automation.
    virtual void setParameterAutomated(VstInt32 index, float value);

    float getSampleRate() const { return sampleRate_; }
    VstInt32 getBlockSize() const { return blockSize_; }
    AEffEditor* getEditor() const { return editor_; }
    // Takes ownership of the editor and announces it in the host record.
    void setEditor(AEffEditor* editor);
    audioMasterCallback getAudioMaster() const { return audioMaster_; }

    // Host callback wrappers: 0 (or false) without a callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    virtual VstInt32 getMasterVersion();
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);

protected:
    void setUniqueID(VstInt32 id) { cEffect_.uniqueID = id; }
    void setNumInputs(VstInt32 n) { cEffect_.numInputs = n; }
    void setNumOutputs(VstInt32 n) { cEffect_.numOutputs = n; }
    void canProcessReplacing(bool state = true);
    void canDoubleReplacing(bool state = true);
    void programsAreChunks(bool state = true);
    void setFlag(VstInt32 flag, bool state);

    AEffect cEffect_{};
    audioMasterCallback audioMaster_;
    AEffEditor* editor_ = nullptr;
    float sampleRate_ = 44100.0f;
    VstInt32 blockSize_ = 1024;
    VstInt32 numPrograms_;
    VstInt32 numParams_;
    VstInt32 curProgram_ = 0;

private:
    static VstIntPtr dispatchEffect(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                    void* ptr, float opt);
    static void processAccumulating(AEffect* e, float** inputs, float** outputs,
                                    VstInt32 sampleFrames);
    static void setParameterTrampoline(AEffect* e, VstInt32 index, float value);
    static float getParameterTrampoline(AEffect* e, VstInt32 index);
    static void processReplacingTrampoline(AEffect* e, float** inputs, float** outputs,
                                           VstInt32 sampleFrames);
    static void processDoubleTrampoline(AEffect* e, double** inputs, double** outputs,
                                        VstInt32 sampleFrames);
    // The outputs of a block that could not run.
    template <typename T>
    static void silence(AEffect* e, T** outputs, VstInt32 sampleFrames);
};
