// MIDI controller mapping of CPresetSystemEffect: the two controller tables, the
// assignment pseudo-parameters 60..119, learn and unlearn, and the MIDI intake.
#include "core/ParameterTable.h"
#include "CPresetSystemEffect.h"

using namespace lumdel;

namespace {
constexpr int kNumControllers = 128;
constexpr int kFirstModeController = 120;  // 120..127 are channel-mode messages
constexpr int kAssignmentSteps = 129;      // 128 controllers and "none"

bool isController(int c) { return c >= 0 && c < kNumControllers; }
bool isParameter(int p) { return p >= 0 && p < kNumParams; }
}  // namespace

void CPresetSystemEffect::assignController(int parameter, float value) {
    if (!isParameter(parameter)) return;
    value = sanitizeAssignmentValue(value);
    assignmentValues_[parameter] = value;
    int c = toStep(value, kAssignmentSteps);
    if (c == kAssignmentSteps - 1) c = kNoAssignment;
    const int old = parameterController_[parameter];
    if (isController(old) && controllerParameter_[old] == parameter)
        controllerParameter_[old] = kNoAssignment;
    parameterController_[parameter] = c;
    if (isController(c)) controllerParameter_[c] = parameter;
}

void CPresetSystemEffect::setMidiAssignment(VstInt32 parameter, VstInt32 controller) {
    assignController(parameter, isController(controller)
                                    ? fromStep(controller, kAssignmentSteps)
                                    : kNoAssignmentValue);
}

void CPresetSystemEffect::clearParameterAssignment(VstInt32 parameter) {
    if (!isParameter(parameter)) return;
    const int c = parameterController_[parameter];
    if (!isController(c)) return;
    parameterController_[parameter] = kNoAssignment;
    if (controllerParameter_[c] == parameter) controllerParameter_[c] = kNoAssignment;
    assignmentValues_[parameter] = kNoAssignmentValue;
}

void CPresetSystemEffect::clearControllerAssignment(VstInt32 controller) {
    if (!isController(controller)) return;
    const int p = controllerParameter_[controller];
    if (!isParameter(p)) return;
    controllerParameter_[controller] = kNoAssignment;
    parameterController_[p] = kNoAssignment;
    assignmentValues_[p] = kNoAssignmentValue;
}

VstInt32 CPresetSystemEffect::getParameterController(VstInt32 parameter) {
    return isParameter(parameter) ? parameterController_[parameter] : kNoAssignment;
}

VstInt32 CPresetSystemEffect::getControllerParameter(VstInt32 controller) {
    return isController(controller) ? controllerParameter_[controller] : kNoAssignment;
}

void CPresetSystemEffect::startMidiLearn() {
    midiLearnTarget_ = -1;
    midiLearnActive_ = true;
}

void CPresetSystemEffect::stopMidiLearn() {
    midiLearnActive_ = false;
    midiLearnTarget_ = -1;
    if (PresetSystemHooks* hooks = presetEditor()) hooks->midiLearnStopped();
}

void CPresetSystemEffect::setMidiLearnTarget(VstInt32 parameter) { midiLearnTarget_ = parameter; }

void CPresetSystemEffect::startMidiUnlearn() { midiUnlearnActive_ = true; }

void CPresetSystemEffect::stopMidiUnlearn() {
    midiUnlearnActive_ = false;
    if (PresetSystemHooks* hooks = presetEditor()) hooks->midiUnlearnStopped();
}

void CPresetSystemEffect::clearMidiAssignments() {
    for (int c = 0; c < kNumControllers; ++c) controllerParameter_[c] = kNoAssignment;
    for (int i = 0; i < kNumParams; ++i) {
        parameterController_[i] = kNoAssignment;
        assignmentValues_[i] = kNoAssignmentValue;
    }
}

VstInt32 CPresetSystemEffect::processEvents(VstEvents* events) {
    if (!events) return 1;
    for (VstInt32 n = 0; n < events->numEvents; ++n) {
        const VstEvent* event = events->events[n];
        if (!event || event->type != kVstMidiType) continue;
        // Only the three MIDI bytes are read; byteSize and flags are not trusted.
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const auto status = static_cast<unsigned char>(midi->midiData[0]);
        if ((status & 0xF0) != 0xB0) continue;
        handleControlChange(static_cast<unsigned char>(midi->midiData[1]),
                            static_cast<unsigned char>(midi->midiData[2]));
    }
    return 1;
}

void CPresetSystemEffect::handleControlChange(int controller, int value) {
    if (!isController(controller)) return;
    if (midiLearnActive_ && isParameter(midiLearnTarget_) && controller < kFirstModeController) {
        const int target = midiLearnTarget_;
        for (int p = 0; p < kNumParams; ++p) {
            if (p != target && parameterController_[p] == controller) {
                parameterController_[p] = kNoAssignment;
                assignmentValues_[p] = kNoAssignmentValue;
            }
        }
        const int old = parameterController_[target];
        if (isController(old) && controllerParameter_[old] == target)
            controllerParameter_[old] = kNoAssignment;
        parameterController_[target] = controller;
        controllerParameter_[controller] = target;
        assignmentValues_[target] = fromStep(controller, kAssignmentSteps);
        stopMidiLearn();
    }
    const int p = controllerParameter_[controller];
    if (!isParameter(p)) return;
    // A data byte above 127 is not valid MIDI; it counts as the top value.
    const int d = value > 127 ? 127 : value;
    setParameter(p, static_cast<float>(d) / 127.0f);
}
