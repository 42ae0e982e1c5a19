#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "Denormal.h"

namespace lumdel {

namespace {

template <typename T>
ZeroArray<T> zeroArray(std::size_t n) {
    return ZeroArray<T>(n);
}

double onePoleHz(double hz, double fs) { return 1.0 - std::exp(-kTwoPi * hz / fs); }

// A one-pole coefficient stays within 0..1, whatever control value produced it.
double stableCoef(double c) {
    if (!(c >= 0.0)) return 0.0;
    return c > 1.0 ? 1.0 : c;
}

}  // namespace

Engine::Engine() : tables_(std::make_unique<Tables>()) {
    sineTableScale_ = sineTableScaleValue();
    sampleRateInt = 44100;
    sampleRate = 44100.0;
    fadeStep = std::pow(0.001, 1.0 / 4410.0);
    maxCutoff = sampleRate / 2.75;
    invHalfRate = 2.0 / sampleRate;
    smoothCoef = onePoleHz(30.0, sampleRate);
    squareSmoothCoef = onePoleHz(1000.0, sampleRate);
    left_.fadeGain = right_.fadeGain = 1.0;
    modulation_.cutoffFactor = 1.0;
    updateEnvSpeedCoefs();
    updateLfoPhaseInc();

    lookahead_.length = static_cast<int>(sampleRate / 1000.0);
    meterBufferLength_ = kDefaultMeterLength;
    allocateRateBuffers();
    meterBufL_ = zeroArray<float>(meterBufferLength_);
    meterBufR_ = zeroArray<float>(meterBufferLength_);
    drive_.setWindow(driveWindowFor(sampleRate));
    designAntiAlias();
}

void Engine::allocateRateBuffers() {
    lookahead_.length = std::max(1, static_cast<int>(sampleRate / 1000.0));
    lookaheadBufL_ = zeroArray<double>(lookahead_.length);
    lookaheadBufR_ = zeroArray<double>(lookahead_.length);
    lookahead_.bufL = lookaheadBufL_.get();
    lookahead_.bufR = lookaheadBufR_.get();
    lookahead_.index = 0;

    delayBufferLength_ = 10 * sampleRateInt + 1;
    lineMemory_.reset();
    lineMemory_ = zeroArray<double>(2 * static_cast<std::size_t>(delayBufferLength_) + kLineGap);
    left_.buf = lineMemory_.get();
    right_.buf = lineMemory_.get() + delayBufferLength_ + kLineGap;
    left_.writeTap = right_.writeTap = 0;
    linesTouched_ = false;
    placeTaps(0);
    placeTaps(1);

    reverbLines_.allocate(reverbMaskFor(sampleRate));
    reverb_.attach(reverbLines_);
    reverb_.setType(rvbType, sampleRate);
    reverb_.setDamping(rvbDampValue);
}

void Engine::designAntiAlias() {
    // A second-order Butterworth low-pass at 14000 Hz; at 28000 Hz and below that is at
    // or above half the rate, so the design moves to 0.45 fs there.
    double fc = 14000.0;
    if (sampleRate <= 28000.0) fc = 0.45 * sampleRate;
    const double k = 1.0 / std::tan(kPi * fc / sampleRate);
    const double n = k * k + std::sqrt(2.0) * k + 1.0;
    aaB0_ = 1.0 / n;
    aaB1_ = 2.0 / n;
    aaB2_ = 1.0 / n;
    aaA1_ = 2.0 * (1.0 - k * k) / n;
    aaA2_ = (k * k - std::sqrt(2.0) * k + 1.0) / n;
}

bool Engine::installSampleRate(double hostRate) {
    double fs = hostRate;
    if (!(fs >= kMinRate && fs <= kMaxRate)) fs = 44100.0;
    if (fs == sampleRate) return false;

    sampleRate = fs;
    sampleRateInt = static_cast<int>(fs);
    fadeStep = std::pow(0.001, 1000.0 / (fs * 100.0));
    maxCutoff = fs / 2.75;
    invHalfRate = 2.0 / fs;
    smoothCoef = onePoleHz(30.0, fs);
    bypassStep = 1.0 / (0.005 * fs);
    holdStep = 1.0 / (0.004 * fs);
    squareSmoothCoef = onePoleHz(500.0, fs);
    designAntiAlias();
    allocateRateBuffers();  // lookahead, delay lines and taps, reverb lines and type
    dlyFadeL = dlyFadeR = 0;
    drive_.setWindow(driveWindowFor(fs));
    updateEnvSpeedCoefs();
    updateLfoPhaseInc();
    linesDirty_ = false;
    return true;
}

void Engine::installMeterLength(long latency) {
    int n = (latency >= 1 && latency <= 44100) ? static_cast<int>(latency) : kDefaultMeterLength;
    if (n == meterBufferLength_) return;
    meterBufferLength_ = n;
    meterBufL_ = zeroArray<float>(n);
    meterBufR_ = zeroArray<float>(n);
    meterIndex_ = 0;
}

void Engine::reset() {
    if (linesDirty_) {
        std::memset(lineMemory_.get(), 0, sizeof(double) * (2 * delayBufferLength_ + kLineGap));
        reverb_.reset();
        linesDirty_ = false;
        linesTouched_ = true;
    } else {
        for (double& v : reverb_.lp) v = 0;
        reverb_.bpL = ReverbBandPass();
        reverb_.bpR = ReverbBandPass();
    }
    lookahead_.reset();
    std::memset(meterBufL_.get(), 0, sizeof(float) * meterBufferLength_);
    std::memset(meterBufR_.get(), 0, sizeof(float) * meterBufferLength_);
    meterMinL_ = meterMinR_ = meterMaxL_ = meterMaxR_ = 0.0f;

    const double cutoffFactor = modulation_.cutoffFactor;
    const double resoModSource = modulation_.resoModSource;
    filter_.reset();
    drive_.reset();
    ducker_.reset();
    lfo_.reset();
    env_.reset();
    modulation_.reset();
    modulation_.cutoffFactor = cutoffFactor;
    modulation_.resoModSource = resoModSource;
    gate_.reset();
    fbOutL_ = fbOutR_ = 0.0;
    for (DelayLine* line : {&left_, &right_}) {
        line->aa[0] = line->aa[1] = BiquadState();
        for (int k = 0; k < 4; ++k) line->fbHist[k] = line->inHist[k] = line->readHist[k] = 0.0;
        line->vcoSpeed = 1.0;
        line->vcoPhase = 0.0;
    }
}

void Engine::prefault() {
    if (linesTouched_) return;
    std::memset(lineMemory_.get(), 0, sizeof(double) * (2 * delayBufferLength_ + kLineGap));
    linesTouched_ = true;
}

void Engine::settle() {
    inputGain = inputGainTarget;
    muteInL = muteInLTarget;
    muteInR = muteInRTarget;
    outputGain = outputGainTarget;
    mix = mixTarget;
    fbGainL = fbGainLTarget;
    fbGainR = fbGainRTarget;
    fbPanL = fbPanLTarget;
    fbPanR = fbPanRTarget;
    dlyPanL = dlyPanLTarget;
    dlyPanR = dlyPanRTarget;
    gateThresholdL = gateThresholdLTarget;
    gateThresholdR = gateThresholdRTarget;
    modSrc = modSrcTarget;
    cutfMod = cutfModTarget;
    resoMod = resoModTarget;
    cutoff = cutoffTarget;
    reso = resoTarget;
    vcoMod = vcoModTarget;
    driveGain = driveGainTarget;
    bypassMix = bypass != 0 ? 1.0 : 0.0;
    holdGain = __atomic_load_n(&outputHolds, __ATOMIC_ACQUIRE) > 0 ? -0.75 : 1.0;

    lfo_.clearTargets();
    dlyFadeL = dlyFadeR = 0;
    lookahead_.index = 0;
    left_.fadeGain = right_.fadeGain = 1.0;
    placeTaps(0);
    placeTaps(1);
    reset();
}

void Engine::applyPendingTimes() {
    dlyFadeL = dlyFadeR = 0;
    left_.fadeGain = right_.fadeGain = 1.0;
    placeTaps(0);
    placeTaps(1);
}

void Engine::placeTaps(int line) {
    DelayLine& d = line == 0 ? left_ : right_;
    const int len = delayBufferLength_;
    // The line holds 10 s: a delay of at most 5000 ms plus a pre-delay of at most as
    // much. Times outside that (only reachable with values outside 0..1) are held in.
    double t = line == 0 ? dlyTimeLMs : dlyTimeRMs;
    if (!(t > 0.0)) t = 0.0;
    if (t > 5000.0) t = 5000.0;
    double p = (line == 0 ? dlyTimeLMs : dlyTimeRMs) *
               kPreDelayNumeratorTable[line == 0 ? preNumL : preNumR] /
               kDenominatorTable[line == 0 ? preDenL : preDenR];
    if (!(p > 0.0)) p = 0.0;
    if (p > t) p = t;
    const double perMs = sampleRate / 1000.0;
    int pre = d.writeTap - static_cast<int>(p * perMs);
    if (pre < 0) pre += len;
    int out = pre - static_cast<int>(t * perMs);
    if (out < 0) out += len;
    d.preTap = std::clamp(pre, 0, len - 1);
    d.outTap = std::clamp(out, 0, len - 1);
}

void Engine::recomputeSynced(int flags) {
    if ((flags & kSyncLfo) && lfoMode != 0) {
        double rate = kDenominatorTable[lfoDen] * hostTempo / (240.0 * kLfoNumeratorTable[lfoNum]);
        rate = std::clamp(rate, 0.01, 15.0);
        lfoRateHz = rate;
        updateLfoPhaseInc();
    }
    if ((flags & kSyncLeft) && dlySyncL != 0) {
        double t = kDelayNumeratorTable[dlyNumL] * 240000.0 / (kDenominatorTable[dlyDenL] * hostTempo);
        t = std::min(t, 5000.0);
        dlyTimeLSetMs = dlyTimeLMs = t;
        __atomic_store_n(&dlyFadeL, 1, __ATOMIC_RELEASE);
    }
    if ((flags & kSyncRight) && dlySyncR != 0) {
        double t = kDelayNumeratorTable[dlyNumR] * 240000.0 / (kDenominatorTable[dlyDenR] * hostTempo);
        t = std::min(t, 5000.0);
        dlyTimeRSetMs = dlyTimeRMs = t;
        __atomic_store_n(&dlyFadeR, 1, __ATOMIC_RELEASE);
    }
}

bool Engine::syncOutOfRange(int kind) const {
    switch (kind) {
        case 1:
            return kDelayNumeratorTable[dlyNumL] * 240000.0 / (kDenominatorTable[dlyDenL] * hostTempo) >
                   5000.0;
        case 2:
            return kDelayNumeratorTable[dlyNumR] * 240000.0 / (kDenominatorTable[dlyDenR] * hostTempo) >
                   5000.0;
        case 4: {
            const double rate =
                kDenominatorTable[lfoDen] * hostTempo / (kLfoNumeratorTable[lfoNum] * 240.0);
            return rate > 15.0 || rate < 0.01;
        }
        case 8:
            return kPreDelayNumeratorTable[preNumL] / kDenominatorTable[preDenL] > 1.0;
        case 16:
            return kPreDelayNumeratorTable[preNumR] / kDenominatorTable[preDenR] > 1.0;
        default:
            return false;
    }
}

bool Engine::blockTempo(bool haveRecord, double tempo) {
    if (!haveRecord) {
        hostTempoValid = 0;
        return false;
    }
    hostTempoValid = 1;
    if (tempo != hostTempo && tempo >= 30.0 && tempo <= 400.0) {
        hostTempo = tempo;
        hostTempoNorm = (tempo - 30.0) / 370.0;
        return true;
    }
    return false;
}

void Engine::blockLfoLock(bool havePosition, double ppqPos) {
    blockPhaseInc_ = lfoPhaseInc;
    if (lfoMode != 2) return;
    if (!havePosition || !std::isfinite(ppqPos)) {
        lfo_.phase = 0.0;
        blockPhaseInc_ = 0.0;
        return;
    }
    const double cycles = ppqPos / (kLfoNumeratorTable[lfoNum] * 4.0 / kDenominatorTable[lfoDen]);
    double phase = kTwoPi * (cycles - std::floor(cycles));
    if (phase > kPi) phase -= kTwoPi;
    if (!std::isfinite(phase)) phase = 0.0;
    lfo_.phase = phase;
}

void Engine::updateEnvSpeedCoefs() {
    const double e = envSpeedValue;
    envCoef = stableCoef(envelopeCoefFor(envTimeMs, sampleRate));
    gateAttackCoef = gateAttackCoefFor(sampleRate);
    gateReleaseCoef = stableCoef(gateReleaseCoefFor(sampleRate, e));
    duckAttackCoef = duckAttackCoefFor(sampleRate);
    duckReleaseCoef = stableCoef(duckReleaseCoefFor(sampleRate, e));
}

void Engine::updateLfoPhaseInc() { lfoPhaseInc = kTwoPi * lfoRateHz / sampleRate; }

void Engine::applyReverbType(double v, int type) {
    rvbTypeValue = v;
    rvbType = type;
    reverb_.setType(type, sampleRate);
    reverb_.setDamping(rvbDampValue);
}

void Engine::clearReverb() { reverb_.reset(); }

void Engine::readMeterPeaks(float& left, float& right) {
    left = std::max(meterMaxL_, -meterMinL_);
    right = std::max(meterMaxR_, -meterMinR_);
    meterMinL_ = meterMinR_ = meterMaxL_ = meterMaxR_ = 0.0f;
}

std::size_t Engine::bufferBytes() const {
    return sizeof(Engine) + sizeof(Tables) + sizeof(double) * (2 * delayBufferLength_ + kLineGap) +
           2 * sizeof(double) * lookahead_.length + 2 * sizeof(float) * meterBufferLength_ +
           reverbLines_.bytes();
}

bool Engine::smoothersSettled() const {
    const double c = smoothCoef;
    auto still = [c](double x, double t) { return flush(x + (t - x) * c) == x; };
    return still(inputGain, inputGainTarget) && still(muteInL, muteInLTarget) &&
           still(muteInR, muteInRTarget) && still(outputGain, outputGainTarget) &&
           still(mix, mixTarget) && still(fbGainL, fbGainLTarget) &&
           still(fbGainR, fbGainRTarget) && still(fbPanL, fbPanLTarget) &&
           still(fbPanR, fbPanRTarget) && still(dlyPanL, dlyPanLTarget) &&
           still(dlyPanR, dlyPanRTarget) && still(gateThresholdL, gateThresholdLTarget) &&
           still(gateThresholdR, gateThresholdRTarget) && still(modSrc, modSrcTarget) &&
           still(cutfMod, cutfModTarget) && still(resoMod, resoModTarget) &&
           still(cutoff, cutoffTarget) && still(reso, resoTarget) &&
           still(vcoMod, vcoModTarget) && still(driveGain, driveGainTarget) &&
           bypassMix == (bypass != 0 ? 1.0 : 0.0) && holdGain == 1.0 &&
           __atomic_load_n(&outputHolds, __ATOMIC_ACQUIRE) == 0;
}

}  // namespace lumdel
