// The engine's lifecycle as the host drives it (effMainsChanged) and the preset load.
#include <chrono>
#include <cmath>

#include "Orv.h"
#include "ParameterTable.h"

using namespace lumdel;

namespace {
constexpr std::chrono::milliseconds kLockWait{1000};
}

// Host UI thread (effMainsChanged 1), before processing starts: MIDI registration,
// tempo, pins, the sample rate and output latency the buffers depend on, then a reset.
// A lock not obtained within 1000 ms leaves everything as it was.
void Orv::resume() {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    if (!lock.try_lock_for(kLockWait)) return;
    CPresetSystemEffect::resume();

    if (VstTimeInfo* time = getTimeInfo(kVstTempoValid)) {
        const double tempo = time->tempo;
        if (!std::isnan(tempo)) {
            engine_.hostTempo = tempo < 30.0 ? 30.0 : (tempo > 400.0 ? 400.0 : tempo);
            engine_.hostTempoNorm = (engine_.hostTempo - 30.0) / 370.0;
            recomputeSynced(kSyncAll);
        }
    }
    probePins();
    engine_.installSampleRate(getSampleRate());
    engine_.installMeterLength(static_cast<long>(getOutputLatency()));
    engine_.reset();
    // The lines start empty, so the tempo just read needs no fade: without this the
    // first echoes after a transport start would be faded away.
    engine_.applyPendingTimes();
    engine_.prefault();
}

// Host UI thread (effMainsChanged 0) and construction: smoothers at their targets,
// pending time changes applied directly, running state cleared.
void Orv::suspend() {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::defer_lock);
    if (!lock.try_lock_for(kLockWait)) return;
    engine_.settle();
}

// Editor preset menu or preset store, UI thread: the preset's 60 values go through the
// full parameter path; then the editor relinks matching channels and every synchronised
// value follows the current tempo.
void Orv::setCurrentPreset(VstInt32 index) {
    if (index < 0 || index >= kNumPresets) return;
    if (editorLink_) editorLink_->unlinkChannels();
    CPresetSystemEffect::setCurrentPreset(index);
    if (editorLink_ && channelsLinked()) editorLink_->linkChannels();
    recomputeSynced(kSyncAll);
}

void Orv::readMeterPeaks(float& left, float& right) { engine_.readMeterPeaks(left, right); }
