#include "PresetStore.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "FactoryPresets.h"
#include "ParameterTable.h"

namespace lumdel {

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
static_assert(kAssignmentsOffset + 60 * 4 == PresetStore::kChunkSize,
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

bool validPresetIndex(int index) { return index >= 0 && index < kNumPresets; }

}  // namespace

PresetStore::PresetStore(PresetStoreOwner& owner)
    : owner_(owner),
      presets_(std::make_unique<PresetRecord[]>(kNumPresets)),
      chunk_(std::make_unique<unsigned char[]>(kChunkSize)),
      parameterController_(std::make_unique<std::int32_t[]>(kNumParams)),
      controllerParameter_(std::make_unique<std::int32_t[]>(128)) {
    loadFactoryPresets();
    clearMidiAssignments();
}

PresetStore::~PresetStore() = default;

void PresetStore::loadFactoryPresets() {
    for (int k = 0; k < kNumPresets; ++k) {
        const FactoryPreset& row = kFactoryPresets[k];
        copyPresetName(presets_[k].name, row.name);
        for (int i = 0; i < kNumParams; ++i)
            presets_[k].values[i] = static_cast<float>(row.values[i]);
    }
}

void PresetStore::setCurrentPreset(int index) {
    if (validPresetIndex(index)) owner_.applyPreset(index);
}

void PresetStore::applyPresetValues(int index) {
    if (!validPresetIndex(index)) return;
    sanitizePresetValues(presets_[index]);
    loading_ = true;
    current_ = index;
    for (int i = 0; i < kNumParams; ++i) owner_.setParameter(i, presets_[index].values[i]);
    owner_.presetsChanged();
    loading_ = false;
}

void PresetStore::setCurrentPresetName(const char* name) {
    if (name) copyPresetName(presets_[current_].name, name);
    owner_.presetsChanged();
}

void PresetStore::renameByHost(const char* name) {
    if (!name) return;
    copyPresetName(presets_[current_].name, name);
    if (PresetSystemHooks* hooks = hooks_) {
        char stored[kPresetNameSize + 1];
        presetName(current_, stored);
        hooks->presetNameChanged(stored);
    }
}

bool PresetStore::presetName(int index, char* text) const {
    if (!text || !validPresetIndex(index)) return false;
    std::memcpy(text, presets_[index].name, kPresetNameSize);
    text[kPresetNameSize] = 0;
    return true;
}

void PresetStore::storeParameter(int index, float value) {
    if (index >= 0 && index < kNumParams) {
        // A non-finite value is never stored: the preset keeps its last sound value.
        if (std::isfinite(value)) presets_[current_].values[index] = value;
        if (learnActive_) learnTarget_ = index;
        if (unlearnActive_) {
            clearParameterAssignment(index);
            stopMidiUnlearn();
        }
    } else if (index >= kNumParams && index < kNumParams + kNumAssignmentParams) {
        assignController(index - kNumParams, value);
    }
}

float PresetStore::assignmentValue(int parameter) const {
    return parameter >= 0 && parameter < kNumParams ? assignmentValues_[parameter]
                                                    : kNoAssignmentValue;
}

const unsigned char* PresetStore::makeChunk() {
    unsigned char* chunk = chunk_.get();
    std::memset(chunk, 0, kChunkSize);
    writeWord(chunk + kFormatOffset, kChunkFormat);
    writeWord(chunk + kIdOffset, kPluginId);
    writeWord(chunk + kCountOffset, kNumPresets);
    writeWord(chunk + kCurrentOffset, current_);
    std::memcpy(chunk + kRecordsOffset, presets_.get(), kNumPresets * sizeof(PresetRecord));
    std::memcpy(chunk + kAssignmentsOffset, assignmentValues_, sizeof assignmentValues_);
    return chunk;
}

int PresetStore::loadChunk(const void* data, std::int64_t byteSize) {
    if (!data || byteSize != kChunkSize) return -1;
    unsigned char* chunk = chunk_.get();
    if (data != chunk) std::memcpy(chunk, data, kChunkSize);

    const std::int32_t chunkId = readWord(chunk + kIdOffset);
    if (chunkId != kPluginId) {
        if (chunkId != static_cast<std::int32_t>(
                           __builtin_bswap32(static_cast<std::uint32_t>(kPluginId))))
            return -1;
        reverseChunkWords(chunk);
    }
    if (readWord(chunk + kFormatOffset) != kChunkFormat) return 0;
    if (readWord(chunk + kCountOffset) != kNumPresets) return -1;
    const std::int32_t current = readWord(chunk + kCurrentOffset);

    // Everything is checked: from here on the whole state is taken over.
    std::memcpy(presets_.get(), chunk + kRecordsOffset, kNumPresets * sizeof(PresetRecord));
    for (int k = 0; k < kNumPresets; ++k) sanitizePresetValues(presets_[k]);
    float assignments[kNumAssignmentParams];
    std::memcpy(assignments, chunk + kAssignmentsOffset, sizeof assignments);
    for (int j = 0; j < kNumAssignmentParams; ++j)
        owner_.setParameter(kNumParams + j, assignments[j]);
    if (validPresetIndex(current)) setCurrentPreset(current);
    return 0;
}

// A stored image is taken only when it has the full size of its kind (or of the older
// format's): a damaged value must not half-replace a bank at start-up. The bank load
// makes preset 0 current whatever it finds.
void PresetStore::loadStoredDefaults(const SettingsStore& settings, PresetStripView* view) {
    std::vector<unsigned char> image;
    readStoredImage(settings, stored_value::kDefaultBank, ImageKind::Bank, image);
    loadBankImage(*this, view, image.data(), false);
    readStoredImage(settings, stored_value::kDefaultPreset, ImageKind::Preset, image);
    loadPresetImage(*this, view, image.data(), false);
    readStoredImage(settings, stored_value::kDefaultMidi, ImageKind::Midi, image);
    loadMidiImage(*this, image.data(), false);
}

}  // namespace lumdel
