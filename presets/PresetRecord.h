// One preset as it lies in memory, in the host chunk and in preset and bank files:
// a 24-byte name and the 60 normalised values (264 bytes).
#pragma once

#include <cstdint>

namespace lumdel {

constexpr int kNumPresets = 61;
constexpr int kPresetNameSize = 24;

struct PresetRecord {
    char name[kPresetNameSize];
    float values[60];
};
static_assert(sizeof(PresetRecord) == 264, "preset record is 264 bytes");

// Stores text into a name field: at most 24 characters; a shorter name is
// NUL-terminated with the rest of the field zero, a 24-character one has no terminator.
void copyPresetName(char (&field)[kPresetNameSize], const char* text);

// "no assignment" marker of the controller tables, and its pseudo-parameter value.
constexpr std::int32_t kNoAssignment = 999;

}  // namespace lumdel
