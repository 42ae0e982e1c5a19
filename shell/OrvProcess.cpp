// The two block entry points of the host's audio thread. Both precisions run the one
// engine template; the engine lock is held for the whole block.
#include <pthread.h>

#include <chrono>

#include "Orv.h"

using namespace lumdel;

template <typename T>
void Orv::processBlock(T** inputs, T** outputs, VstInt32 sampleFrames) {
    const Routing routing = routing_;
    const int frames = sampleFrames > 0 ? sampleFrames : 0;
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    // resume may be reallocating the lines, or could not get the memory for them:
    // output silence and touch nothing.
    if (!lock.try_lock_for(std::chrono::milliseconds(1000)) || buffersMissing_) {
        Engine::writeSilence(outputs, frames, routing);
        return;
    }
    lastBlockNs_.store(std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count(),
                       std::memory_order_relaxed);
    blockThread_.store(static_cast<unsigned long>(pthread_self()), std::memory_order_relaxed);
    // Tempo and position are asked for every block, even an empty one.
    const VstTimeInfo* time = getTimeInfo(kVstTempoValid | kVstPpqPosValid);
    if (engine_.blockTempo(time != nullptr, time ? time->tempo : 0.0)) recomputeSynced(kSyncAll);
    engine_.blockLfoLock(time && (time->flags & kVstPpqPosValid), time ? time->ppqPos : 0.0);
    engine_.process(inputs, outputs, frames, routing);
}

void Orv::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    processBlock(inputs, outputs, sampleFrames);
}

void Orv::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
    processBlock(inputs, outputs, sampleFrames);
}
