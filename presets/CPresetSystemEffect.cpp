#include "CPresetSystemEffect.h"

#include <cstring>

#include "../shell/ParameterTable.h"

using namespace lumdel;

void lumdel::copyPresetName(char (&field)[kPresetNameSize], const char* text) {
    size_t n = 0;
    while (n < kPresetNameSize && text[n]) ++n;
    if (n < kPresetNameSize) {
        std::memset(field, 0, kPresetNameSize);
        std::memcpy(field, text, n + 1);
    } else {
        std::memcpy(field, text, kPresetNameSize);
    }
}

CPresetSystemEffect::CPresetSystemEffect(audioMasterCallback audioMaster, VstInt32 numPrograms,
                                         VstInt32 numParams)
    : AudioEffectX(audioMaster, numPrograms, numParams) {
    programsAreChunks();
    chunkBuffer_ = new unsigned char[kChunkSize]();
    curProgram_ = 0;
    currentPreset_ = 0;
    presets_ = new PresetRecord[kNumPresets]();
    loadFactoryPresets();
    parameterController_ = new VstInt32[60];
    controllerParameter_ = new VstInt32[128];
    clearMidiAssignments();
    midiLearnActive_ = false;
    midiLearnTarget_ = kNoAssignment;
    midiUnlearnActive_ = false;
    presetLoading_ = true;
    for (int i = 0; i < kNumParams; ++i) storeParameter(i, presets_[0].values[i]);
    presetLoading_ = false;
}

CPresetSystemEffect::~CPresetSystemEffect() {
    delete[] presets_;
    delete[] parameterController_;
    delete[] controllerParameter_;
    delete[] chunkBuffer_;
}

void CPresetSystemEffect::resume() { wantEvents(1); }

void CPresetSystemEffect::setParameter(VstInt32 index, float value) {
    storeParameter(index, value);
}

void CPresetSystemEffect::storeParameter(VstInt32 index, float value) {
    if (index >= 0 && index < kNumParams) {
        presets_[currentPreset_].values[index] = value;
    } else if (index >= kNumParams && index < kNumParams + kNumAssignmentParams) {
        assignmentValues_[index - kNumParams] = value;
    }
}

float CPresetSystemEffect::getParameter(VstInt32 index) {
    if (index >= kNumParams && index < kNumParams + kNumAssignmentParams)
        return assignmentValues_[index - kNumParams];
    return 0.0f;
}

void CPresetSystemEffect::setProgramName(char* name) {
    copyPresetName(presets_[currentPreset_].name, name);
}

void CPresetSystemEffect::getProgramName(char* text) {
    std::memcpy(text, presets_[currentPreset_].name, kPresetNameSize);
    text[kPresetNameSize] = 0;
}

VstInt32 CPresetSystemEffect::getChunk(void** data, bool) {
    *data = chunkBuffer_;
    return kChunkSize;
}

VstInt32 CPresetSystemEffect::setChunk(void* data, VstInt32 byteSize, bool) {
    if (!data || byteSize != kChunkSize) return -1;
    return 0;
}

bool CPresetSystemEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (index < 0 || index > kNumPresets - 1) return false;
    std::memcpy(text, presets_[index].name, kPresetNameSize);
    text[kPresetNameSize] = 0;
    return true;
}

VstInt32 CPresetSystemEffect::processEvents(VstEvents*) { return 1; }

VstInt32 CPresetSystemEffect::canDo(char* text) {
    if (std::strcmp(text, "receiveVstMidiEvent") == 0)
        return canHostDo("sendVstMidiEvent") == 1 ? 1 : 0;
    return 0;
}

void CPresetSystemEffect::setCurrentPreset(VstInt32 index) {
    presetLoading_ = true;
    curProgram_ = 0;
    currentPreset_ = index;
    for (int i = 0; i < kNumParams; ++i) setParameter(i, presets_[index].values[i]);
    updateDisplay();
    presetLoading_ = false;
}

void CPresetSystemEffect::setCurrentPresetName(const char* name) {
    curProgram_ = 0;
    if (name) copyPresetName(presets_[currentPreset_].name, name);
    updateDisplay();
}

void CPresetSystemEffect::setMidiAssignment(VstInt32, VstInt32) {}
void CPresetSystemEffect::clearParameterAssignment(VstInt32) {}
void CPresetSystemEffect::clearControllerAssignment(VstInt32) {}
VstInt32 CPresetSystemEffect::getParameterController(VstInt32) { return kNoAssignment; }
VstInt32 CPresetSystemEffect::getControllerParameter(VstInt32) { return kNoAssignment; }

bool CPresetSystemEffect::fetchUpdateFlag() {
    bool flag = updateFlag_;
    updateFlag_ = false;
    return flag;
}

void CPresetSystemEffect::startMidiLearn() {}
void CPresetSystemEffect::stopMidiLearn() {}
void CPresetSystemEffect::setMidiLearnTarget(VstInt32) {}
void CPresetSystemEffect::startMidiUnlearn() {}
void CPresetSystemEffect::stopMidiUnlearn() {}
VstInt32 CPresetSystemEffect::getPluginId() { return cEffect_.uniqueID; }
void CPresetSystemEffect::loadDefaults() {}

void CPresetSystemEffect::loadFactoryPresets() {
    for (int k = 0; k < kNumPresets; ++k) {
        copyPresetName(presets_[k].name, k == 0 ? "Default" : "");
        for (int i = 0; i < kNumParams; ++i)
            presets_[k].values[i] = static_cast<float>(kParams[i].preset0);
    }
}

void CPresetSystemEffect::clearMidiAssignments() {
    for (int c = 0; c < 128; ++c) controllerParameter_[c] = kNoAssignment;
    for (int i = 0; i < 60; ++i) {
        parameterController_[i] = kNoAssignment;
        assignmentValues_[i] = fromStep(kNoAssignment, 129);
    }
}
