// The factory bank: 61 named presets, each 60 normalised values kept as doubles and
// rounded to float when the bank is loaded.
#pragma once

namespace lumdel {

struct FactoryPreset {
    const char* name;
    double values[60];
};

extern const FactoryPreset kFactoryPresets[61];

}  // namespace lumdel
