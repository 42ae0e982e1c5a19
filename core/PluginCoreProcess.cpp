// The block of the host's audio thread. Both precisions run the one engine template;
// the engine lock is held for the whole block.
#include <pthread.h>
#include <time.h>

#include <chrono>

#include "PluginCore.h"

namespace lumdel {

long long PluginCore::blockClockNs() {
    timespec t;
    if (clock_gettime(CLOCK_MONOTONIC_COARSE, &t) != 0)
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

template <typename T>
void PluginCore::process(T** inputs, T** outputs, int sampleFrames) {
    const Routing routing = routing_;
    const int frames = sampleFrames > 0 ? sampleFrames : 0;
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    // resume may be reallocating the lines, or could not get the memory for them:
    // output silence and touch nothing. The lock is nearly always free: it is tried at
    // once, and only a taken one is waited for (a timed wait reads the clock first).
    if (!(lock.try_lock() || lock.try_lock_for(std::chrono::milliseconds(1000))) ||
        buffersMissing_) {
        Engine::writeSilence(outputs, frames, routing);
        return;
    }
    lastBlockNs_.store(blockClockNs(), std::memory_order_relaxed);
    blockThread_.store(static_cast<unsigned long>(pthread_self()), std::memory_order_relaxed);
    // Tempo and position are asked for every block, even an empty one.
    HostTime time;
    const bool timed = host_.hostTime(true, time);
    if (engine_.blockTempo(timed, timed ? time.tempo : 0.0)) recomputeSynced(kSyncAll);
    engine_.blockLfoLock(timed && time.positionValid, timed ? time.ppqPosition : 0.0);
    engine_.process(inputs, outputs, frames, routing);
}

template void PluginCore::process<float>(float**, float**, int);
template void PluginCore::process<double>(double**, double**, int);

}  // namespace lumdel
