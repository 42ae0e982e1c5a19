#include "AudioEffectX.h"

#include "AEffEditor.h"

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::wantEvents(VstInt32 filter) {
    return callHost(audioMasterWantMidi, 0, filter) != 0;
}

VstInt32 AudioEffectX::canHostDo(const char* text) {
    return static_cast<VstInt32>(callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)));
}

bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::beginEdit(VstInt32 index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(VstInt32 index) { return callHost(audioMasterEndEdit, index) != 0; }

VstInt32 AudioEffectX::getOutputLatency() {
    return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency));
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effProcessEvents:
            return processEvents(static_cast<VstEvents*>(ptr));
        case effCanBeAutomated:
            return canParameterBeAutomated(index) ? 1 : 0;
        case effString2Parameter:
            return 0;
        case effGetProgramNameIndexed:
            if (!text) return 0;
            return getProgramNameIndexed(static_cast<VstInt32>(value), index, text) ? 1 : 0;
        case effGetInputProperties:
        case effGetOutputProperties:
            return 0;
        case effGetPlugCategory:
            return (cEffect_.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
        case effOfflineNotify:
        case effOfflinePrepare:
        case effOfflineRun:
        case effProcessVarIo:
            return 0;
        case effSetSpeakerArrangement:
            return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                         static_cast<VstSpeakerArrangement*>(ptr))
                       ? 1
                       : 0;
        case effSetBypass:
            return 0;
        case effGetEffectName:
            if (!text) return 0;
            return getEffectName(text) ? 1 : 0;
        case effGetVendorString:
            if (!text) return 0;
            return getVendorString(text) ? 1 : 0;
        case effGetProductString:
            if (!text) return 0;
            return getProductString(text) ? 1 : 0;
        case effGetVendorVersion:
            return getVendorVersion();
        case effVendorSpecific:
            // Only our own tools use it, marked with the plug-in's code as index.
            if (editor_ && index == vstFourCC('L', 'M', 'D', 'L'))
                return editor_->vendorSpecific(value, ptr, opt);
            return 0;
        case effCanDo:
            if (!text) return 0;
            return canDo(text);
        case effGetTailSize:
            return 0;
        case effGetParameterProperties:
            if (!ptr) return 0;
            return getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1
                                                                                           : 0;
        case effGetVstVersion:
            return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp: {
            if (!editor_) return 0;
            VstKeyCode key{index, static_cast<unsigned char>(value),
                           static_cast<unsigned char>(opt)};
            bool used = opcode == effEditKeyDown ? editor_->onKeyDown(key) : editor_->onKeyUp(key);
            return used ? 1 : 0;
        }
        case effSetEditKnobMode:
            if (!editor_) return 0;
            return editor_->setKnobMode(static_cast<VstInt32>(value)) ? 1 : 0;
        case effGetMidiProgramName:
        case effGetMidiProgramCategory:
        case effShellGetNextPlugin:
            return 0;
        case effGetCurrentMidiProgram:
            return -1;
        case effHasMidiProgramsChanged:
        case effGetMidiKeyName:
        case effBeginSetProgram:
        case effEndSetProgram:
        case effStartProcess:
        case effStopProcess:
        case effSetPanLaw:
        case effBeginLoadBank:
        case effBeginLoadProgram:
        case effSetProcessPrecision:
        case effGetNumMidiInputChannels:
        case effGetNumMidiOutputChannels:
            return 0;
        case effGetSpeakerArrangement: {
            auto** in = reinterpret_cast<VstSpeakerArrangement**>(value);
            auto** out = static_cast<VstSpeakerArrangement**>(ptr);
            if (in) *in = nullptr;
            if (out) *out = nullptr;
            return 0;
        }
        case effSetTotalSampleToProcess:
            return value;
        default:
            return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}
