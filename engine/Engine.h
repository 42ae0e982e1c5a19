// The delay engine: the settings of EngineState plus tables, buffers, running state and
// the stages of the signal path, with its lifecycle (construction, rate and latency
// changes, reset) and the tempo-synchronised timing. The block itself is in
// EngineProcess.cpp. The engine takes no lock; its owner (Orv) holds the engine lock
// around every call that touches buffers or running state.
#pragma once

#include <cstddef>
#include <memory>

#include "EngineState.h"
#include "Modulation.h"
#include "Random.h"
#include "Reverb.h"
#include "Routing.h"
#include "Drive.h"
#include "Ducker.h"
#include "Gate.h"
#include "SvfFilter.h"
#include "Tables.h"
#include "ZeroArray.h"

namespace lumdel {

// Second-order section of the anti-alias low-pass (direct form I).
struct BiquadState {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// Per line of the delay: buffer, taps and the clocked mode's histories.
struct DelayLine {
    double* buf = nullptr;  // inside Engine::lineMemory_
    int writeTap = 0;  // writeTapX
    int preTap = 0;    // preTapX: feedback insertion
    int outTap = 0;    // outTapX: output read
    double fbHist[4] = {};
    double inHist[4] = {};
    double readHist[4] = {};
    double vcoSpeed = 1.0;
    double vcoPhase = 0.0;
    double fadeGain = 1.0;
    BiquadState aa[2];  // two cascaded anti-alias stages
};

class Engine : public EngineState {
public:
    static constexpr double kMinRate = 4096.0;
    static constexpr double kMaxRate = 200000.0;
    static constexpr int kDefaultMeterLength = 1024;

    // Tables, 44100 Hz constants and buffers; then the caller applies the parameters.
    Engine();
    ~Engine() = default;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // --- lifecycle (under the engine lock) ------------------------------------
    // Installs the host's rate (outside 4096..200000: 44100). Reallocates and re-places
    // what depends on it when it differs; true then. The caller re-applies the reverb type.
    bool installSampleRate(double hostRate);
    // Meter rings follow the host's output latency (1..44100 samples, else 1024).
    void installMeterLength(long latency);
    // Zeroes every running signal state; the configuration stays.
    void reset();
    // Touches fresh lines once (outside the audio thread), so the first blocks do not
    // take the page faults.
    void prefault();
    // The suspend share: smoothers jump to their targets, pending fades end, taps placed.
    void settle();
    // Pending time changes take effect at once, without the fade (the lines are silent
    // after a reset, so there is nothing to fade).
    void applyPendingTimes();
    // Places the pre-tap and out-tap of line 0 (left) or 1 (right) behind its write tap.
    void placeTaps(int line);

    // --- timing -------------------------------------------------------------------
    // Flags kSyncLeft, kSyncRight, kSyncLfo (EngineState.h). No editor here: Orv adds that.
    void recomputeSynced(int flags);
    // The editor's range warnings: kinds 1, 2 (delay), 4 (LFO), 8, 16 (pre-delay).
    bool syncOutOfRange(int kind) const;
    // Per block: a time record (or none). Returns true when the tempo changed and the
    // synchronised values need recomputing.
    bool blockTempo(bool haveRecord, double tempo);
    // Per block in LfoMode 2: locks the LFO phase to the host position, or stops it.
    void blockLfoLock(bool havePosition, double ppqPos);

    // --- coefficients that depend on the rate -----------------------------------
    void updateEnvSpeedCoefs();  // envCoef, gate and ducking coefficients from envSpeedValue
    void updateLfoPhaseInc();    // lfoPhaseInc from lfoRateHz
    // RvbType under the engine lock (the caller holds it): positions, band-pass, damping.
    void applyReverbType(double v, int type);
    // Empties the reverb (lines, damping and band-pass states). Under the engine lock.
    void clearReverb();

    // --- editor meters ----------------------------------------------------------------
    void readMeterPeaks(float& left, float& right);

    // --- the block (EngineProcess.cpp; float and double) --------------------------------
    template <typename T>
    void process(T** inputs, T** outputs, int frames, const Routing& routing);
    // Zeroes both routed outputs (a block that could not run).
    template <typename T>
    static void writeSilence(T** outputs, int frames, const Routing& routing);

    // --- introspection for tests and tools ----------------------------------------------
    int delayBufferLength() const { return delayBufferLength_; }
    int lookaheadLength() const { return lookahead_.length; }
    int meterBufferLength() const { return meterBufferLength_; }
    int reverbMask() const { return reverbLines_.mask(); }
    int driveWindow() const { return drive_.window; }
    std::size_t bufferBytes() const;
    double lfoPhase() const { return lfo_.phase; }

private:
    template <typename T, bool kVco, bool kSmooth>
    void run(T** inputs, T** outputs, int frames, const Routing& routing);

    void allocateRateBuffers();
    void designAntiAlias();
    bool smoothersSettled() const;

    std::unique_ptr<Tables> tables_;
    double sineTableScale_ = 999.0 / kTwoPi;

    // Lines and rings. Both lines live in one block, the right one starting a few cache
    // lines past the end of the left one, so that taps at equal positions never share
    // a cache set.
    static constexpr int kLineGap = 72;
    ZeroArray<double> lineMemory_;
    int delayBufferLength_ = 0;
    DelayLine left_, right_;
    ZeroArray<double> lookaheadBufL_, lookaheadBufR_;
    int meterBufferLength_ = 0;
    int meterIndex_ = 0;
    ZeroArray<float> meterBufL_, meterBufR_;
    float meterMinL_ = 0, meterMinR_ = 0, meterMaxL_ = 0, meterMaxR_ = 0;
    bool linesDirty_ = false;    // something was written since the last clear
    bool linesTouched_ = false;  // the lines' pages exist (see prefault)

    // Anti-alias coefficients.
    double aaB0_ = 0, aaB1_ = 0, aaB2_ = 0, aaA1_ = 0, aaA2_ = 0;

    // Feedback of the previous sample.
    double fbOutL_ = 0, fbOutR_ = 0;

    // The LFO increment of this block (0 in LfoMode 2 without a host position).
    double blockPhaseInc_ = 0;

    // Stages.
    SvfFilter filter_;
    EnvelopeFollower env_;
    Lfo lfo_;
    ModulationBlend modulation_;
    Random random_;
    ReverbLines reverbLines_;
    Reverb reverb_;
    Drive drive_;
    Gate gate_;
    Lookahead lookahead_;
    Ducker ducker_;
};

}  // namespace lumdel
