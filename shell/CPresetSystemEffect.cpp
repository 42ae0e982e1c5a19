#include "CPresetSystemEffect.h"

#include <cstring>

#include "core/ParameterTable.h"

using namespace lumdel;

CPresetSystemEffect::CPresetSystemEffect(audioMasterCallback audioMaster, VstInt32 numPrograms,
                                         VstInt32 numParams)
    : AudioEffectX(audioMaster, numPrograms, numParams) {
    programsAreChunks();
    curProgram_ = 0;
}

void CPresetSystemEffect::resume() { wantEvents(1); }

void CPresetSystemEffect::setParameter(VstInt32 index, float value) {
    presetStore().storeParameter(index, value);
}

float CPresetSystemEffect::getParameter(VstInt32 index) {
    if (index >= kNumParams && index < kNumParams + kNumAssignmentParams)
        return presetStore().assignmentValue(index - kNumParams);
    return 0.0f;
}

void CPresetSystemEffect::setProgramName(char* name) { presetStore().renameByHost(name); }

void CPresetSystemEffect::getProgramName(char* text) {
    presetStore().presetName(presetStore().currentPreset(), text);
}

bool CPresetSystemEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    return presetStore().presetName(index, text);
}

VstInt32 CPresetSystemEffect::getChunk(void** data, bool) {
    const unsigned char* chunk = presetStore().makeChunk();
    if (data) *data = const_cast<unsigned char*>(chunk);
    return kChunkSize;
}

VstInt32 CPresetSystemEffect::setChunk(void* data, VstInt32 byteSize, bool) {
    return presetStore().loadChunk(data, byteSize);
}

VstInt32 CPresetSystemEffect::canDo(char* text) {
    if (text && std::strcmp(text, "receiveVstMidiEvent") == 0)
        return canHostDo("sendVstMidiEvent") == 1 ? 1 : 0;
    return 0;
}

VstInt32 CPresetSystemEffect::processEvents(VstEvents* events) {
    if (!events) return 1;
    for (VstInt32 n = 0; n < events->numEvents; ++n) {
        const VstEvent* event = events->events[n];
        if (!event || event->type != kVstMidiType) continue;
        // Only the three MIDI bytes are read; byteSize and flags are not trusted.
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const auto status = static_cast<unsigned char>(midi->midiData[0]);
        if ((status & 0xF0) != 0xB0) continue;
        presetStore().controlChange(static_cast<unsigned char>(midi->midiData[1]),
                                    static_cast<unsigned char>(midi->midiData[2]));
    }
    return 1;
}
