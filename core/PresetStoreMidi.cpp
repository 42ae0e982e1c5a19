// The MIDI side of the preset store: the two controller tables, the assignment
// pseudo-parameters 60..119, learn and unlearn, and the control changes.
#include "ParameterTable.h"
#include "PresetStore.h"

namespace lumdel {

namespace {
constexpr int kNumControllers = 128;
constexpr int kFirstModeController = 120;  // 120..127 are channel-mode messages
constexpr int kAssignmentSteps = 129;      // 128 controllers and "none"

bool isController(int c) { return c >= 0 && c < kNumControllers; }
bool isParameter(int p) { return p >= 0 && p < kNumParams; }
}  // namespace

void PresetStore::assignController(int parameter, float value) {
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

void PresetStore::setMidiAssignment(int parameter, int controller) {
    assignController(parameter, isController(controller)
                                    ? fromStep(controller, kAssignmentSteps)
                                    : kNoAssignmentValue);
}

void PresetStore::clearParameterAssignment(int parameter) {
    if (!isParameter(parameter)) return;
    const int c = parameterController_[parameter];
    if (!isController(c)) return;
    parameterController_[parameter] = kNoAssignment;
    if (controllerParameter_[c] == parameter) controllerParameter_[c] = kNoAssignment;
    assignmentValues_[parameter] = kNoAssignmentValue;
}

void PresetStore::clearControllerAssignment(int controller) {
    if (!isController(controller)) return;
    const int p = controllerParameter_[controller];
    if (!isParameter(p)) return;
    controllerParameter_[controller] = kNoAssignment;
    parameterController_[p] = kNoAssignment;
    assignmentValues_[p] = kNoAssignmentValue;
}

int PresetStore::parameterController(int parameter) const {
    return isParameter(parameter) ? parameterController_[parameter] : kNoAssignment;
}

int PresetStore::controllerParameter(int controller) const {
    return isController(controller) ? controllerParameter_[controller] : kNoAssignment;
}

void PresetStore::startMidiLearn() {
    learnTarget_ = -1;
    learnActive_ = true;
}

void PresetStore::stopMidiLearn() {
    learnActive_ = false;
    learnTarget_ = -1;
    if (PresetSystemHooks* hooks = hooks_) hooks->midiLearnStopped();
}

void PresetStore::startMidiUnlearn() { unlearnActive_ = true; }

void PresetStore::stopMidiUnlearn() {
    unlearnActive_ = false;
    if (PresetSystemHooks* hooks = hooks_) hooks->midiUnlearnStopped();
}

void PresetStore::clearMidiAssignments() {
    for (int c = 0; c < kNumControllers; ++c) controllerParameter_[c] = kNoAssignment;
    for (int i = 0; i < kNumParams; ++i) {
        parameterController_[i] = kNoAssignment;
        assignmentValues_[i] = kNoAssignmentValue;
    }
}

void PresetStore::controlChange(int controller, int value) {
    if (!isController(controller)) return;
    if (learnActive_ && isParameter(learnTarget_) && controller < kFirstModeController)
        learnController(controller);
    const int p = controllerParameter_[controller];
    if (!isParameter(p)) return;
    // A data byte above 127 is not valid MIDI; it counts as the top value.
    const int d = value > 127 ? 127 : value;
    owner_.setParameter(p, static_cast<float>(d) / 127.0f);
}

// The learn target takes the controller from any other parameter; learn ends.
void PresetStore::learnController(int controller) {
    const int target = learnTarget_;
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

}  // namespace lumdel
