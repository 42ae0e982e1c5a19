// The engine's settings as the parameter code leaves them: every normalised value
// (…Value), every derived setting (a Smoothed one when it glides, a plain one when it
// acts at once; always derived from the value held within 0..1, so that no value a host
// sends can drive the signal path out of its range), the tempo and delay-timing fields,
// and the rate-dependent constants. The parameter code writes these fields without the
// engine lock (single aligned stores); the block reads them.
//
// Running signal state (delay lines, filter states, LFO phase, reverb lines ...) lives
// with the stages in lumdel::Engine, not here.
#pragma once

#include <cmath>
#include <cstdint>

#include "Smoothed.h"
#include "Stereo.h"

namespace lumdel {

// Note tables shared by delay, pre-delay and LFO synchronisation (fractions of a whole
// note: numerator / denominator).
constexpr double kDelayNumeratorTable[5] = {1, 3, 5, 7, 9};
constexpr double kPreDelayNumeratorTable[6] = {0, 1, 3, 5, 7, 9};
constexpr double kLfoNumeratorTable[5] = {1, 2, 3, 4, 8};
constexpr double kDenominatorTable[13] = {1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64, 96};
constexpr double kRangeMs[3] = {100.0, 1000.0, 5000.0};

// What a host reports as its tempo is one only when it is a finite number above 0: some
// hosts report 0 (flagged valid) while they load a project. Anything else is ignored
// wherever a tempo is read, and the last good tempo stays (120 BPM before any).
inline bool isTempo(double bpm) { return std::isfinite(bpm) && bpm > 0.0; }

// Flags of recomputeSynced.
enum SyncFlags : int { kSyncLeft = 1, kSyncRight = 2, kSyncLfo = 4, kSyncAll = 7 };

// The single settings that glide (the parameter writing each, and its curve).
struct Glides {
    Smoothed<double> inputGain{1.0, 1.0};       // Input: 4 v²
    Smoothed<double> outputGain{1.0, 1.0};      // Output: 4 v²
    Smoothed<double> mix{0.5, 0.5};             // Mix: v, the wet share
    Smoothed<double> modSrc{0.5, 0.5};          // ModSrc: v (0 LFO only .. 1 envelope only)
    Smoothed<double> cutfMod{0.0, 0.0};         // CutfMod: (v - 0.5) 2
    Smoothed<double> resoMod{0.0, 0.0};         // ResoMod: (v - 0.5) 2
    Smoothed<double> cutoff{16000.0, 16000.0};  // Cutoff: 64 2^(8v) - 14 Hz, <= 16000, <= fs/2
    Smoothed<double> reso{0.05, 0.05};          // Reso: v, at least 0.05
    Smoothed<double> vcoMod{0.0, 0.0};          // VcoMod: (v - 0.5) 2
    Smoothed<double> driveGain{1.0, 1.0};       // Drive: 2^(4v)

    // Every member with the pass of the block that reads it (EngineBlock.h): ahead of the
    // lines the input pass (input gain, drive), the modulation pass, the filter's
    // coefficients (in the input pass while the filter sits at the input, else in the
    // rate pass) and the clocks' rate; then the lines' own pass.
    enum Pass { kInput, kModulation, kFilter, kClock, kLines };
    template <typename A, typename B, typename F>
    static void forEachWithPass(A& a, B& b, F f) {
        f(a.inputGain, b.inputGain, kInput);
        f(a.outputGain, b.outputGain, kLines);
        f(a.mix, b.mix, kLines);
        f(a.modSrc, b.modSrc, kModulation);
        f(a.cutfMod, b.cutfMod, kModulation);
        f(a.resoMod, b.resoMod, kFilter);
        f(a.cutoff, b.cutoff, kFilter);
        f(a.reso, b.reso, kFilter);
        f(a.vcoMod, b.vcoMod, kClock);
        f(a.driveGain, b.driveGain, kInput);
    }
    template <typename A, typename B, typename F>
    static void forEach(A& a, B& b, F f) {
        forEachWithPass(a, b, [&f](auto& x, auto& y, Pass) { f(x, y); });
    }
    // One sample of gliding for the members one pass reads.
    inline void next(Pass pass, double coef) {
        forEachWithPass(*this, *this, [pass, coef](auto& s, auto&, Pass p) {
            if (p == pass) s.next(coef);
        });
    }
};

// The settings of the two delay channels that glide, [0] left and [1] right. The block
// reads them all in the lines' pass.
struct ChannelGlides {
    Smoothed<Stereo> fbGain{{0.0, 0.0}, {0.0, 0.0}};  // FbGainL/R: v, linear feedback gain
    // FbPanL/R: v, the share of the line's feedback that goes to the right line.
    Smoothed<Stereo> fbPan{{0.0, 1.0}, {0.0, 1.0}};
    // DlyPanL/R: v, the share of the line's output that goes to the right output.
    Smoothed<Stereo> dlyPan{{0.0, 1.0}, {0.0, 1.0}};
    Smoothed<Stereo> gateThreshold{{0.0, 0.0}, {0.0, 0.0}};  // DlyGateL/R: v², linear level
    Smoothed<Stereo> muteIn{{1.0, 1.0}, {1.0, 1.0}};  // MuteInL/R: 0 when v > 0.5, else 1

