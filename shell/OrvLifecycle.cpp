// The engine's lifecycle as the host drives it (effMainsChanged) and the preset load.
#include <pthread.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <new>
#include <thread>

#include "Orv.h"
#include "ParameterTable.h"

using namespace lumdel;

namespace {
constexpr std::chrono::milliseconds kLockWait{1000};
}

// Host UI thread (effMainsChanged 1), before processing starts: MIDI registration,
// tempo, pins, the sample rate and output latency the buffers depend on, then a reset.
// A lock not obtained within 1000 ms leaves everything as it was. Without the memory
// for the new rate's buffers the engine keeps its old ones and the blocks are silent
// until a later resume gets the memory.
void Orv::resume() {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    if (!lock.try_lock_for(kLockWait)) return;
    CPresetSystemEffect::resume();

    if (VstTimeInfo* time = getTimeInfo(kVstTempoValid)) {
        const double tempo = time->tempo;
        if (isTempo(tempo)) {
            engine_.hostTempo = tempo < 30.0 ? 30.0 : (tempo > 400.0 ? 400.0 : tempo);
            engine_.hostTempoNorm = (engine_.hostTempo - 30.0) / 370.0;
            recomputeSynced(kSyncAll);
        }
    }
    probePins();
    try {
        engine_.installSampleRate(getSampleRate());
        engine_.installMeterLength(static_cast<long>(getOutputLatency()));
        buffersMissing_ = false;
    } catch (const std::bad_alloc&) {
        buffersMissing_ = true;
    }
    engine_.reset();
    // The lines start empty, so the tempo just read needs no fade: without this the
    // first echoes after a transport start would be faded away.
    engine_.applyPendingTimes();
    engine_.prefault();
    resumed_ = true;
}

// Host UI thread (effMainsChanged 0) and construction: smoothers at their targets,
// pending time changes applied directly, running state cleared.
void Orv::suspend() {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    if (!lock.try_lock_for(kLockWait)) return;
    engine_.settle();
    resumed_ = false;
}

// The lines are sized for the new rate and cleared here, on the host's thread, while the
// lock keeps the blocks out; the audio thread never allocates. An unchanged rate leaves
// everything running (some hosts send the same rate again). A lock not obtained in time
// leaves the new rate to the next resume.
void Orv::setSampleRate(float sampleRate) {
    CPresetSystemEffect::setSampleRate(sampleRate);
    if (!resumed_ || Engine::effectiveRate(sampleRate) == engine_.sampleRate) return;
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    if (!lock.try_lock_for(kLockWait)) return;
    suspend();
    resume();
}

// Editor preset menu or preset store, UI thread: the preset's 60 values go through the
// full parameter path; then the editor relinks matching channels and every synchronised
// value follows the current tempo.
// The preset's switches and modes act at once: while audio runs on another thread, the
// output is ramped to silence around the load (4 ms down, 3 ms silent, 4 ms up).
// A preset of the other reverb type starts with an empty reverb: the old tail, carried on
// through the new topology, would jump where the lines change from the old type's
// writing to the new one's, a line length after the load, long after the ramp.
void Orv::setCurrentPreset(VstInt32 index) {
    if (index < 0 || index >= kNumPresets) return;
    const bool held = holdOutput();
    const int reverbType = engine_.rvbType;
    if (editorLink_) editorLink_->unlinkChannels();
    CPresetSystemEffect::setCurrentPreset(index);
    if (engine_.rvbType != reverbType) clearReverb();
    if (editorLink_ && channelsLinked()) editorLink_->linkChannels();
    recomputeSynced(kSyncAll);
    if (held) releaseOutput();
}

void Orv::clearReverb() {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    if (lock.try_lock_for(kLockWait)) engine_.clearReverb();
}

bool Orv::holdOutput() {
    using namespace std::chrono;
    const long long last = lastBlockNs_.load(std::memory_order_relaxed);
    const long long now = duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
    if (last == 0 || now - last > 50'000'000LL) return false;
    if (blockThread_.load(std::memory_order_relaxed) ==
        static_cast<unsigned long>(pthread_self()))
        return false;
    __atomic_fetch_add(&engine_.outputHolds, 1, __ATOMIC_ACQ_REL);
    const std::uint32_t request = __atomic_add_fetch(&engine_.holdRequest, 1, __ATOMIC_ACQ_REL);
    const auto deadline = steady_clock::now() + milliseconds(100);
    // Answers only grow (wrapping): the request is answered once the answer has reached it.
    while (static_cast<std::int32_t>(__atomic_load_n(&engine_.holdAnswer, __ATOMIC_ACQUIRE) -
                                     request) < 0 &&
           steady_clock::now() < deadline)
        std::this_thread::sleep_for(microseconds(500));
    return true;
}

void Orv::releaseOutput() { __atomic_fetch_sub(&engine_.outputHolds, 1, __ATOMIC_ACQ_REL); }

void Orv::readMeterPeaks(float& left, float& right) { engine_.readMeterPeaks(left, right); }
