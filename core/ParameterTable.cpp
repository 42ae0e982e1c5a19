#include "ParameterTable.h"

#include <cstring>

namespace lumdel {

namespace {
constexpr ParamKind C = ParamKind::Continuous;
constexpr ParamKind S = ParamKind::Stepped;
constexpr ParamKind W = ParamKind::Switch;
constexpr ParamKind T = ParamKind::ThresholdSwitch;
constexpr ParamKind L = ParamKind::Legacy;
constexpr HostProps none = HostProps::None;
constexpr HostProps sw = HostProps::Switch;
constexpr HostProps st = HostProps::Stepped;
}  // namespace

// clang-format off
const ParamInfo kParams[kNumParams] = {
    {"Input",    "dB",  C, 0,  none, 0,  0.5},
    {"Output",   "dB",  C, 0,  none, 0,  0.5},
    {"Mix",      "%",   C, 0,  none, 0,  0.5},
    {"FbGainL",  "dB",  C, 0,  none, 0,  0.0},
    {"FbGainR",  "dB",  C, 0,  none, 0,  0.0},
    {"FbPanL",   "%",   C, 0,  none, 0,  0.0},
    {"FbPanR",   "%",   C, 0,  none, 0,  1.0},
    {"FbInvL",   "",    W, 2,  sw,   1,  0.25},
    {"FbInvR",   "",    W, 2,  sw,   1,  0.25},
    {"LFOWave",  "",    S, 5,  st,   5,  0.1},
    {"LFORate",  "Hz",  C, 0,  none, 0,  0.5},
    {"LROffset", "deg", C, 0,  none, 0,  0.5},
    {"ModSrc",   "%",   C, 0,  none, 0,  0.5},
    {"CutfMod",  "%",   C, 0,  none, 0,  0.5},
    {"FltType",  "",    S, 3,  st,   3,  1.0 / 6.0},
    {"Cutoff",   "Hz",  C, 0,  none, 0,  1.0},
    {"Reso",     "",    C, 0,  none, 0,  0.0},
    {"VcoMan",   "x",   C, 0,  none, 0,  0.5},
    {"VcoMod",   "%",   C, 0,  none, 0,  0.5},
    {"DlyInvL",  "",    W, 2,  sw,   1,  0.25},
    {"DlyInvR",  "",    W, 2,  sw,   1,  0.25},
    {"Drive",    "dB",  C, 0,  none, 0,  0.0},
    {"EnvSpeed", "ms",  C, 0,  HostProps::FloatEnvSpeed, 0, 0.5},
    {"FltMode",  "",    S, 3,  st,   3,  1.0 / 6.0},
    {"DlyModeL", "",    W, 2,  sw,   1,  1.0},
    {"DlyModeR", "",    W, 2,  sw,   1,  1.0},
    {"DlyNumL",  "",    S, 5,  st,   5,  0.1},
    {"DlyNumR",  "",    S, 5,  st,   5,  0.1},
    {"DlyDenL",  "",    S, 13, st,   14, 3.5 / 13.0},
    {"DlyDenR",  "",    S, 13, st,   14, 3.5 / 13.0},
    {"RangeL",   "ms",  S, 3,  st,   3,  0.833334},
    {"RangeR",   "ms",  S, 3,  st,   3,  0.833334},
    {"LfoMode",  "",    S, 3,  sw,   1,  0.5},
    {"LfoNum",   "",    S, 5,  st,   5,  0.1},
    {"LfoDen",   "",    S, 13, st,   14, 0.0},
    {"DlyTimeL", "ms",  C, 0,  HostProps::FloatDlyTime, 0, 0.4},
    {"DlyTimeR", "ms",  C, 0,  HostProps::FloatDlyTime, 0, 0.4},
    {"RvbMode",  "",    W, 2,  sw,   1,  0.0},
    {"RvbType",  "",    W, 2,  sw,   1,  0.0},
    {"RvbDamp",  "%",   C, 0,  none, 0,  0.0},
    {"RvbAmt",   "%",   C, 0,  none, 0,  0.5},
    {"Bypass",   "",    W, 2,  sw,   1,  0.0},
    {"FltOn",    "",    W, 2,  sw,   1,  0.0},
    {"n/a",      "",    L, 2,  sw,   1,  0.0},
    {"n/a",      "",    L, 2,  sw,   1,  0.0},
    {"VcoOn",    "",    W, 2,  sw,   1,  1.0},
    {"RvbOn",    "",    W, 2,  sw,   1,  0.0},
    {"ModSens",  "%",   C, 0,  none, 0,  0.5},
    {"DlyPanL",  "%",   C, 0,  none, 0,  0.0},
    {"DlyPanR",  "%",   C, 0,  none, 0,  1.0},
    {"DlyGateL", "dB",  C, 0,  none, 0,  0.0},
    {"DlyGateR", "dB",  C, 0,  none, 0,  0.0},
    {"Ducking",  "%",   C, 0,  none, 0,  1.0},
    {"ResoMod",  "",    C, 0,  none, 0,  0.5},
    {"PreNumL",  "",    S, 6,  st,   6,  0.0},
    {"PreNumR",  "",    S, 6,  st,   6,  0.0},
    {"PreDenL",  "",    S, 13, st,   14, 1.5 / 13.0},
    {"PreDenR",  "",    S, 13, st,   14, 1.5 / 13.0},
    {"MuteInL",  "",    T, 2,  sw,   1,  0.0},
    {"MuteInR",  "",    T, 2,  sw,   1,  0.0},
};
// clang-format on

bool parameterName(int index, char* text) {
    if (index >= 0 && index < kNumParams) {
        std::strcpy(text, kParams[index].name);
        return true;
    }
    if (index >= kNumParams && index < kNumParams + kNumAssignmentParams) {
        std::strcpy(text, "CC# ");
        std::strcat(text, kParams[index - kNumParams].name);
        return true;
    }
    return false;
}

void parameterLabel(int index, char* text) {
    if (index >= 0 && index < kNumParams)
        std::strcpy(text, kParams[index].label);
    else
        text[0] = 0;
}

}  // namespace lumdel