    template <typename A, typename B, typename F>
    static void forEach(A& a, B& b, F f) {
        f(a.fbGain, b.fbGain);
        f(a.fbPan, b.fbPan);
        f(a.dlyPan, b.dlyPan);
        f(a.gateThreshold, b.gateThreshold);
        f(a.muteIn, b.muteIn);
    }
};

// Everything the parameter code sets for the two delay channels, each quantity as a pair
// ([0] left, [1] right; the parameters ending in L and R).
struct ChannelSettings : ChannelGlides {
    // Stored values of the gliding settings.
    Stereo fbGainValue{0.0, 0.0};  // FbGainL/R
    Stereo fbPanValue{0.0, 1.0};   // FbPanL/R
    Stereo dlyPanValue{0.0, 1.0};  // DlyPanL/R
    Stereo gateValue{0.0, 0.0};    // DlyGateL/R
    Stereo muteInValue{0.0, 0.0};  // MuteInL/R

    // FbInvL/R: the sign of the line's feedback (-1 when on).
    Stereo fbInvValue{0.25, 0.25};
    StereoInt fbInv{0, 0};
    Stereo fbSign{1.0, 1.0};
    // DlyInvL/R: the sign of the line's output (-1 when on).
    Stereo dlyInvValue{0.25, 0.25};
    StereoInt dlyInv{0, 0};
    Stereo dlySign{1.0, 1.0};

    // Delay timing.
    Stereo dlyModeValue{1.0, 1.0};  // DlyModeL/R
    StereoInt dlySync{1, 1};        //   1: the time follows the tempo
    Stereo dlyNumValue{0.1, 0.1};   // DlyNumL/R
    StereoInt dlyNum{0, 0};         //   step into kDelayNumeratorTable
    Stereo dlyDenValue{0.269231, 0.269231};  // DlyDenL/R
    StereoInt dlyDen{3, 3};                  //   step into kDenominatorTable
    Stereo preNumValue{0.0, 0.0};            // PreNumL/R
    StereoInt preNum{0, 0};                  //   step into kPreDelayNumeratorTable
    Stereo preDenValue{0.115385, 0.115385};  // PreDenL/R
    StereoInt preDen{1, 1};                  //   step into kDenominatorTable
    Stereo rangeValue{0.833334, 0.833334};   // RangeL/R (also DlyModeL/R, back to free time)
    Stereo rangeMs{5000.0, 5000.0};          //   100, 1000 or 5000 ms
    StereoInt range{2, 2};
    Stereo dlyTimeNorm{0.4, 0.4};            // DlyTimeL/R value: time = norm · range
    // The time of each line in ms (DlyTimeL/R, RangeL/R, DlyModeL/R, or the tempo), used
    // to place the taps; the same value as last set, read when sync is switched off.
    Stereo dlyTimeMs{500.0, 500.0};
    Stereo dlyTimeSetMs{500.0, 500.0};
    // A new time or pre-delay waits to be applied by the fade (accessed atomically).
    StereoFlag dlyFade{0, 0};
};

struct EngineState : Glides {
    // --- input, output, mix ------------------------------------------------
    double inputValue = 0.5;
    double outputValue = 0.5;
    double mixValue = 0.5;

