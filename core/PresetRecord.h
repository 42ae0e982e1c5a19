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
// A null text stores the empty name.
void copyPresetName(char (&field)[kPresetNameSize], const char* text);

// Replaces every non-finite value of a record (NaN, infinities from a damaged chunk or
// file) by the parameter's value in the "Default" preset, so that no NaN reaches the
// engine. Returns the number of values replaced.
int sanitizePresetValues(PresetRecord& record);

// "no assignment" marker of the controller tables, and its pseudo-parameter value
// (999.5 / 129, above 1).
constexpr std::int32_t kNoAssignment = 999;
constexpr float kNoAssignmentValue = static_cast<float>(999.5 / 129.0);

// An assignment value as the store keeps it: a non-finite or negative value means no
// assignment and becomes kNoAssignmentValue; any other value is kept as it is.
float sanitizeAssignmentValue(float value);

}  // namespace lumdel
