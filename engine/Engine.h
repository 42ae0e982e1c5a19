// The delay engine: the settings of EngineState plus tables, buffers and the stages of
// the signal path with their running state, with its lifecycle (construction, rate and
// latency changes, reset) and the tempo-synchronised timing (EngineTiming.cpp). The
// block itself is in EngineProcess.cpp. The engine takes no lock; its owner (Orv) holds
// the engine lock around every call that touches buffers or running state.
#pragma once

#include <cstddef>
#include <memory>

#include "AntiAlias.h"
#include "DelayLine.h"
#include "Drive.h"
#include "Ducker.h"
#include "EngineState.h"
#include "Gate.h"
#include "InputMeter.h"
#include "Lookahead.h"
#include "Modulation.h"
#include "Reverb.h"
#include "Routing.h"
#include "Splice.h"
#include "SvfFilter.h"
#include "Tables.h"
#include "ZeroArray.h"

namespace lumdel {

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
    // The rate the engine runs at for a host's rate: outside 4096..200000 Hz, 44100.
    static double effectiveRate(double hostRate);
    // Installs the host's rate (effectiveRate). Reallocates and re-places what depends on
    // it when it differs; true then. The caller re-applies the reverb type.
    // Throws std::bad_alloc without the memory, and then leaves everything as it was.
    bool installSampleRate(double hostRate);
    // Meter rings follow the host's output latency (1..44100 samples, else 1024). Throws
    // std::bad_alloc without the memory, and then leaves the rings as they were.
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

    // --- timing (EngineTiming.cpp) -------------------------------------------------
    // Flags kSyncLeft, kSyncRight, kSyncLfo (EngineState.h). No editor here: the plug-in core adds that.
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

    // --- editor meters (editor idle, no lock) ----------------------------------------
    void readMeterPeaks(float& left, float& right) { stages_.meter.readPeaks(left, right); }

    // True when this engine runs the block built for x86-64-v3 (chosen at construction).
    bool wideBlock() const { return wide_; }

    // --- the block (EngineProcess.cpp; float and double) --------------------------------
    template <typename T>
    void process(T** inputs, T** outputs, int frames, const Routing& routing);
    // Zeroes both routed outputs (a block that could not run).
    template <typename T>
    static void writeSilence(T** outputs, int frames, const Routing& routing);

    // --- introspection for tests and tools ----------------------------------------------
    int delayBufferLength() const { return delayBufferLength_; }
    int lookaheadLength() const { return stages_.lookahead.length; }
    int meterBufferLength() const { return stages_.meter.length; }
    int reverbMask() const { return reverbLines_.mask(); }
    int driveWindow() const { return stages_.drive.window; }
    std::size_t bufferBytes() const;
    double lfoPhase() const { return stages_.modulation.lfo.phase; }

private:
    // The stages of the signal path with their running state, in signal-path order. The
    // block copies those it runs sample by sample (SampleStages) into a local and writes
    // them back after its last sample; the reverb, which takes whole runs, stays in place.
    struct SampleStages {
        InputMeter meter;
        SvfFilter filter;
        AntiAlias antiAlias;
        Drive drive;
        ModulationSources modulation;
        Stereo fbOut{0.0, 0.0};  // fbOutL, fbOutR: each line's feedback of the previous sample
        DelayLine line[2];
        Gate gate;
        Lookahead lookahead;
        Ducker ducker;  // after the reverb
    };
    struct Stages : SampleStages {
        Reverb reverb;

        // Clears every running state but the content of the lines and the reverb, which
        // Engine::reset clears only when something was written.
        void reset();
        // False when some stage holds a value that is not finite.
        bool finite() const;
    };
    // What the block reads once, before its first sample (EngineProcess.cpp).
    struct BlockConstants;

    // The block (EngineBlock.h); kWide: the build for x86-64-v3 (EngineProcessWide.cpp).
    template <typename T, bool kClocked, bool kSmooth, bool kWide>
    void run(T** inputs, T** outputs, int frames, const Routing& routing);
    template <typename T, bool kWide>
    void runFor(bool clocked, bool smooth, T** inputs, T** outputs, int frames,
                const Routing& routing);
    BlockConstants blockConstants() const;
    bool smoothersSettled() const;

    // The buffers whose sizes follow the sample rate, all allocated before any is
    // installed (the constructor throws std::bad_alloc without the memory).
    struct RateBuffers {
        explicit RateBuffers(double fs);
        int lookaheadLength;
        int delayBufferLength;
        ZeroArray<Stereo> lookahead;
        ZeroArray<double> lines;
        ReverbLines reverb;
    };
    // The one place where a sample rate and every constant that depends on it are set;
    // takes over the rate's buffers (allocates nothing).
    void installRate(double fs, double lfoEdgeHz, RateBuffers&& fresh);
    void installRateBuffers(RateBuffers&& fresh);
    void allocateMeter(int length);
    std::size_t lineBytes() const;
    // Where the taps of a line belong for its current time and pre-delay.
    TapDistances tapDistances(int line) const;
    // The time of a line synchronised to the tempo, before the 5000 ms limit.
    double syncedDelayMs(int line) const;

    std::unique_ptr<Tables> tables_;
    bool wide_ = false;  // the block built for x86-64-v3 (see CpuLevel.h)
    double sineTableScale_ = 999.0 / kTwoPi;

    // Both lines live in one block, the right one starting a few cache lines past the end
    // of the left one, so that taps at equal positions never share a cache set.
    static constexpr int kLineGap = 72;
    ZeroArray<double> lineMemory_;
    int delayBufferLength_ = 0;
    ZeroArray<Stereo> lookaheadMemory_;
    ZeroArray<float> meterMemory_;
    ReverbLines reverbLines_;
    bool linesDirty_ = false;    // something was written since the last clear
    bool linesTouched_ = false;  // the lines' pages exist (see prefault)

    // The LFO increment of this block (0 in LfoMode 2 without a host position).
    double blockPhaseInc_ = 0;

    // The switches the last block ran with, and the splices of a preset load's switches.
    LinePathSwitches lastSwitches_;
    LineSplices splices_;

    Stages stages_;
};

}  // namespace lumdel
