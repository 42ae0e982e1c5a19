#include "CPresetSystemEffect.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <initializer_list>

#include "core/ParameterTable.h"
#include "core/FactoryPresets.h"

using namespace lumdel;

namespace {

// Chunk layout: header words, reserved words, 61 records, 60 assignment values.
constexpr std::int32_t kChunkFormat = 0x01000000;
constexpr int kFormatOffset = 0;
constexpr int kIdOffset = 4;
constexpr int kCountOffset = 8;
constexpr int kCurrentOffset = 12;
constexpr int kRecordsOffset = 32;
constexpr int kAssignmentsOffset = kRecordsOffset + kNumPresets * 264;
static_assert(kAssignmentsOffset == 16136, "assignments follow the 61 records");
static_assert(kAssignmentsOffset + 60 * 4 == CPresetSystemEffect::kChunkSize,
              "the chunk ends after the assignments");

std::int32_t readWord(const unsigned char* p) {
    std::int32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

void writeWord(unsigned char* p, std::int32_t w) { std::memcpy(p, &w, 4); }

void reverseWord(unsigned char* p) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    w = __builtin_bswap32(w);
    std::memcpy(p, &w, 4);
}

// Reverses every numeric word of a chunk except the identifier; names stay as they are.
void reverseChunkWords(unsigned char* chunk) {
    for (int offset : {0, 8, 12, 16, 20, 24, 28}) reverseWord(chunk + offset);
    for (int k = 0; k < kNumPresets; ++k) {
        unsigned char* values = chunk + kRecordsOffset + 264 * k + kPresetNameSize;
        for (int j = 0; j < kNumParams; ++j) reverseWord(values + 4 * j);
    }
    for (int j = 0; j < kNumParams; ++j) reverseWord(chunk + kAssignmentsOffset + 4 * j);
}

}  // namespace

CPresetSystemEffect::CPresetSystemEffect(audioMasterCallback audioMaster, VstInt32 numPrograms,
                                         VstInt32 numParams)
    : AudioEffectX(audioMaster, numPrograms, numParams) {
    programsAreChunks();
    // All four arrays exist before any is kept: when one cannot be had (std::bad_alloc)
    // the others go with the unwinding instead of leaking.
    auto chunk = std::make_unique<unsigned char[]>(kChunkSize);
    auto presets = std::make_unique<PresetRecord[]>(kNumPresets);
    auto parameterController = std::make_unique<VstInt32[]>(kNumParams);
    auto controllerParameter = std::make_unique<VstInt32[]>(128);
    chunkBuffer_ = chunk.release();
    presets_ = presets.release();
    parameterController_ = parameterController.release();
    controllerParameter_ = controllerParameter.release();
    curProgram_ = 0;
    currentPreset_ = 0;
    loadFactoryPresets();
    clearMidiAssignments();
    midiLearnActive_ = false;
    midiLearnTarget_ = kNoAssignment;
    midiUnlearnActive_ = false;
    // The effect class's setParameter is not in force yet: store through our own part.
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
        // A non-finite value is never stored: the preset keeps its last sound value.
        if (std::isfinite(value)) presets_[currentPreset_].values[index] = value;
        if (midiLearnActive_) midiLearnTarget_ = index;
        if (midiUnlearnActive_) {
            clearParameterAssignment(index);
            stopMidiUnlearn();
        }
    } else if (index >= kNumParams && index < kNumParams + kNumAssignmentParams) {
        assignController(index - kNumParams, value);
    }
}

float CPresetSystemEffect::getParameter(VstInt32 index) {
    if (!presets_ || !parameterController_ || !controllerParameter_) return -1.0f;
    if (index >= kNumParams && index < kNumParams + kNumAssignmentParams)
        return assignmentValues_[index - kNumParams];
    return 0.0f;
}

void CPresetSystemEffect::setProgramName(char* name) {
    if (!name) return;
    copyPresetName(presets_[currentPreset_].name, name);
    if (PresetSystemHooks* hooks = presetEditor()) {
        char stored[kPresetNameSize + 1];
        std::memcpy(stored, presets_[currentPreset_].name, kPresetNameSize);
        stored[kPresetNameSize] = 0;
        hooks->presetNameChanged(stored);
    }
}

