// The names the LV2 bundle and the plug-in binary share: URIs, the port layout and the
// port symbols. The Turtle generator writes the bundle from them and the adapter reads
// its ports by them, so the two cannot drift apart.
#pragma once

#include <string>

#include "core/ParameterTable.h"

namespace lumdel::lv2 {

constexpr const char* kPluginUri = "urn:orvtone:lumdel";
constexpr const char* kUiUri = "urn:orvtone:lumdel#ui";
// The state key under which the whole chunk is stored.
constexpr const char* kChunkKey = "urn:orvtone:lumdel#chunk";
constexpr const char* kPresetUriPrefix = "urn:orvtone:lumdel#preset";
constexpr const char* kBinary = "Lumdel.so";
constexpr const char* kUiBinary = "Lumdel_ui.so";

// Ports: the parameters first (port i is parameter i), then the audio and the events.
constexpr int kFirstAudioIn = kNumParams;       // main input left, right
constexpr int kFirstSideChainIn = kNumParams + 2;  // side chain left, right
constexpr int kFirstAudioOut = kNumParams + 4;  // output left, right
constexpr int kEventsIn = kNumParams + 6;       // MIDI controllers and time:Position
constexpr int kNumPorts = kNumParams + 7;

// The symbol of parameter 0..59: its name where that is a valid symbol no other
// parameter shares; otherwise the name with every character outside [A-Za-z0-9_]
// made "_" and "_<index>" appended ("n/a" at 43 becomes "n_a_43").
inline std::string portSymbol(int index) {
    const std::string name = kParams[index].name;
    bool valid = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
    std::string symbol;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '_';
        valid = valid && ok;
        symbol += ok ? c : '_';
    }
    for (int other = 0; other < kNumParams && valid; ++other)
        if (other != index && name == kParams[other].name) valid = false;
    return valid ? symbol : symbol + "_" + std::to_string(index);
}

// A value as the port carries it: switches are toggles, which hosts read as off at 0 and
// on at anything else (Ardour shows and stores 1 for the 0.25 that means off here), so
// they carry 0 or 1; every other value as it is.
inline float portValue(int index, float value) {
    const ParamInfo& p = kParams[index];
    if (p.kind == ParamKind::Switch) return static_cast<float>(toStep(value, 2));
    if (p.kind == ParamKind::ThresholdSwitch) return value > 0.5f ? 1.0f : 0.0f;
    return value;
}

}  // namespace lumdel::lv2