    // --- the two delay channels ---------------------------------------------
    ChannelSettings channels;

    // --- dynamics coefficients (gate, ducking) -------------------------------
    double gateAttackCoef = 0.0, gateReleaseCoef = 0.0;
    double duckingValue = 1.0;
    double duckThreshold = 0.031622776601683791;  // 10^-1.5
    double duckAttackCoef = 0.0, duckReleaseCoef = 0.0;

    // --- modulation -----------------------------------------------------------
    double lfoWaveValue = 0.1;
    int lfoWave = 0;
    double lfoRateValue = 0.5, lfoRateHz = 3.0, lfoPhaseInc = 0.0;
    double lrOffsetValue = 0.5, lrOffset = 0.0;
    double modSrcValue = 0.5;
    double cutfModValue = 0.5;
    double resoModValue = 0.5;
    double envSpeedValue = 0.5, envTimeMs = 550.0, envCoef = 0.0;
    double modSensValue = 0.5, modSens = 4.0;

    // --- filter ---------------------------------------------------------------
    double fltTypeValue = 0.166667;
    int fltType = 0;
    double cutoffValue = 1.0;
    double resoValue = 0.0;
    double fltModeValue = 0.166667;
    int fltMode = 0;
    double fltOnValue = 0.0;
    int fltOn = 0;

    // --- clocked delay (VCO) ---------------------------------------------------
    double vcoManValue = 0.5, vcoMan = 0.0;
    double vcoModValue = 0.5;
    double vcoOnValue = 1.0;
    int vcoOn = 1;

    // --- drive ----------------------------------------------------------------
    double driveValue = 0.0;

    // --- tempo ----------------------------------------------------------------
    double hostTempoNorm = (120.0 - 30.0) / 370.0;
    double hostTempo = 120.0;
    std::uint8_t hostTempoValid = 0;

    // --- LFO timing ------------------------------------------------------------
    double lfoModeValue = 0.5;
    int lfoMode = 1;
    double lfoNumValue = 0.1, lfoDenValue = 0.0;
    int lfoNum = 0, lfoDen = 0;

    // --- reverb settings ----------------------------------------------------------
    // (line geometry, loop gains and the band-pass live in the reverb stage)
    double rvbModeValue = 0.0;
    int rvbMode = 0;
    double rvbTypeValue = 0.0;
    int rvbType = 0;
    double rvbDampValue = 0.1, rvbAmtValue = 0.5;
    double reverbAmount = 0.5;
    double rvbOnValue = 0.0;
    int rvbOn = 0;

    // --- output ---------------------------------------------------------------
    double bypassValue = 0.0;
    int bypass = 0;
    // Bypass crossfades: 0 = processed, 1 = raw inputs, a 5 ms linear ramp between.
    double bypassMix = 0.0;

    // --- output hold around a preset load ----------------------------------------
    // A loading thread raises outputHolds and posts a new holdRequest; the block ramps
    // its output to silence over 4 ms, keeps it there while held, and answers with
    // holdAnswer = the request it saw. Once the holds are gone it waits 3 ms (what the
    // new settings stir up in the 1 ms lookahead passes unheard) and ramps back up over
    // 4 ms. (outputHolds, holdRequest and holdAnswer are accessed atomically.)
    int outputHolds = 0;
    std::uint32_t holdRequest = 0, holdAnswer = 0;
    double holdGain = 1.0;  // below 0: silent

    // --- rate-dependent constants (set by Engine::installRate only) ----------------
    int sampleRateInt = 44100;
    double sampleRate = 44100.0;
    double smoothCoef = 0.0;        // 1 - exp(-2 pi 30 / fs)
    double squareSmoothCoef = 0.0;  // LFO edge smoothing
    double fadeStep = 0.0;          // 0.001^(10 / fs)
    double spliceDecay = 0.0;       // exp(-1 / (fs * 1 ms)): a splice dies away in about 1 ms
    double maxCutoff = 44100.0 / 2.75;
    double invHalfRate = 2.0 / 44100.0;
    double bypassStep = 1.0 / 220.5;  // 5 ms ramp
    double holdStep = 1.0 / 176.4;    // 4 ms ramp
};

}  // namespace lumdel
