// The engine's settings as the parameter code leaves them: every normalised value
// (…Value), every derived setting (…Target, or the plain name for settings that act at
// once; always derived from the value held within 0..1, so that no value a host sends
// can drive the signal path out of its range), the smoothed copies that follow their targets once per sample, the tempo and
// delay-timing fields, and the rate-dependent constants. The parameter code writes these
// fields without the engine lock (single aligned stores); the block reads them.
//
// Running signal state (delay lines, filter states, LFO phase, reverb lines ...) lives
// with the stages in lumdel::Engine, not here.
#pragma once

#include <cstdint>

namespace lumdel {

// Note tables shared by delay, pre-delay and LFO synchronisation (fractions of a whole
// note: numerator / denominator).
constexpr double kDelayNumeratorTable[5] = {1, 3, 5, 7, 9};
constexpr double kPreDelayNumeratorTable[6] = {0, 1, 3, 5, 7, 9};
constexpr double kLfoNumeratorTable[5] = {1, 2, 3, 4, 8};
constexpr double kDenominatorTable[13] = {1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64, 96};
constexpr double kRangeMs[3] = {100.0, 1000.0, 5000.0};

// Flags of recomputeSynced.
enum SyncFlags : int { kSyncLeft = 1, kSyncRight = 2, kSyncLfo = 4, kSyncAll = 7 };

struct EngineState {
    // --- input, output, mix ------------------------------------------------
    double inputValue = 0.5, inputGain = 1.0, inputGainTarget = 1.0;
    double outputValue = 0.5, outputGain = 1.0, outputGainTarget = 1.0;
    double mixValue = 0.5, mix = 0.5, mixTarget = 0.5;

    // --- feedback matrix -----------------------------------------------------
    double fbGainLValue = 0.0, fbGainL = 0.0, fbGainLTarget = 0.0;
    double fbGainRValue = 0.0, fbGainR = 0.0, fbGainRTarget = 0.0;
    double fbPanLValue = 0.0, fbPanL = 0.0, fbPanLTarget = 0.0;
    double fbPanRValue = 1.0, fbPanR = 1.0, fbPanRTarget = 1.0;
    double fbInvLValue = 0.25, fbInvRValue = 0.25;
    int fbInvL = 0, fbInvR = 0;
    double fbSignL = 1.0, fbSignR = 1.0;

    // --- delay output: pan, gate, sign -----------------------------------------
    double dlyPanLValue = 0.0, dlyPanL = 0.0, dlyPanLTarget = 0.0;
    double dlyPanRValue = 1.0, dlyPanR = 1.0, dlyPanRTarget = 1.0;
    double gateThresholdL = 0.0, gateLValue = 0.0, gateThresholdLTarget = 0.0;
    double gateThresholdR = 0.0, gateRValue = 0.0, gateThresholdRTarget = 0.0;
    double dlyInvLValue = 0.25, dlyInvRValue = 0.25;
    int dlyInvL = 0, dlyInvR = 0;
    double dlySignL = 1.0, dlySignR = 1.0;

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
    double modSrcValue = 0.5, modSrc = 0.5, modSrcTarget = 0.5;
    double cutfModValue = 0.5, cutfModTarget = 0.0, cutfMod = 0.0;
    double resoModValue = 0.5, resoModTarget = 0.0, resoMod = 0.0;
    double envSpeedValue = 0.5, envTimeMs = 550.0, envCoef = 0.0;
    double modSensValue = 0.5, modSens = 4.0;

    // --- filter ---------------------------------------------------------------
    double fltTypeValue = 0.166667;
    int fltType = 0;
    double cutoffValue = 1.0, cutoffTarget = 16000.0, cutoff = 16000.0;
    double resoValue = 0.0, resoTarget = 0.05, reso = 0.05;
    double fltModeValue = 0.166667;
    int fltMode = 0;
    double fltOnValue = 0.0;
    int fltOn = 0;

    // --- clocked delay (VCO) ---------------------------------------------------
    double vcoManValue = 0.5, vcoMan = 0.0;
    double vcoModValue = 0.5, vcoModTarget = 0.0, vcoMod = 0.0;
    double vcoOnValue = 1.0;
    int vcoOn = 1;

    // --- drive ----------------------------------------------------------------
    double driveValue = 0.0, driveGainTarget = 1.0, driveGain = 1.0;

    // --- tempo ----------------------------------------------------------------
    double hostTempoNorm = (120.0 - 30.0) / 370.0;
    double hostTempo = 120.0;
    std::uint8_t hostTempoValid = 0;

    // --- delay timing, per channel ---------------------------------------------
    double dlyModeLValue = 1.0, dlyModeRValue = 1.0;
    int dlySyncL = 1, dlySyncR = 1;
    double dlyNumLValue = 0.1, dlyNumRValue = 0.1, dlyDenLValue = 0.269231,
           dlyDenRValue = 0.269231;
    int dlyNumL = 0, dlyNumR = 0;
    int dlyDenL = 3, dlyDenR = 3;
    double preNumLValue = 0.0, preNumRValue = 0.0, preDenLValue = 0.115385,
           preDenRValue = 0.115385;
    int preNumL = 0, preNumR = 0;
    int preDenL = 1, preDenR = 1;
    double rangeLValue = 0.833334, rangeRValue = 0.833334;
    double rangeLMs = 5000.0, rangeRMs = 5000.0;
    int rangeL = 2, rangeR = 2;
    double dlyTimeLNorm = 0.4, dlyTimeRNorm = 0.4;
    double dlyTimeLMs = 500.0, dlyTimeRMs = 500.0;
    double dlyTimeLSetMs = 500.0, dlyTimeRSetMs = 500.0;
    std::uint8_t dlyFadeL = 0, dlyFadeR = 0;

    // --- LFO timing ------------------------------------------------------------
    double lfoModeValue = 0.5;
    int lfoMode = 1;
    double lfoNumValue = 0.1, lfoDenValue = 0.0;
    int lfoNum = 0, lfoDen = 0;

    // --- input mutes ------------------------------------------------------------
    double muteInLValue = 0.0, muteInRValue = 0.0;
    double muteInLTarget = 1.0, muteInRTarget = 1.0;
    double muteInL = 1.0, muteInR = 1.0;

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
    double bypassStep = 1.0 / 220.5;

    // --- output hold around a preset load ----------------------------------------
    // A loading thread raises outputHolds and posts a new holdRequest; the block ramps
    // its output to silence over 4 ms, keeps it there while held, and answers with
    // holdAnswer = the request it saw. Once the holds are gone it waits 3 ms (what the
    // new settings stir up in the 1 ms lookahead passes unheard) and ramps back up over
    // 4 ms. (outputHolds, holdRequest and holdAnswer are accessed atomically.)
    int outputHolds = 0;
    std::uint32_t holdRequest = 0, holdAnswer = 0;
    double holdGain = 1.0;  // below 0: silent
    double holdStep = 1.0 / 176.4;

    // --- rate-dependent constants -------------------------------------------------
    int sampleRateInt = 44100;
    double sampleRate = 44100.0;
    double smoothCoef = 0.0;        // 1 - exp(-2 pi 30 / fs)
    double squareSmoothCoef = 0.0;  // LFO edge smoothing
    double fadeStep = 0.0;          // 0.001^(10 / fs)
    double maxCutoff = 44100.0 / 2.75;
    double invHalfRate = 2.0 / 44100.0;
};

}  // namespace lumdel