void CPresetSystemEffect::getProgramName(char* text) {
    if (!text) return;
    std::memcpy(text, presets_[currentPreset_].name, kPresetNameSize);
    text[kPresetNameSize] = 0;
}

bool CPresetSystemEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (!text || index < 0 || index > kNumPresets - 1) return false;
    std::memcpy(text, presets_[index].name, kPresetNameSize);
    text[kPresetNameSize] = 0;
    return true;
}

VstInt32 CPresetSystemEffect::getChunk(void** data, bool) {
    std::memset(chunkBuffer_, 0, kChunkSize);
    writeWord(chunkBuffer_ + kFormatOffset, kChunkFormat);
    writeWord(chunkBuffer_ + kIdOffset, getPluginId());
    writeWord(chunkBuffer_ + kCountOffset, kNumPresets);
    writeWord(chunkBuffer_ + kCurrentOffset, currentPreset_);
    std::memcpy(chunkBuffer_ + kRecordsOffset, presets_, kNumPresets * sizeof(PresetRecord));
    std::memcpy(chunkBuffer_ + kAssignmentsOffset, assignmentValues_, sizeof assignmentValues_);
    if (data) *data = chunkBuffer_;
    return kChunkSize;
}

VstInt32 CPresetSystemEffect::setChunk(void* data, VstInt32 byteSize, bool) {
    if (!data || byteSize != kChunkSize) return -1;
    // The host may hand back the very buffer getChunk gave it.
    if (data != chunkBuffer_) std::memcpy(chunkBuffer_, data, kChunkSize);

    const std::int32_t id = getPluginId();
    const std::int32_t chunkId = readWord(chunkBuffer_ + kIdOffset);
    if (chunkId != id) {
        if (chunkId != static_cast<std::int32_t>(__builtin_bswap32(static_cast<std::uint32_t>(id))))
            return -1;
        reverseChunkWords(chunkBuffer_);
    }
    if (readWord(chunkBuffer_ + kFormatOffset) != kChunkFormat) return 0;
    if (readWord(chunkBuffer_ + kCountOffset) != kNumPresets) return -1;
    const std::int32_t current = readWord(chunkBuffer_ + kCurrentOffset);

    // Everything is checked: from here on the whole state is taken over.
    std::memcpy(presets_, chunkBuffer_ + kRecordsOffset, kNumPresets * sizeof(PresetRecord));
    for (int k = 0; k < kNumPresets; ++k) sanitizePresetValues(presets_[k]);
    float assignments[kNumAssignmentParams];
    std::memcpy(assignments, chunkBuffer_ + kAssignmentsOffset, sizeof assignments);
    for (int j = 0; j < kNumAssignmentParams; ++j) setParameter(kNumParams + j, assignments[j]);
    if (current >= 0 && current < kNumPresets) setCurrentPreset(current);
    return 0;
}

VstInt32 CPresetSystemEffect::canDo(char* text) {
    if (text && std::strcmp(text, "receiveVstMidiEvent") == 0)
        return canHostDo("sendVstMidiEvent") == 1 ? 1 : 0;
    return 0;
}

void CPresetSystemEffect::setCurrentPreset(VstInt32 index) {
    if (index < 0 || index >= kNumPresets) return;
    sanitizePresetValues(presets_[index]);
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

VstInt32 CPresetSystemEffect::getPluginId() { return cEffect_.uniqueID; }

void CPresetSystemEffect::loadDefaults() {
    if (PresetSystemHooks* hooks = presetEditor()) hooks->loadDefaults();
}

void CPresetSystemEffect::loadFactoryPresets() {
    for (int k = 0; k < kNumPresets; ++k) {
        const FactoryPreset& row = kFactoryPresets[k];
        copyPresetName(presets_[k].name, row.name);
        for (int i = 0; i < kNumParams; ++i)
            presets_[k].values[i] = static_cast<float>(row.values[i]);
    }
}
