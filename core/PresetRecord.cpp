#include "PresetRecord.h"

#include <cmath>
#include <cstring>

#include "ParameterTable.h"

namespace lumdel {

void copyPresetName(char (&field)[kPresetNameSize], const char* text) {
    if (!text) text = "";
    size_t n = 0;
    while (n < kPresetNameSize && text[n]) ++n;
    if (n < kPresetNameSize) {
        std::memset(field, 0, kPresetNameSize);
        std::memcpy(field, text, n);
    } else {
        std::memcpy(field, text, kPresetNameSize);
    }
}

int sanitizePresetValues(PresetRecord& record) {
    int replaced = 0;
    for (int i = 0; i < kNumParams; ++i) {
        if (!std::isfinite(record.values[i])) {
            record.values[i] = static_cast<float>(kParams[i].preset0);
            ++replaced;
        }
    }
    return replaced;
}

float sanitizeAssignmentValue(float value) {
    if (!std::isfinite(value) || value < 0.0f) return kNoAssignmentValue;
    return value;
}

}  // namespace lumdel
