// The format-neutral plug-in: the engine with its lock and lifecycle, the parameter
// code (application, read-back, display texts, readout), the tempo and the meters. A
// host adapter owns one, hands it its HostPort and forwards the host's calls; the
// editor's listener (EditorLink) hears the tempo. No host format, editor or toolkit
// type appears here.
#pragma once

#include <atomic>
#include <mutex>

#include "HostPort.h"
#include "DisplayText.h"
#include "EditorLink.h"
#include "engine/Engine.h"
#include "engine/Routing.h"

namespace lumdel {

class PluginCore {
public:
    // Host UI thread (the adapter's construction): the engine at 44100 Hz, its reverb
    // for the spring type.
    explicit PluginCore(HostPort& host);
    ~PluginCore();
    PluginCore(const PluginCore&) = delete;
    PluginCore& operator=(const PluginCore&) = delete;

    // --- parameters (any thread unless noted) ---------------------------------------
    // The engine share of a parameter change: the curve or step rule of index 0..59 (a
    // value that is not finite, or another index, changes nothing).
    void applyParameter(int index, float value);
    // The stored value of parameter 0..59 (the legacy two read 1); 0 for other indices.
    float getParameter(int index) const;
    // UI thread: the host's display text of parameter 0..59.
    void parameterDisplay(int index, char* text) const;
    // UI thread: the editor's four-digit readout of parameter 0..59 (r holds what the
    // previous call left).
    void readout(int index, Readout& r) const;
    // True when the left and right delay settings match (within 0.01).
    bool channelsLinked() const;

    // --- tempo and meters -----------------------------------------------------------
    // Recomputes the tempo-synchronised values (kSyncLeft, kSyncRight, kSyncLfo) and
    // tells the editor the tempo.
    void recomputeSynced(int flags);
    // The editor's tempo control (0..1 maps 30..400 BPM), used while the host gives none.
    void setTempoNorm(float value);
    float tempoNorm() const { return static_cast<float>(engine_.hostTempoNorm); }
    double hostTempo() const { return engine_.hostTempo; }
    bool hostTempoValid() const { return engine_.hostTempoValid != 0; }
    // Kinds 1, 2 (delay fraction above 5000 ms), 4 (LFO fraction outside 0.01..15 Hz),
    // 8, 16 (pre-delay fraction above 1); any other kind: false.
    bool syncOutOfRange(int kind) const { return engine_.syncOutOfRange(kind); }
    // UI thread: peaks since the last call (then cleared), as heard after the latency.
    void readMeterPeaks(float& left, float& right) { engine_.readMeterPeaks(left, right); }

    // --- lifecycle (host UI thread) -------------------------------------------------
    // Tempo, pins, the buffers of the rate and output latency, then a reset. A resume
    // that cannot allocate leaves the blocks silent until a later resume succeeds.
    void resume();
    void suspend();
    // Usually before resume. While resumed, a rate the engine does not run at yet is
    // pending: the adapter then suspends and resumes under the engine lock, so it takes
    // effect before the next block.
    void setSampleRate(float sampleRate);
    bool rateChangePending() const;
    // The host fixes the channel counts; false (nothing changes) for counts the plug-in
    // cannot route.
    bool setArrangement(int inputs, int outputs);
    bool buffersMissing() const { return buffersMissing_; }
    // Construction, after preset 0: both lines' taps where their times put them.
    void placeTaps() {
        engine_.placeTaps(0);
        engine_.placeTaps(1);
    }
    bool arrangementFixed() const { return arrangementFixed_; }
    const Routing& routing() const { return routing_; }

    // --- the block (host audio thread) ----------------------------------------------
    template <typename T>
    void process(T** inputs, T** outputs, int sampleFrames);

    // --- a preset load (UI thread) --------------------------------------------------
    // Asks the block to ramp the output to silence and waits (at most 100 ms) until it
    // is there. Returns whether a hold was taken (release it with releaseOutput). No
    // hold while no block ran in the last 50 ms, or on the thread that runs the blocks.
    bool holdOutput();
    void releaseOutput();
    int reverbType() const { return engine_.rvbType; }
    // Empties the reverb under the engine lock (a load that changes its type).
    void clearReverb();

    // UI thread: the editor registers its listener here (null: no editor).
    void setListener(EditorLink* listener) { listener_ = listener; }
    EditorLink* listener() const { return listener_; }
    // The engine lock: held by each block, resume, suspend and the reverb type change.
    std::recursive_timed_mutex& engineLock() { return engineMutex_; }
    const EngineState& engineState() const { return engine_; }
    const Engine& engine() const { return engine_; }

private:
    void probePins();
    void applyNamed(int index, float value);
    void applyDelayMode(int line, float value);
    void applyRange(int line, float value);
    void applyDelayTime(int line, float value);
    void applyReverbType(float value);
    double parameterValue(int index) const;
    // Any thread: the monotonic clock in ns at the resolution of the system's tick (a
    // few ms), which is read without the processor's time-stamp counter: cheap enough
    // for every block, and fine enough for holdOutput's 50 ms.
    static long long blockClockNs();

    HostPort& host_;
    std::recursive_timed_mutex engineMutex_;
    // When (blockClockNs; 0: never) and on which thread the last block ran.
    std::atomic<long long> lastBlockNs_{0};
    std::atomic<unsigned long> blockThread_{0};
    Engine engine_;
    Routing routing_;
    float sampleRate_ = 44100.0f;
    bool arrangementFixed_ = false;
    // The last resume could not allocate the buffers of the host's rate: the blocks
    // output silence (read and written under the engine lock).
    bool buffersMissing_ = false;
    // Between resume and suspend (host UI thread only).
    bool resumed_ = false;
    EditorLink* listener_ = nullptr;
};

}  // namespace lumdel
