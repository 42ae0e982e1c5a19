// The engine's lifecycle as the host drives it (suspend, resume, sample rate, pins) and
// the hold of the output around a preset load.
#include <pthread.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <new>
#include <thread>

#include "ParameterTable.h"
#include "PluginCore.h"

namespace lumdel {

namespace {
constexpr std::chrono::milliseconds kLockWait{1000};
}

PluginCore::PluginCore(HostPort& host) : host_(host) {}

PluginCore::~PluginCore() {
    // Waits for a running block before the engine goes.
    std::lock_guard<std::recursive_timed_mutex> lock(engineMutex_);
}

// Host UI thread, before processing starts (the adapter took the engine lock and did its
// own share): tempo, pins, the sample rate and output latency the buffers depend on,
// then a reset.
// A lock not obtained within 1000 ms leaves everything as it was. Without the memory
// for the new rate's buffers the engine keeps its old ones and the blocks are silent
// until a later resume gets the memory.
void PluginCore::resume() {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    if (!lock.try_lock_for(kLockWait)) return;

    HostTime time;
    if (host_.hostTime(false, time)) {
        const double tempo = time.tempo;
        if (isTempo(tempo)) {
            engine_.hostTempo = tempo < 30.0 ? 30.0 : (tempo > 400.0 ? 400.0 : tempo);
            engine_.hostTempoNorm = (engine_.hostTempo - 30.0) / 370.0;
            recomputeSynced(kSyncAll);
        }
    }
    probePins();
    try {
        engine_.installSampleRate(sampleRate_);
        engine_.installMeterLength(host_.outputLatency());
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

// Host UI thread (suspend) and construction: smoothers at their targets,
// pending time changes applied directly, running state cleared.
void PluginCore::suspend() {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    if (!lock.try_lock_for(kLockWait)) return;
    engine_.settle();
    resumed_ = false;
}

// The lines are sized for the new rate and cleared on the host's thread, while the lock
// keeps the blocks out; the audio thread never allocates. An unchanged rate leaves
// everything running (some hosts send the same rate again).
void PluginCore::setSampleRate(float sampleRate) { sampleRate_ = sampleRate; }

bool PluginCore::rateChangePending() const {
    return resumed_ && Engine::effectiveRate(sampleRate_) != engine_.sampleRate;
}

bool PluginCore::setArrangement(int inputs, int outputs) {
    if (!routingFor(inputs, outputs, routing_)) return false;
    arrangementFixed_ = true;
    return true;
}

void PluginCore::clearReverb() {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    if (lock.try_lock_for(kLockWait)) engine_.clearReverb();
}

bool PluginCore::holdOutput() {
    using namespace std::chrono;
    const long long last = lastBlockNs_.load(std::memory_order_relaxed);
    const long long now = blockClockNs();
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

void PluginCore::releaseOutput() { __atomic_fetch_sub(&engine_.outputHolds, 1, __ATOMIC_ACQ_REL); }

void PluginCore::probePins() {
    if (arrangementFixed_) return;
    int inputs = 0;
    while (inputs < 4 && host_.inputConnected(inputs)) ++inputs;
    int outputs = 0;
    while (outputs < 2 && host_.outputConnected(outputs)) ++outputs;
    routingFor(inputs, outputs, routing_);
}

}  // namespace lumdel
