// The sixty parameters as data: name, unit label, kind, step count, what the host is
// told about their steps, and the value of factory preset 0. The adapter, the display
// texts, the preset store and the editor all read this one table. The names are keys
// that files, chunks and host projects depend on: they never change.
#pragma once

#include <cmath>
#include <cstdint>

namespace lumdel {

constexpr int kNumParams = 60;
constexpr int kNumAssignmentParams = 60;  // indices 60..119: MIDI controller assignments

enum class ParamKind : std::uint8_t {
    Continuous,
    Stepped,          // n steps, see toStep()
    Switch,           // 2 steps, step 1 is on
    ThresholdSwitch,  // on when the value is above 0.5
    Legacy,           // 43 and 44: act once, store nothing
};

// What the host learns through effGetParameterProperties.
enum class HostProps : std::uint8_t {
    None,           // request refused
    Switch,         // flags masked to 0xB, integer range 0..1
    Stepped,        // flags 0, integer range 1..hostMax
    FloatEnvSpeed,  // float steps 1/900, 1/90
    FloatDlyTime,   // float steps 0.0001, 0.1
};

struct ParamInfo {
    const char* name;   // at most 8 characters
    const char* label;  // unit shown by the host
    ParamKind kind;
    int steps;          // step count for Stepped and Switch kinds, else 0
    HostProps props;
    int hostMax;        // integer maximum announced for Stepped properties
    double preset0;     // value of the factory preset "Default"
};

extern const ParamInfo kParams[kNumParams];

// Indices by name, for readable code elsewhere.
enum ParamIndex : int {
    kInput = 0, kOutput, kMix, kFbGainL, kFbGainR, kFbPanL, kFbPanR, kFbInvL, kFbInvR,
    kLFOWave, kLFORate, kLROffset, kModSrc, kCutfMod, kFltType, kCutoff, kReso, kVcoMan,
    kVcoMod, kDlyInvL, kDlyInvR, kDrive, kEnvSpeed, kFltMode, kDlyModeL, kDlyModeR,
    kDlyNumL, kDlyNumR, kDlyDenL, kDlyDenR, kRangeL, kRangeR, kLfoMode, kLfoNum, kLfoDen,
    kDlyTimeL, kDlyTimeR, kRvbMode, kRvbType, kRvbDamp, kRvbAmt, kBypass, kFltOn,
    kLegacyDrive, kLegacyCutfMod, kVcoOn, kRvbOn, kModSens, kDlyPanL, kDlyPanR, kDlyGateL,
    kDlyGateR, kDucking, kResoMod, kPreNumL, kPreNumR, kPreDenL, kPreDenR, kMuteInL,
    kMuteInR,
};

// The step of a stepped value: min(floor(n * v), n - 1) in single precision, kept
// within 0..n-1 whatever arrives (negative, huge or NaN values included).
inline int toStep(float v, int n) {
    float f = std::floor(static_cast<float>(n) * v);
    if (!(f >= 0.0f)) return 0;  // negative or NaN
    if (f >= static_cast<float>(n - 1)) return n - 1;
    return static_cast<int>(f);
}

// The value at the centre of step i.
inline float fromStep(int i, int n) {
    return static_cast<float>((i + 0.5) / n);
}

// Writes the host name of a parameter (0..59) or of an assignment pseudo-parameter
// (60..119, "CC# " + name). Any other index leaves text untouched; returns false then.
bool parameterName(int index, char* text);

// Writes the unit label; an empty text for indices without one.
void parameterLabel(int index, char* text);

}  // namespace lumdel
