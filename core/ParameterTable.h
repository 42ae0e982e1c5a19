// The sixty parameters as data. A row holds all that is generic about one parameter:
// name, unit label, kind, step count, what the host is told about its steps, the value
// of factory preset 0, how a value becomes its engine setting (curve, glide or snap,
// what follows), its host display text, its editor readout and its left/right partner.
// The adapter, the parameter code, the preset store and the editor all read this one
// table. The names are keys that files, chunks and host projects depend on: they never
// change.
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

struct EngineState;

// Where a row's setting lives in the engine: the accessor only locates the field.
using RealField = double& (*)(EngineState&);
using StepField = int& (*)(EngineState&);
// A row's store in one call: its value and the setting its curve makes of it (false, and
// nothing stored, for a setting that is not finite), or its value and step.
using SettingStore = bool (*)(EngineState&, float value);
using StepStore = void (*)(EngineState&, float value, int step);

// How the value v (held within 0..1) becomes the engine setting.
enum class Curve : std::uint8_t {
    Stored,         // nothing derived: the value alone (the block reads it)
    Linear,         // v
    Square,         // v², formed in single precision
    FourSquares,    // 4 v², formed in single precision (unity at 0.5)
    Bipolar,        // (v - 0.5) 2
    HalfTurn,       // (v - 0.5) pi
    Octaves4,       // 2^(4v)
    LfoRate,        // 16^v - 1 Hz, at least 0.01
    Cutoff,         // 64 2^(8v) - 14 Hz, at most 16000 and half the rate
    ResoFloor,      // v, at least 0.05
    EnvTime,        // 100 + 900 v ms
    DuckThreshold,  // 10^(1.5 v - 1.5)
    OpenToHalf,     // 1 up to 0.5, 0 above (the input mute)
    Steps,          // toStep(value, steps) into the step field
    Named,          // a rule of its own in the parameter code
};

// A derived setting the block moves towards (Glides) or takes as it is (Snaps).
enum class Motion : std::uint8_t { Glides, Snaps };

// What follows the store.
enum class After : std::uint8_t {
    Nothing,
    Sign,             // the sign field: -1 when the step is 1
    SyncLine,         // the row's line takes its tempo-synchronised time again
    SyncLfo,          // the LFO takes its tempo-synchronised rate again
    SyncLfoUnlessOff, // the same, unless step 0 (free rate)
    FadeLine,         // the row's line fades to its new pre-delay
    LfoPhaseStep,     // the LFO's phase increment from its rate
    EnvCoefs,         // the envelope, gate and ducking coefficients
};

struct ApplyRule {
    Curve curve;
    Motion motion;
    RealField value;   // the stored value (what get parameter answers)
    RealField target;  // the derived setting (null for steps)
    StepField step;    // the step field (null for continuous rows)
    RealField sign;    // the sign field of After::Sign
    After after;
    SettingStore storeSetting;  // curve rows
    StepStore storeStep;        // step rows
};

// Where a text takes its number from.
enum class Shown : std::uint8_t {
    Target,     // the derived setting
    Value,      // the stored value
    HostValue,  // the stored value as get parameter answers it (single precision)
};

// The host's display text.
enum class Format : std::uint8_t {
    Decibel,   // 20 log10 of the setting, eight characters; "-oo" for 0
    Ratio,     // the two shares between the sides text[0] and text[1], "D:70<>30:W"
    Percent,   // whole percent of the setting
    Decimal,   // eight characters of scale x + offset
    Whole,     // the setting's integer part
    Rounded,   // the setting rounded to a whole number
    Real,      // "%f"
    Words,     // text[step]; a threshold switch: text[1] above 0.5; no step: text[0]
    Note,      // the note table's entry at the step
    Degrees,   // the channels' phase offset, "L:-90<>90+:R"
    Multiple,  // 2 to the power of the setting, eight characters
};

struct TextRule {
    Format format;
    Shown from;
    double scale;                // Decimal
    double offset;               // Decimal
    const char* const* text;     // Words: one per step; Ratio: the two sides
    const double* table;         // Note: the numerators or denominators
    int entries;                 // Words and Note: entries in text or table
};

// The editor's four-digit readout.
enum class ReadRule : std::uint8_t {
    None,      // the number 0; the sign and slash cells as they were
    Level,     // decibels of the setting (-100 below -98 dB), signed
    Ratio,     // the two shares as a ratio
    Plain,     // (scale x + offset) / divisor, unsigned
    Signed,    // the same, signed
    KeepSign,  // scale x; the sign cell as it was
    Fraction,  // the note fraction of this row and its other half
    Multiple,  // 2 to the power of the setting, unsigned
};

struct ReadoutRule {
    ReadRule rule;
    Shown from;
    double scale, offset, divisor;
    int numerator, denominator;  // Fraction: the rows of the note fraction
};

// How a left row and its right partner count for the editor's channel link.
enum class Pairing : std::uint8_t {
    None,      // no partner
    Same,      // linked when both hold the same value
    Mirrored,  // linked when the values add up to 1 (pans)
    Separate,  // a partner that the link does not compare
};

struct ChannelRule {
    int line;     // 0 left, 1 right, -1 neither
    int partner;  // the other channel's row, -1 for none
    Pairing pairing;
};

struct ParamInfo {
    const char* name;   // at most 8 characters
    const char* label;  // unit shown by the host
    ParamKind kind;
    int steps;          // step count for Stepped and Switch kinds, else 0
    HostProps props;
    int hostMax;        // integer maximum announced for Stepped properties
    double preset0;     // value of the factory preset "Default"
    ApplyRule apply;
    TextRule display;
    ReadoutRule readout;
    ChannelRule channel;
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

// Reads a field through its accessor (which only locates it).
inline double readField(RealField field, const EngineState& s) {
    return field(const_cast<EngineState&>(s));
}
inline int readStep(StepField field, const EngineState& s) {
    return field(const_cast<EngineState&>(s));
}

// Writes the host name of a parameter (0..59) or of an assignment pseudo-parameter
// (60..119, "CC# " + name). Any other index leaves text untouched; returns false then.
bool parameterName(int index, char* text);

// Writes the unit label; an empty text for indices without one.
void parameterLabel(int index, char* text);

}  // namespace lumdel
