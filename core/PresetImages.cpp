#include "PresetImages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "ParameterTable.h"
#include "PresetRecord.h"
#include "PresetStore.h"
#include "SettingsStore.h"

namespace lumdel {

namespace {

constexpr std::size_t kRecordSize = sizeof(PresetRecord);             // 264
constexpr std::size_t kPredecessorRecordSize = kPresetNameSize + 4 * 48;  // 216

std::uint32_t byteSwap(std::uint32_t w) {
    return (w >> 24) | ((w >> 8) & 0xFF00u) | ((w << 8) & 0xFF0000u) | (w << 24);
}

std::int32_t readNativeWord(const unsigned char* p) {
    std::int32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

float readValue(const unsigned char* p, bool swap) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    if (swap) w = byteSwap(w);
    float f;
    std::memcpy(&f, &w, 4);
    return f;
}

void writeHeader(unsigned char* image, std::int32_t pluginId, std::uint8_t type) {
    std::memcpy(image, &pluginId, 4);
    image[4] = type;
}

std::uint8_t typeByte(ImageKind kind) {
    switch (kind) {
        case ImageKind::Preset: return kPresetImageType;
        case ImageKind::Bank: return kBankImageType;
        case ImageKind::Midi: return kMidiImageType;
    }
    return 0;
}

// One record of an image (either format) as it will enter the store.
struct DecodedRecord {
    char name[kPresetNameSize];
    float values[60];
};

// Decodes the record at p; an older record is converted to 60 values.
void decodeRecord(const unsigned char* p, const ImageFormat& format, DecodedRecord& out) {
    std::memcpy(out.name, p, kPresetNameSize);
    const int count = format.predecessor ? kPredecessorParams : kNumParams;
    for (int i = 0; i < count; ++i) {
        out.values[i] = sanitizedParameterValue(
            i, readValue(p + kPresetNameSize + 4 * static_cast<std::size_t>(i), format.swapValues));
    }
    if (format.predecessor) convertPredecessorRecord(out.values);
}

// The 24 name bytes as a terminated text.
struct NameText {
    char text[kPresetNameSize + 1];
    explicit NameText(const char (&field)[kPresetNameSize]) {
        std::memcpy(text, field, kPresetNameSize);
        text[kPresetNameSize] = 0;
    }
};

bool validPresetIndex(int index) { return index >= 0 && index < kNumPresets; }

}  // namespace

std::size_t imageSize(ImageKind kind) {
    switch (kind) {
        case ImageKind::Preset: return kPresetImageSize;
        case ImageKind::Bank: return kBankImageSize;
        case ImageKind::Midi: return kMidiImageSize;
    }
    return 0;
}

ImageFormat decideFormat(const unsigned char* image, std::int32_t pluginId, ImageKind kind,
                         bool reverseValues) {
    ImageFormat format;
    if (!image) return format;
    const std::int32_t id = readNativeWord(image);
    const auto reversed = [](std::int32_t w) {
        return static_cast<std::int32_t>(byteSwap(static_cast<std::uint32_t>(w)));
    };
    bool swap;
    if (id == pluginId) {
        format.predecessor = false;
        swap = false;
    } else if (id == reversed(pluginId)) {
        format.predecessor = false;
        swap = true;
    } else if (id == kPredecessorId) {
        format.predecessor = true;
        swap = false;
    } else if (id == reversed(kPredecessorId)) {
        format.predecessor = true;
        swap = true;
    } else {
        return format;
    }
    if (image[4] != typeByte(kind)) return format;
    format.swapValues = swap != reverseValues;
    format.valid = true;
    return format;
}

void convertPredecessorRecord(float (&values)[60]) {
    const float storedLfoMode = values[kLfoMode];
    const float storedLfoWave = values[kLFOWave];
    const float storedLfoDen = values[kLfoDen];

    // The older LfoMode had two steps: free and synchronised.
    values[kLfoMode] = toStep(storedLfoMode, 2) == 1 ? fromStep(2, 3) : fromStep(0, 3);

    // Parameters the older format did not have, at settings that sound as it did.
    values[kDlyPanL] = 0.0f;
    values[kDlyPanR] = 1.0f;
    values[kDlyGateL] = 0.0f;
    values[kDlyGateR] = 0.0f;
    values[kDucking] = 1.0f;
    values[kResoMod] = 0.5f;
    values[kPreNumL] = 0.0f;
    values[kPreNumR] = 0.0f;
    values[kPreDenL] = fromStep(1, 13);
    values[kPreDenR] = fromStep(1, 13);
    values[kMuteInL] = 0.0f;
    values[kMuteInR] = 0.0f;

    // The older last LFO wave ran in step with the tempo with its own denominators.
    if (toStep(storedLfoWave, 5) == 4) {
        values[kLfoMode] = fromStep(2, 3);
        const int e = toStep(storedLfoDen, 13);
        const int d = e == 0 ? 3 : std::min(e + 4, 12);
        values[kLfoDen] = fromStep(d, 13);
    }
}

float sanitizedParameterValue(int index, float value) {
    if (std::isfinite(value)) return value;
    if (index < 0 || index >= kNumParams) return 0.0f;
    return static_cast<float>(kParams[index].preset0);
}

void makePresetImage(PresetStore& store, unsigned char* image) {
    if (!image) return;
    std::memset(image, 0, kPresetImageSize);
    writeHeader(image, store.pluginId(), kPresetImageType);
    const int index = store.currentPreset();
    if (!validPresetIndex(index)) return;
    std::memcpy(image + kImageHeaderSize, &store.preset(index), kRecordSize);
}

void makeBankImage(PresetStore& store, unsigned char* image) {
    if (!image) return;
    std::memset(image, 0, kBankImageSize);
    writeHeader(image, store.pluginId(), kBankImageType);
    for (int k = 0; k < kNumPresets; ++k)
        std::memcpy(image + kImageHeaderSize + kRecordSize * static_cast<std::size_t>(k),
                    &store.preset(k), kRecordSize);
}

void makeMidiImage(PresetStore& store, unsigned char* image) {
    if (!image) return;
    std::memset(image, 0, kMidiImageSize);
    writeHeader(image, store.pluginId(), kMidiImageType);
    for (int i = 0; i < kNumAssignmentParams; ++i) {
        const float v = store.assignmentValue(i);
        std::memcpy(image + kImageHeaderSize + 4 * static_cast<std::size_t>(i), &v, 4);
    }
}

bool loadPresetImage(PresetStore& store, PresetStripView* view,
                     const unsigned char* image, bool reverseValues) {
    const int index = store.currentPreset();
    const ImageFormat format =
        decideFormat(image, store.pluginId(), ImageKind::Preset, reverseValues);
    if (!format.valid || !validPresetIndex(index)) return false;

    DecodedRecord record;
    std::memcpy(record.values, store.preset(index).values, sizeof record.values);
    decodeRecord(image + kImageHeaderSize, format, record);

    PresetRecord& target = store.preset(index);
    std::memcpy(target.name, record.name, kPresetNameSize);
    std::memcpy(target.values, record.values, sizeof target.values);
    renameCurrentPreset(store, view, NameText(record.name).text);
    store.setCurrentPreset(index);
    return true;
}

bool loadBankImage(PresetStore& store, PresetStripView* view,
                   const unsigned char* image, bool reverseValues) {
    store.setCurrentPreset(0);
    const ImageFormat format =
        decideFormat(image, store.pluginId(), ImageKind::Bank, reverseValues);
    if (!format.valid) return false;

    // Decode everything first, so a value that needs correcting never leaves the bank
    // half-replaced.
    const std::size_t recordSize = format.predecessor ? kPredecessorRecordSize : kRecordSize;
    std::vector<DecodedRecord> records(kNumPresets);
    for (int k = 0; k < kNumPresets; ++k)
        decodeRecord(image + kImageHeaderSize + recordSize * static_cast<std::size_t>(k), format,
                     records[static_cast<std::size_t>(k)]);

    for (int k = 0; k < kNumPresets; ++k) {
        const DecodedRecord& record = records[static_cast<std::size_t>(k)];
        PresetRecord& target = store.preset(k);
        std::memcpy(target.name, record.name, kPresetNameSize);
        if (view) {
            view->selectMenuEntry(k);
            view->setMenuEntry(k, NameText(record.name).text);
        }
        std::memcpy(target.values, record.values, sizeof target.values);
    }
    if (view) {
        view->selectMenuEntry(0);
        view->showName(NameText(store.preset(0).name).text);
    }
    store.setCurrentPreset(0);
    return true;
}

bool loadMidiImage(PresetStore& store, const unsigned char* image,
                   bool reverseValues) {
    const ImageFormat format =
        decideFormat(image, store.pluginId(), ImageKind::Midi, reverseValues);
    if (!format.valid) return false;
    const int count = format.predecessor ? kPredecessorParams : kNumAssignmentParams;
    float values[kNumAssignmentParams];
    for (int i = 0; i < count; ++i)
        values[i] = sanitizeAssignmentValue(readValue(
            image + kImageHeaderSize + 4 * static_cast<std::size_t>(i), format.swapValues));
    for (int i = 0; i < count; ++i) store.applyParameter(kNumParams + i, values[i]);
    return true;
}

void presetNameChanged(PresetStripView* view, const char* name) {
    if (!view || !name) return;
    view->showName(name);
    view->setCurrentMenuEntryTitle(name);
}

void renameCurrentPreset(PresetStore& store, PresetStripView* view,
                         const char* name) {
    presetNameChanged(view, name);
    store.setCurrentPresetName(name);
}

namespace {
std::size_t predecessorImageSize(ImageKind kind) {
    switch (kind) {
        case ImageKind::Bank: return kPredecessorBankImageSize;
        case ImageKind::Midi: return kPredecessorMidiImageSize;
        case ImageKind::Preset: break;
    }
    return kPredecessorPresetImageSize;
}
}  // namespace

bool readStoredImage(const SettingsStore& settings, const char* name, ImageKind kind,
                     std::vector<unsigned char>& image) {
    image.assign(imageSize(kind), 0);
    std::vector<unsigned char> stored;
    if (!settings.readBinary(name, stored, imageSize(kind))) return false;
    if (stored.size() != imageSize(kind) && stored.size() != predecessorImageSize(kind))
        return false;
    std::copy(stored.begin(), stored.end(), image.begin());
    return true;
}

}  // namespace lumdel
