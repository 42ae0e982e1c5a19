#include "Plugin.h"

#include <cmath>

#include "ParameterTable.h"

namespace lumdel {

Plugin::Plugin(HostPort& host, SettingsStore settings)
    : host_(host), core_(host), presets_(*this), settings_(std::move(settings)) {}

void Plugin::setParameter(int index, float value) {
    if (index >= 0 && index < kNumParams) {
        // A value that is not a number changes nothing anywhere.
        if (!std::isfinite(value)) return;
        core_.applyParameter(index, value);
    }
    if (editorLink_) editorLink_->parameterChanged(index, value);
    if (!presets_.loading()) presets_.storeParameter(index, value);
}

float Plugin::getParameter(int index) const {
    if (index >= 0 && index < kNumParams) return core_.getParameter(index);
    if (index >= kNumParams && index < kNumParams + kNumAssignmentParams)
        return presets_.assignmentValue(index - kNumParams);
    return 0.0f;
}

// The preset's switches and modes act at once: while audio runs on another thread, the
// output is ramped to silence around the load (4 ms down, 3 ms silent, 4 ms up).
// A preset of the other reverb type starts with an empty reverb: the old tail, carried on
// through the new topology, would jump where the lines change from the old type's
// writing to the new one's, a line length after the load, long after the ramp.
void Plugin::applyPreset(int index) {
    const bool held = core_.holdOutput();
    const int reverbType = core_.reverbType();
    if (editorLink_) editorLink_->unlinkChannels();
    presets_.applyPresetValues(index);
    if (core_.reverbType() != reverbType) core_.clearReverb();
    if (editorLink_ && core_.channelsLinked()) editorLink_->linkChannels();
    core_.recomputeSynced(kSyncAll);
    if (held) core_.releaseOutput();
}

}  // namespace lumdel
