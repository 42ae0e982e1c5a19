// The effect's host calls, handed to the plug-in core, and the core's host requests in
// VST 2.4 calls.
#include <chrono>
#include <cmath>

#include "Orv.h"
#include "core/ParameterTable.h"

using namespace lumdel;

// Host, editor, preset store or MIDI mapping; any thread.
void Orv::setParameter(VstInt32 index, float value) { plugin_.setParameter(index, value); }

float Orv::getParameter(VstInt32 index) { return plugin_.getParameter(index); }

void Orv::getParameterDisplay(VstInt32 index, char* text) { core().parameterDisplay(index, text); }

void Orv::getReadout(VstInt32 index, VstInt32& readoutNumber, VstInt32& readoutPoint,
                     bool& readoutSigned, VstInt32& readoutSlash, VstInt32& readoutNumerator,
                     VstInt32& readoutDenominator) {
    lumdel::readoutCells(core(), index, readoutNumber, readoutPoint, readoutSigned, readoutSlash,
                         readoutNumerator, readoutDenominator);
}

void Orv::setTempoNorm(float value) { core().setTempoNorm(value); }

// Host UI thread (effMainsChanged 1): under the engine lock, MIDI registration, then the
// core's resume. A lock not obtained within 1000 ms leaves everything as it was.
void Orv::resume() {
    std::unique_lock<std::recursive_timed_mutex> lock(core().engineLock(), std::defer_lock);
    if (!lock.try_lock_for(std::chrono::milliseconds(1000))) return;
    CPresetSystemEffect::resume();
    core().resume();
}

// Host UI thread (effMainsChanged 0) and construction.
void Orv::suspend() { core().suspend(); }

// Host UI thread (effSetSampleRate). A new rate while resumed takes effect at once, as a
// suspend and resume would (here, under the engine lock); a lock not obtained in time
// leaves it to the next resume.
void Orv::setSampleRate(float sampleRate) {
    CPresetSystemEffect::setSampleRate(sampleRate);
    core().setSampleRate(sampleRate);
    if (!core().rateChangePending()) return;
    std::unique_lock<std::recursive_timed_mutex> lock(core().engineLock(), std::defer_lock);
    if (!lock.try_lock_for(std::chrono::milliseconds(1000))) return;
    suspend();
    resume();
}

// Host audio thread: one block, under the engine lock.
void Orv::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    core().process(inputs, outputs, sampleFrames);
}

void Orv::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
    core().process(inputs, outputs, sampleFrames);
}

bool Orv::hostTime(bool withPosition, HostTime& time) {
    const VstTimeInfo* info = getTimeInfo(kVstTempoValid | (withPosition ? kVstPpqPosValid : 0));
    if (!info) return false;
    time.tempo = info->tempo;
    time.positionValid = (info->flags & kVstPpqPosValid) != 0;
    time.ppqPosition = info->ppqPos;
    return true;
}
