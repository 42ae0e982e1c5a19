#include "ParameterTable.h"

#include <cmath>
#include <cstring>

#include "ParameterCurves.h"
#include "engine/EngineState.h"

namespace lumdel {

namespace {

using E = EngineState;
using CS = ChannelSettings;

// --- where the settings live ------------------------------------------------------------
template <double E::*F>
double& real(E& e) { return e.*F; }
template <int E::*F>
int& step(E& e) { return e.*F; }
template <Smoothed<double> Glides::*F>
double& glide(E& e) { return (e.*F).target; }
template <Stereo CS::*F, int c>
double& chReal(E& e) { return (e.channels.*F)[c]; }
template <StereoInt CS::*F, int c>
int& chStep(E& e) { return (e.channels.*F)[c]; }
template <Smoothed<Stereo> ChannelGlides::*F, int c>
double& chGlide(E& e) { return (e.channels.*F).target[c]; }

// --- how a value is applied -------------------------------------------------------------
// A row's store in one call: the setting its curve makes of the value (not finite: nothing
// changes; false), then the value and the setting; or the value and its step.
template <Curve c, RealField V, RealField T>
bool storeSetting(E& e, float value) {
    const double setting = settingOf(c, value, e.sampleRate);
    if (!std::isfinite(setting)) return false;
    V(e) = value;
    T(e) = setting;
    return true;
}
template <RealField V, StepField S>
void storeStep(E& e, float value, int s) {
    V(e) = value;
    S(e) = s;
}

template <Curve c, RealField V, RealField T>
constexpr ApplyRule glides() {
    return {c, Motion::Glides, V, T, nullptr, nullptr, After::Nothing, &storeSetting<c, V, T>,
            nullptr};
}
template <Curve c, RealField V, RealField T>
constexpr ApplyRule snaps(After a = After::Nothing) {
    return {c, Motion::Snaps, V, T, nullptr, nullptr, a, &storeSetting<c, V, T>, nullptr};
}
constexpr ApplyRule stored(RealField value) {
    return {Curve::Stored, Motion::Snaps, value, nullptr, nullptr, nullptr, After::Nothing,
            nullptr, nullptr};
}
template <RealField V, StepField S>
constexpr ApplyRule steps(After a = After::Nothing, RealField sign = nullptr) {
    return {Curve::Steps, Motion::Snaps, V, nullptr, S, sign, a, nullptr, &storeStep<V, S>};
}
constexpr ApplyRule named(RealField value, RealField target, StepField s) {
    return {Curve::Named, Motion::Snaps, value, target, s, nullptr, After::Nothing,
            nullptr, nullptr};
}

// --- the host's display text ------------------------------------------------------------
constexpr const char* kOffOn[] = {"off", "on"};
constexpr const char* kOffMuted[] = {"off", "muted"};
constexpr const char* kWaves[] = {"sin", "sqr", "tri", "saw", "rnd"};
constexpr const char* kFilterTypes[] = {"LPF", "BPF", "HPF"};
constexpr const char* kFilterPlaces[] = {"in", "fb", "fx"};
constexpr const char* kTimeNote[] = {"time", "note"};
constexpr const char* kFreqNote[] = {"freq", "note", "note"};
constexpr const char* kReverbPlaces[] = {"fx", "out"};
constexpr const char* kReverbTypes[] = {"spring", "plate"};
constexpr const char* kNotApplicable[] = {"n/a"};
constexpr const char* kDryWet[] = {"D", "W"};
constexpr const char* kLeftRight[] = {"L", "R"};
constexpr const char* kLfoEnvelope[] = {"L", "E"};

constexpr TextRule text(Format f, Shown from = Shown::Target) {
    return {f, from, 1.0, 0.0, nullptr, nullptr, 0};
}
constexpr TextRule decimal(Shown from, double scale, double offset = 0.0) {
    return {Format::Decimal, from, scale, offset, nullptr, nullptr, 0};
}
constexpr TextRule ratio(const char* const* sides) {
    return {Format::Ratio, Shown::Target, 1.0, 0.0, sides, nullptr, 2};
}
template <int n>
constexpr TextRule words(const char* const (&w)[n]) {
    return {Format::Words, Shown::Target, 1.0, 0.0, w, nullptr, n};
}
template <int n>
constexpr TextRule note(const double (&table)[n]) {
    return {Format::Note, Shown::Target, 1.0, 0.0, nullptr, table, n};
}

// --- the editor's readout -----------------------------------------------------------------
constexpr ReadoutRule rd(ReadRule r, Shown from = Shown::Target, double scale = 1.0,
                         double offset = 0.0, double divisor = 1.0) {
    return {r, from, scale, offset, divisor, -1, -1};
}
constexpr ReadoutRule fraction(int numerator, int denominator) {
    return {ReadRule::Fraction, Shown::Target, 1.0, 0.0, 1.0, numerator, denominator};
}
constexpr ReadoutRule kNoReadout = rd(ReadRule::None);
constexpr ReadoutRule kLevel = rd(ReadRule::Level);
constexpr ReadoutRule kRatio = rd(ReadRule::Ratio);
constexpr ReadoutRule kPlain = rd(ReadRule::Plain);
constexpr ReadoutRule kPercent = rd(ReadRule::Signed, Shown::Target, 100.0);
constexpr ReadoutRule kSignedTrim = rd(ReadRule::Signed, Shown::HostValue, 24.0, -24.0);

// --- the channels -----------------------------------------------------------------------
constexpr ChannelRule kSolo = {-1, -1, Pairing::None};
constexpr ChannelRule left(int partner, Pairing p) { return {0, partner, p}; }
constexpr ChannelRule right(int partner, Pairing p) { return {1, partner, p}; }
constexpr Pairing same = Pairing::Same;
constexpr Pairing mirrored = Pairing::Mirrored;
constexpr Pairing separate = Pairing::Separate;

constexpr ParamKind C = ParamKind::Continuous;
constexpr ParamKind S = ParamKind::Stepped;
constexpr ParamKind W = ParamKind::Switch;
constexpr ParamKind T = ParamKind::ThresholdSwitch;
constexpr ParamKind L = ParamKind::Legacy;
constexpr HostProps none = HostProps::None;
constexpr HostProps sw = HostProps::Switch;
constexpr HostProps st = HostProps::Stepped;
constexpr HostProps envSpeed = HostProps::FloatEnvSpeed;
constexpr HostProps dlyTime = HostProps::FloatDlyTime;

constexpr After sign = After::Sign;
constexpr After syncLine = After::SyncLine;
constexpr After syncLfo = After::SyncLfo;
constexpr After fadeLine = After::FadeLine;

constexpr double kHalfPi = 1.57079632679489661923;

}  // namespace

// clang-format off
const ParamInfo kParams[kNumParams] = {
    {"Input",    "dB",  C, 0,  none, 0,  0.5,
     glides<Curve::FourSquares, real<&E::inputValue>, glide<&E::inputGain>>(),
     text(Format::Decibel), kLevel, kSolo},
    {"Output",   "dB",  C, 0,  none, 0,  0.5,
     glides<Curve::FourSquares, real<&E::outputValue>, glide<&E::outputGain>>(),
     text(Format::Decibel), kLevel, kSolo},
    {"Mix",      "%",   C, 0,  none, 0,  0.5,
     glides<Curve::Linear, real<&E::mixValue>, glide<&E::mix>>(),
     ratio(kDryWet), kRatio, kSolo},
    {"FbGainL",  "dB",  C, 0,  none, 0,  0.0,
     glides<Curve::Linear, chReal<&CS::fbGainValue, 0>, chGlide<&CS::fbGain, 0>>(),
     text(Format::Decibel), kLevel, left(kFbGainR, same)},
    {"FbGainR",  "dB",  C, 0,  none, 0,  0.0,
     glides<Curve::Linear, chReal<&CS::fbGainValue, 1>, chGlide<&CS::fbGain, 1>>(),
     text(Format::Decibel), kLevel, right(kFbGainL, same)},
    {"FbPanL",   "%",   C, 0,  none, 0,  0.0,
     glides<Curve::Linear, chReal<&CS::fbPanValue, 0>, chGlide<&CS::fbPan, 0>>(),
     ratio(kLeftRight), kRatio, left(kFbPanR, mirrored)},
    {"FbPanR",   "%",   C, 0,  none, 0,  1.0,
     glides<Curve::Linear, chReal<&CS::fbPanValue, 1>, chGlide<&CS::fbPan, 1>>(),
     ratio(kLeftRight), kRatio, right(kFbPanL, mirrored)},
    {"FbInvL",   "",    W, 2,  sw,   1,  0.25,
     steps<chReal<&CS::fbInvValue, 0>, chStep<&CS::fbInv, 0>>(sign, chReal<&CS::fbSign, 0>),
     words(kOffOn), kNoReadout, left(kFbInvR, same)},
    {"FbInvR",   "",    W, 2,  sw,   1,  0.25,
     steps<chReal<&CS::fbInvValue, 1>, chStep<&CS::fbInv, 1>>(sign, chReal<&CS::fbSign, 1>),
     words(kOffOn), kNoReadout, right(kFbInvL, same)},
    {"LFOWave",  "",    S, 5,  st,   5,  0.1,
     steps<real<&E::lfoWaveValue>, step<&E::lfoWave>>(),
     words(kWaves), kNoReadout, kSolo},
    {"LFORate",  "Hz",  C, 0,  none, 0,  0.5,
     snaps<Curve::LfoRate, real<&E::lfoRateValue>, real<&E::lfoRateHz>>(After::LfoPhaseStep),
     decimal(Shown::Target, 1.0), kPlain, kSolo},
    {"LROffset", "deg", C, 0,  none, 0,  0.5,
     snaps<Curve::HalfTurn, real<&E::lrOffsetValue>, real<&E::lrOffset>>(),
     text(Format::Degrees), rd(ReadRule::Signed, Shown::Target, 180.0, 0.0, kHalfPi), kSolo},
    {"ModSrc",   "%",   C, 0,  none, 0,  0.5,
     glides<Curve::Linear, real<&E::modSrcValue>, glide<&E::modSrc>>(),
     ratio(kLfoEnvelope), kRatio, kSolo},
    {"CutfMod",  "%",   C, 0,  none, 0,  0.5,
     glides<Curve::Bipolar, real<&E::cutfModValue>, glide<&E::cutfMod>>(),
     text(Format::Percent), kPercent, kSolo},
    {"FltType",  "",    S, 3,  st,   3,  1.0 / 6.0,
     steps<real<&E::fltTypeValue>, step<&E::fltType>>(),
     words(kFilterTypes), kNoReadout, kSolo},
    {"Cutoff",   "Hz",  C, 0,  none, 0,  1.0,
     glides<Curve::Cutoff, real<&E::cutoffValue>, glide<&E::cutoff>>(),
     text(Format::Whole), rd(ReadRule::Plain, Shown::Target, 1.0, 0.0, 1000.0), kSolo},
    {"Reso",     "",    C, 0,  none, 0,  0.0,
     glides<Curve::ResoFloor, real<&E::resoValue>, glide<&E::reso>>(),
     decimal(Shown::Value, 10.0), kSignedTrim, kSolo},
    {"VcoMan",   "x",   C, 0,  none, 0,  0.5,
     snaps<Curve::Bipolar, real<&E::vcoManValue>, real<&E::vcoMan>>(),
     text(Format::Multiple), rd(ReadRule::Multiple), kSolo},
    {"VcoMod",   "%",   C, 0,  none, 0,  0.5,
     glides<Curve::Bipolar, real<&E::vcoModValue>, glide<&E::vcoMod>>(),
     text(Format::Percent), kPercent, kSolo},
    {"DlyInvL",  "",    W, 2,  sw,   1,  0.25,
     steps<chReal<&CS::dlyInvValue, 0>, chStep<&CS::dlyInv, 0>>(sign, chReal<&CS::dlySign, 0>),
     words(kOffOn), kNoReadout, left(kDlyInvR, same)},
    {"DlyInvR",  "",    W, 2,  sw,   1,  0.25,
     steps<chReal<&CS::dlyInvValue, 1>, chStep<&CS::dlyInv, 1>>(sign, chReal<&CS::dlySign, 1>),
     words(kOffOn), kNoReadout, right(kDlyInvL, same)},
    {"Drive",    "dB",  C, 0,  none, 0,  0.0,
     glides<Curve::Octaves4, real<&E::driveValue>, glide<&E::driveGain>>(),
     text(Format::Decibel), kLevel, kSolo},
    {"EnvSpeed", "ms",  C, 0,  envSpeed, 0, 0.5,
     snaps<Curve::EnvTime, real<&E::envSpeedValue>, real<&E::envTimeMs>>(After::EnvCoefs),
     text(Format::Rounded), kPlain, kSolo},
    {"FltMode",  "",    S, 3,  st,   3,  1.0 / 6.0,
     steps<real<&E::fltModeValue>, step<&E::fltMode>>(),
     words(kFilterPlaces), kNoReadout, kSolo},
    {"DlyModeL", "",    W, 2,  sw,   1,  1.0,
     named(chReal<&CS::dlyModeValue, 0>, nullptr, chStep<&CS::dlySync, 0>),
     words(kTimeNote), kNoReadout, left(kDlyModeR, same)},
    {"DlyModeR", "",    W, 2,  sw,   1,  1.0,
     named(chReal<&CS::dlyModeValue, 1>, nullptr, chStep<&CS::dlySync, 1>),
     words(kTimeNote), kNoReadout, right(kDlyModeL, same)},
    {"DlyNumL",  "",    S, 5,  st,   5,  0.1,
     steps<chReal<&CS::dlyNumValue, 0>, chStep<&CS::dlyNum, 0>>(syncLine),
     note(kDelayNumeratorTable), fraction(kDlyNumL, kDlyDenL), left(kDlyNumR, same)},
    {"DlyNumR",  "",    S, 5,  st,   5,  0.1,
     steps<chReal<&CS::dlyNumValue, 1>, chStep<&CS::dlyNum, 1>>(syncLine),
     note(kDelayNumeratorTable), fraction(kDlyNumR, kDlyDenR), right(kDlyNumL, same)},
    {"DlyDenL",  "",    S, 13, st,   14, 3.5 / 13.0,
     steps<chReal<&CS::dlyDenValue, 0>, chStep<&CS::dlyDen, 0>>(syncLine),
     note(kDenominatorTable), fraction(kDlyNumL, kDlyDenL), left(kDlyDenR, same)},
    {"DlyDenR",  "",    S, 13, st,   14, 3.5 / 13.0,
     steps<chReal<&CS::dlyDenValue, 1>, chStep<&CS::dlyDen, 1>>(syncLine),
     note(kDenominatorTable), fraction(kDlyNumR, kDlyDenR), right(kDlyDenL, same)},
    {"RangeL",   "ms",  S, 3,  st,   3,  0.833334,
     named(chReal<&CS::rangeValue, 0>, chReal<&CS::rangeMs, 0>, chStep<&CS::range, 0>),
     text(Format::Rounded), kNoReadout, left(kRangeR, same)},
    {"RangeR",   "ms",  S, 3,  st,   3,  0.833334,
     named(chReal<&CS::rangeValue, 1>, chReal<&CS::rangeMs, 1>, chStep<&CS::range, 1>),
     text(Format::Rounded), kNoReadout, right(kRangeL, same)},
    {"LfoMode",  "",    S, 3,  sw,   1,  0.5,
     steps<real<&E::lfoModeValue>, step<&E::lfoMode>>(After::SyncLfoUnlessOff),
     words(kFreqNote), kNoReadout, kSolo},
    {"LfoNum",   "",    S, 5,  st,   5,  0.1,
     steps<real<&E::lfoNumValue>, step<&E::lfoNum>>(syncLfo),
     note(kLfoNumeratorTable), fraction(kLfoNum, kLfoDen), kSolo},
    {"LfoDen",   "",    S, 13, st,   14, 0.0,
     steps<real<&E::lfoDenValue>, step<&E::lfoDen>>(syncLfo),
     note(kDenominatorTable), fraction(kLfoNum, kLfoDen), kSolo},
    {"DlyTimeL", "ms",  C, 0,  dlyTime, 0, 0.4,
     named(chReal<&CS::dlyTimeNorm, 0>, chReal<&CS::dlyTimeMs, 0>, nullptr),
     text(Format::Real), kPlain, left(kDlyTimeR, same)},
    {"DlyTimeR", "ms",  C, 0,  dlyTime, 0, 0.4,
     named(chReal<&CS::dlyTimeNorm, 1>, chReal<&CS::dlyTimeMs, 1>, nullptr),
     text(Format::Real), kPlain, right(kDlyTimeL, same)},
    {"RvbMode",  "",    W, 2,  sw,   1,  0.0,
     steps<real<&E::rvbModeValue>, step<&E::rvbMode>>(),
     words(kReverbPlaces), kNoReadout, kSolo},
    {"RvbType",  "",    W, 2,  sw,   1,  0.0,
     named(real<&E::rvbTypeValue>, nullptr, step<&E::rvbType>),
     words(kReverbTypes), kNoReadout, kSolo},
    {"RvbDamp",  "%",   C, 0,  none, 0,  0.0,
     stored(real<&E::rvbDampValue>),
     decimal(Shown::Value, 100.0), kSignedTrim, kSolo},
    {"RvbAmt",   "%",   C, 0,  none, 0,  0.5,
     snaps<Curve::Linear, real<&E::rvbAmtValue>, real<&E::reverbAmount>>(),
     decimal(Shown::Value, 100.0), rd(ReadRule::Plain, Shown::HostValue, 100.0), kSolo},
    {"Bypass",   "",    W, 2,  sw,   1,  0.0,
     steps<real<&E::bypassValue>, step<&E::bypass>>(),
     words(kOffOn), kNoReadout, kSolo},
    {"FltOn",    "",    W, 2,  sw,   1,  0.0,
     steps<real<&E::fltOnValue>, step<&E::fltOn>>(),
     words(kOffOn), kNoReadout, kSolo},
    {"n/a",      "",    L, 2,  sw,   1,  0.0,
     named(nullptr, nullptr, nullptr),
     words(kNotApplicable), kNoReadout, kSolo},
    {"n/a",      "",    L, 2,  sw,   1,  0.0,
     named(nullptr, nullptr, nullptr),
     words(kNotApplicable), kNoReadout, kSolo},
    {"VcoOn",    "",    W, 2,  sw,   1,  1.0,
     steps<real<&E::vcoOnValue>, step<&E::vcoOn>>(),
     words(kOffOn), kNoReadout, kSolo},
    {"RvbOn",    "",    W, 2,  sw,   1,  0.0,
     steps<real<&E::rvbOnValue>, step<&E::rvbOn>>(),
     words(kOffOn), kNoReadout, kSolo},
    {"ModSens",  "%",   C, 0,  none, 0,  0.5,
     snaps<Curve::Octaves4, real<&E::modSensValue>, real<&E::modSens>>(),
     text(Format::Percent, Shown::Value), rd(ReadRule::KeepSign, Shown::Value, 10.0), kSolo},
    {"DlyPanL",  "%",   C, 0,  none, 0,  0.0,
     glides<Curve::Linear, chReal<&CS::dlyPanValue, 0>, chGlide<&CS::dlyPan, 0>>(),
     ratio(kLeftRight), kRatio, left(kDlyPanR, mirrored)},
    {"DlyPanR",  "%",   C, 0,  none, 0,  1.0,
     glides<Curve::Linear, chReal<&CS::dlyPanValue, 1>, chGlide<&CS::dlyPan, 1>>(),
     ratio(kLeftRight), kRatio, right(kDlyPanL, mirrored)},
    {"DlyGateL", "dB",  C, 0,  none, 0,  0.0,
     glides<Curve::Square, chReal<&CS::gateValue, 0>, chGlide<&CS::gateThreshold, 0>>(),
     text(Format::Decibel), kLevel, left(kDlyGateR, same)},
    {"DlyGateR", "dB",  C, 0,  none, 0,  0.0,
     glides<Curve::Square, chReal<&CS::gateValue, 1>, chGlide<&CS::gateThreshold, 1>>(),
     text(Format::Decibel), kLevel, right(kDlyGateL, same)},
    {"Ducking",  "%",   C, 0,  none, 0,  1.0,
     snaps<Curve::DuckThreshold, real<&E::duckingValue>, real<&E::duckThreshold>>(),
     decimal(Shown::Value, 24.0, -24.0), kSignedTrim, kSolo},
    {"ResoMod",  "",    C, 0,  none, 0,  0.5,
     glides<Curve::Bipolar, real<&E::resoModValue>, glide<&E::resoMod>>(),
     text(Format::Percent), kPercent, kSolo},
    {"PreNumL",  "",    S, 6,  st,   6,  0.0,
     steps<chReal<&CS::preNumValue, 0>, chStep<&CS::preNum, 0>>(fadeLine),
     note(kPreDelayNumeratorTable), fraction(kPreNumL, kPreDenL), left(kPreNumR, separate)},
    {"PreNumR",  "",    S, 6,  st,   6,  0.0,
     steps<chReal<&CS::preNumValue, 1>, chStep<&CS::preNum, 1>>(fadeLine),
     note(kPreDelayNumeratorTable), fraction(kPreNumR, kPreDenR), right(kPreNumL, separate)},
    {"PreDenL",  "",    S, 13, st,   14, 1.5 / 13.0,
     steps<chReal<&CS::preDenValue, 0>, chStep<&CS::preDen, 0>>(fadeLine),
     note(kDenominatorTable), fraction(kPreNumL, kPreDenL), left(kPreDenR, separate)},
    {"PreDenR",  "",    S, 13, st,   14, 1.5 / 13.0,
     steps<chReal<&CS::preDenValue, 1>, chStep<&CS::preDen, 1>>(fadeLine),
     note(kDenominatorTable), fraction(kPreNumR, kPreDenR), right(kPreDenL, separate)},
    {"MuteInL",  "",    T, 2,  sw,   1,  0.0,
     glides<Curve::OpenToHalf, chReal<&CS::muteInValue, 0>, chGlide<&CS::muteIn, 0>>(),
     words(kOffMuted), kNoReadout, left(kMuteInR, separate)},
    {"MuteInR",  "",    T, 2,  sw,   1,  0.0,
     glides<Curve::OpenToHalf, chReal<&CS::muteInValue, 1>, chGlide<&CS::muteIn, 1>>(),
     words(kOffMuted), kNoReadout, right(kMuteInL, separate)},
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
