#include "AudioEffect.h"

#include "AEffEditor.h"

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms,
                         VstInt32 numParams)
    : audioMaster_(audioMaster), numPrograms_(numPrograms), numParams_(numParams) {
    // The record is zeroed (value-initialised above), then filled in.
    cEffect_.magic = kEffectMagic;
    cEffect_.dispatcher = &AudioEffect::dispatchEffect;
    cEffect_.process = &AudioEffect::processAccumulating;
    cEffect_.setParameter = &AudioEffect::setParameterTrampoline;
    cEffect_.getParameter = &AudioEffect::getParameterTrampoline;
    cEffect_.numPrograms = numPrograms;
    cEffect_.numParams = numParams;
    cEffect_.numInputs = 1;
    cEffect_.numOutputs = 2;
    cEffect_.ioRatio = 1.0f;
    cEffect_.object = this;
    cEffect_.uniqueID = vstFourCC('N', 'o', 'E', 'f');
    cEffect_.version = 1;
    cEffect_.processReplacing = &AudioEffect::processReplacingTrampoline;
    cEffect_.processDoubleReplacing = &AudioEffect::processDoubleTrampoline;
}

AudioEffect::~AudioEffect() { delete editor_; }

void AudioEffect::setEditor(AEffEditor* editor) {
    editor_ = editor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

void AudioEffect::setFlag(VstInt32 flag, bool state) {
    if (state)
        cEffect_.flags |= flag;
    else
        cEffect_.flags &= ~flag;
}

void AudioEffect::canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
void AudioEffect::canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
void AudioEffect::programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }

VstInt32 AudioEffect::getChunk(void** data, bool) {
    if (data) *data = nullptr;
    return 0;
}

VstInt32 AudioEffect::setChunk(void*, VstInt32, bool) { return 0; }

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
    if (!audioMaster_) return 0;
    return audioMaster_(&cEffect_, opcode, index, value, ptr, opt);
}

VstInt32 AudioEffect::getMasterVersion() {
    VstInt32 version = static_cast<VstInt32>(callHost(audioMasterVersion));
    return version;
}

// The host answers 0 for a connected pin; without a host every pin counts as connected.
bool AudioEffect::isInputConnected(VstInt32 input) {
    if (!audioMaster_) return true;
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    if (!audioMaster_) return true;
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effOpen:
            open();
            return 0;
        case effClose:
            close();
            return 1;
        case effSetProgram:
            if (value < numPrograms_) setProgram(static_cast<VstInt32>(value));
            return 0;
        case effGetProgram:
            return getProgram();
        case effSetProgramName:
            if (text) setProgramName(text);
            return 0;
        case effGetProgramName:
            if (text) getProgramName(text);
            return 0;
        case effGetParamLabel:
            if (text) getParameterLabel(index, text);
            return 0;
        case effGetParamDisplay:
            if (text) getParameterDisplay(index, text);
            return 0;
        case effGetParamName:
            if (text) getParameterName(index, text);
            return 0;
        case effSetSampleRate:
            setSampleRate(opt);
            return 0;
        case effSetBlockSize:
            setBlockSize(static_cast<VstInt32>(value));
            return 0;
        case effMainsChanged:
            if (value)
                resume();
            else
                suspend();
            return 0;
        case effEditGetRect:
            if (editor_ && ptr) return editor_->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
            return 0;
        case effEditOpen:
            if (editor_) return editor_->open(ptr) ? 1 : 0;
            return 0;
        case effEditClose:
            if (editor_) editor_->close();
            return 0;
        case effEditIdle:
            if (editor_) editor_->idle();
            return 0;
        case effIdentify:
            return vstFourCC('N', 'v', 'E', 'f');
        case effGetChunk:
            if (!ptr) return 0;
            return getChunk(static_cast<void**>(ptr), index != 0);
        case effSetChunk:
            return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
        default:
            return 0;
    }
}

// The trampolines are the plug-in's C entry points: no exception may leave them. One
// that escapes an operation (std::bad_alloc, in practice) ends that operation with the
// answer 0, and a block with silence.

VstIntPtr AudioEffect::dispatchEffect(AEffect* e, VstInt32 opcode, VstInt32 index,
                                      VstIntPtr value, void* ptr, float opt) {
    if (!e || !e->object) return 0;
    auto* effect = static_cast<AudioEffect*>(e->object);
    if (opcode == effClose) {
        try {
            effect->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
        }
        delete effect;
        return 1;
    }
    try {
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void AudioEffect::processAccumulating(AEffect*, float**, float**, VstInt32) {}

void AudioEffect::setParameterTrampoline(AEffect* e, VstInt32 index, float value) {
    if (!e || !e->object) return;
    try {
        static_cast<AudioEffect*>(e->object)->setParameter(index, value);
    } catch (...) {
    }
}

float AudioEffect::getParameterTrampoline(AEffect* e, VstInt32 index) {
    if (!e || !e->object) return 0.0f;
    try {
        return static_cast<AudioEffect*>(e->object)->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

template <typename T>
void AudioEffect::silence(AEffect* e, T** outputs, VstInt32 sampleFrames) {
    if (!outputs || sampleFrames <= 0) return;
    for (VstInt32 c = 0; c < e->numOutputs; ++c)
        if (outputs[c])
            for (VstInt32 i = 0; i < sampleFrames; ++i) outputs[c][i] = T(0);
}

void AudioEffect::processReplacingTrampoline(AEffect* e, float** inputs, float** outputs,
                                             VstInt32 sampleFrames) {
    if (!e || !e->object) return;
    try {
        static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
        silence(e, outputs, sampleFrames);
    }
}

void AudioEffect::processDoubleTrampoline(AEffect* e, double** inputs, double** outputs,
                                          VstInt32 sampleFrames) {
    if (!e || !e->object) return;
    try {
        static_cast<AudioEffect*>(e->object)->processDoubleReplacing(inputs, outputs,
                                                                     sampleFrames);
    } catch (...) {
        silence(e, outputs, sampleFrames);
    }
}
