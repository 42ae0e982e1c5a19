#include "Engine.h"

#include "CpuLevel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumdel {

namespace {

double onePoleHz(double hz, double fs) { return 1.0 - std::exp(-kTwoPi * hz / fs); }

// A one-pole coefficient stays within 0..1, whatever control value produced it.
double stableCoef(double c) {
    if (!(c >= 0.0)) return 0.0;
    return c > 1.0 ? 1.0 : c;
}

// The LFO's square, saw and random edges are smoothed at 1000 Hz at the rate an engine
// is built with, and at 500 Hz at every rate a host installs after that (44100 Hz
// included): two sounds that presets and renders have always had.
constexpr double kLfoEdgeHzAtConstruction = 1000.0;
constexpr double kLfoEdgeHzInstalled = 500.0;

}  // namespace

Engine::Engine() : tables_(std::make_unique<Tables>()), wide_(wideBlockUsable()) {
    sineTableScale_ = sineTableScaleValue();
    allocateMeter(kDefaultMeterLength);
    installRate(44100.0, kLfoEdgeHzAtConstruction, RateBuffers(44100.0));
}

void Engine::installRate(double fs, double lfoEdgeHz, RateBuffers&& fresh) {
    sampleRate = fs;
    sampleRateInt = static_cast<int>(fs);
    smoothCoef = onePoleHz(30.0, fs);
    squareSmoothCoef = onePoleHz(lfoEdgeHz, fs);
    fadeStep = std::pow(0.001, 1000.0 / (fs * 100.0));
    spliceDecay = std::exp(-1.0 / (0.001 * fs));
    maxCutoff = fs / 2.75;
    invHalfRate = 2.0 / fs;
    bypassStep = 1.0 / (0.005 * fs);
    holdStep = 1.0 / (0.004 * fs);
    updateEnvSpeedCoefs();
    updateLfoPhaseInc();
    stages_.antiAlias.design(fs);
    stages_.drive.setWindow(driveWindowFor(fs));
    installRateBuffers(std::move(fresh));  // lookahead, delay lines and taps, reverb
}

Engine::RateBuffers::RateBuffers(double fs)
    : lookaheadLength(std::max(1, static_cast<int>(fs / 1000.0))),
      delayBufferLength(10 * static_cast<int>(fs) + 1),
      lookahead(static_cast<std::size_t>(lookaheadLength)),
      lines(2 * static_cast<std::size_t>(delayBufferLength) + kLineGap) {
    reverb.allocate(reverbMaskFor(fs));
}

void Engine::installRateBuffers(RateBuffers&& fresh) {
    Lookahead& lookahead = stages_.lookahead;
    lookahead.length = fresh.lookaheadLength;
    lookaheadMemory_ = std::move(fresh.lookahead);
    lookahead.ring = lookaheadMemory_.get();
    lookahead.index = 0;

    delayBufferLength_ = fresh.delayBufferLength;
    lineMemory_ = std::move(fresh.lines);
    const std::size_t stride = static_cast<std::size_t>(delayBufferLength_) + kLineGap;
    for (int c = 0; c < 2; ++c) {
        DelayLine& line = stages_.line[c];
        line.buf = lineMemory_.get() + c * stride;
        line.length = delayBufferLength_;
        line.writeTap = 0;
        placeTaps(c);
    }
    linesTouched_ = false;

    reverbLines_ = std::move(fresh.reverb);
    stages_.reverb.attach(reverbLines_);
    stages_.reverb.setType(rvbType, sampleRate);
    stages_.reverb.setDamping(rvbDampValue);
}

void Engine::allocateMeter(int length) {
    InputMeter& meter = stages_.meter;
    meterMemory_ = ZeroArray<float>(2 * static_cast<std::size_t>(length));
    meter.buf[0] = meterMemory_.get();
    meter.buf[1] = meterMemory_.get() + length;
    meter.length = length;
    meter.index = 0;
}

std::size_t Engine::lineBytes() const {
    return sizeof(double) * (2 * static_cast<std::size_t>(delayBufferLength_) + kLineGap);
}

double Engine::effectiveRate(double hostRate) {
    return hostRate >= kMinRate && hostRate <= kMaxRate ? hostRate : 44100.0;
}

bool Engine::installSampleRate(double hostRate) {
    const double fs = effectiveRate(hostRate);
    if (fs == sampleRate) return false;
    // Allocated before anything changes: without the memory (std::bad_alloc) the engine
    // stays whole at its old rate.
    RateBuffers fresh(fs);
    installRate(fs, kLfoEdgeHzInstalled, std::move(fresh));
    channels.dlyFade = StereoFlag{0, 0};  // the taps were placed for the new rate
    linesDirty_ = false;
    return true;
}

void Engine::installMeterLength(long latency) {
    const bool known = latency >= 1 && latency <= 44100;
    const int n = known ? static_cast<int>(latency) : kDefaultMeterLength;
    if (n != stages_.meter.length) allocateMeter(n);
}

void Engine::reset() {
    if (linesDirty_) {
        std::memset(lineMemory_.get(), 0, lineBytes());
        stages_.reverb.reset();
        linesDirty_ = false;
        linesTouched_ = true;
    } else {
        stages_.reverb.resetFilters();
    }
    stages_.reset();
    splices_ = LineSplices();
}

void Engine::Stages::reset() {
    meter.reset();
    filter.reset();
    antiAlias.reset();
    drive.reset();
    modulation.reset();
    fbOut = Stereo{0.0, 0.0};
    for (DelayLine& l : line) l.reset();
    gate.reset();
    lookahead.reset();
    ducker.reset();
}

bool Engine::Stages::finite() const {
    return std::isfinite(fbOut[0]) && std::isfinite(fbOut[1]) && line[0].finite() &&
           line[1].finite() && filter.finite() && antiAlias.finite() && drive.finite() &&
           modulation.finite() && gate.finite() && lookahead.finite() && reverb.finite() &&
           ducker.finite();
}

void Engine::prefault() {
    if (linesTouched_) return;
    std::memset(lineMemory_.get(), 0, lineBytes());
    linesTouched_ = true;
}

void Engine::settle() {
    snapAll<Glides>(*this);
    snapAll<ChannelGlides>(channels);
    bypassMix = bypass != 0 ? 1.0 : 0.0;
    holdGain = __atomic_load_n(&outputHolds, __ATOMIC_ACQUIRE) > 0 ? -0.75 : 1.0;
    stages_.modulation.lfo.clearTargets();
    stages_.lookahead.index = 0;
    applyPendingTimes();
    reset();
}

bool Engine::smoothersSettled() const {
    SettledCheck check(smoothCoef);
    addTo<Glides>(check, *this);
    addTo<ChannelGlides>(check, channels);
    return check.settled() && bypassMix == (bypass != 0 ? 1.0 : 0.0) && holdGain == 1.0 &&
           __atomic_load_n(&outputHolds, __ATOMIC_ACQUIRE) == 0;
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
    stages_.reverb.setType(type, sampleRate);
    stages_.reverb.setDamping(rvbDampValue);
}

void Engine::clearReverb() { stages_.reverb.reset(); }

std::size_t Engine::bufferBytes() const {
    return sizeof(Engine) + sizeof(Tables) + lineBytes() +
           sizeof(Stereo) * stages_.lookahead.length +
           2 * sizeof(float) * stages_.meter.length + reverbLines_.bytes();
}

}  // namespace lumdel
