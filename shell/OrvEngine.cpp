// Placeholder engine glue: parameters are stored and served, audio passes through.
#include <chrono>
#include <cmath>

#include "Orv.h"
#include "ParameterTable.h"

using namespace lumdel;

void Orv::setParameter(VstInt32 index, float value) {
    if (index >= 0 && index < kNumParams) {
        if (!std::isfinite(value)) return;
        if (kParams[index].kind != ParamKind::Legacy) values_[index] = value;
    }
    if (!presetLoading_) CPresetSystemEffect::setParameter(index, value);
}

float Orv::getParameter(VstInt32 index) {
    if (index == kLegacyDrive || index == kLegacyCutfMod) return 1.0f;
    if (index >= 0 && index < kNumParams) return values_[index];
    return CPresetSystemEffect::getParameter(index);
}

void Orv::getParameterDisplay(VstInt32 index, char* text) {
    if (index < 0 || index >= kNumParams) return;
    text[0] = 0;
}

void Orv::setCurrentPreset(VstInt32 index) { CPresetSystemEffect::setCurrentPreset(index); }

void Orv::suspend() {}

void Orv::resume() {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::chrono::milliseconds(1000));
    if (!lock.owns_lock()) return;
    CPresetSystemEffect::resume();
    probePins();
}

template <typename T>
static void passThrough(const Routing& r, T** inputs, T** outputs, VstInt32 frames) {
    for (VstInt32 i = 0; i < frames; ++i) {
        T l = inputs[r.inputIndexL][i], rr = inputs[r.inputIndexR][i];
        outputs[r.outputIndexR][i] = 0;
        outputs[r.outputIndexL][i] = l;
        outputs[r.outputIndexR][i] += rr;
    }
}

void Orv::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::chrono::milliseconds(1000));
    if (!lock.owns_lock()) return;
    passThrough(routing_, inputs, outputs, sampleFrames);
}

void Orv::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
    std::unique_lock<std::recursive_timed_mutex> lock(engineMutex_, std::chrono::milliseconds(1000));
    if (!lock.owns_lock()) return;
    passThrough(routing_, inputs, outputs, sampleFrames);
}
