// What the panel's controls do to the effect: single parameters pass their value on;
// the delay section's channel controls edit the shown channel (and the other one too
// while the channels are linked); stepping knobs step note fractions or nudge times;
// three invisible sliders set delay time, LFO rate and tempo through their curves.
#include <algorithm>
#include <cmath>

#include "CInvisibleSlider.h"
#include "Editor.h"
#include "OrvAnimKnob.h"
#include "OrvKickButton.h"
#include "OrvOnOffButton.h"
#include "OrvSwitch.h"
#include "core/ParameterTable.h"

using namespace lumdel;

namespace {

float root(float v) { return v > 0.0f ? std::sqrt(v) : 0.0f; }

// One step forward (plain press) or backward (shift or control), wrapping round.
int stepWrapped(int k, float stepModifier, int steps) {
    k += stepModifier <= 1.0f ? 1 : -1;
    if (k >= steps) return 0;
    if (k < 0) return steps - 1;
    return k;
}

bool isBeatMode(float dlyMode) { return toStep(dlyMode, 2) == 1; }

}  // namespace

void Editor::automate(std::int32_t index, float value) {
    if (!plugin_) return;
    plugin_->beginEdit(index);
    plugin_->setParameterAutomated(index, value);
    plugin_->endEdit(index);
}

// Sets the shown channel's parameter of the pair, and the other channel's too while
// linked (mirrored for the pans).
void Editor::setShown(std::int32_t left, float value) {
    if (!plugin_) return;
    plugin_->setParameterAutomated(shown(left), value);
    if (!linkActive()) return;
    const bool mirrored = left == kFbPanL || left == kDlyPanL;
    plugin_->setParameterAutomated(other(left), mirrored ? 1.0f - value : value);
}

void Editor::valueChanged(CControl* control) {
    CPresetSystemEditor::valueChanged(control);
    if (!control || !plugin_) return;
    const std::int32_t tag = control->getTag();
    if (tag >= strip_tag::kName) return;
    const float v = control->getValue();

    if (tag == kLFORate) {
        lfoRateSlider(v);
        return;
    }
    if (tag >= 0 && tag < kNumParams) {
        plugin_->setParameterAutomated(tag, v);
        return;
    }
    switch (tag) {
        case panel_tag::kFbPan: setShown(kFbPanL, v); break;
        case panel_tag::kFbGain: setShown(kFbGainL, v); break;
        case panel_tag::kDlyPan: setShown(kDlyPanL, v); break;
        case panel_tag::kDlyGate: setShown(kDlyGateL, v); break;
        case panel_tag::kFbInv: setShown(kFbInvL, v); break;
        case panel_tag::kMuteIn: setShown(kMuteInL, v); break;
        case panel_tag::kDlyInv: setShown(kDlyInvL, v); break;
        case panel_tag::kLeft: channelButton(false); break;
        case panel_tag::kRight: channelButton(true); break;
        case panel_tag::kLink: linkButton(static_cast<OrvOnOffButton*>(control)); break;
        case panel_tag::kDlyMode: timeMode(v); break;
        case panel_tag::kRange: rangeSwitch(v); break;
        case panel_tag::kDlyTime: delayTimeSlider(v); break;
        case panel_tag::kMainNum:
        case panel_tag::kMainDen:
            mainStep(tag, static_cast<OrvKickButton*>(control)->stepModifier);
            break;
        case panel_tag::kPreNum:
        case panel_tag::kPreDen:
            preStep(tag, static_cast<OrvKickButton*>(control)->stepModifier);
            break;
        case panel_tag::kModNum:
        case panel_tag::kModDen: modStep(tag); break;
        case panel_tag::kTempo: tempoSlider(v); break;
        default: break;  // readout, meters, about and help report nothing
    }
}

void Editor::channelButton(bool right) {
    OrvOnOffButton* self = right ? right_ : left_;
    OrvOnOffButton* otherButton = right ? left_ : right_;
    setControl(self, 0.0f);
    if (channelRight() == right) return;
    channelRight_ = right;
    // Every channel control of the panel table takes the newly shown channel's value.
    for (const PanelControl& row : kPanelControls) {
        if (row.pairLeft < 0) continue;
        const float v = param(shown(row.pairLeft));
        const bool slider = panel::place(row.control).kind == panel::Kind::Slider;
        setControl(controls_[static_cast<int>(row.control)], slider ? root(v) : v);
    }
    setControl(otherButton, 1.0f);
}

void Editor::linkButton(OrvOnOffButton* button) {
    const int i = toStep(button->getValue(), 2);
    const bool modified = button->modifiedClick;
    if (i == 0 && !modified) {
        linkActive_ = false;
        return;
    }
    linkActive_ = true;
    if (!modified) return;
    // A modified click copies the shown channel onto the other one. The lamp follows
    // the link, which stays on, even when the click toggled a lit lamp off.
    if (i == 0) button->setValue(fromStep(1, 2));
    struct Copy {
        std::int32_t left;
        bool mirrored;
    };
    static constexpr Copy kCopies[] = {
        {kFbGainL, false},  {kFbPanL, true},    {kDlyPanL, true},  {kDlyGateL, false},
        {kFbInvL, false},   {kMuteInL, false},  {kDlyInvL, false}, {kDlyModeL, false},
        {kRangeL, false},   {kDlyNumL, false},  {kDlyDenL, false}, {kDlyTimeL, false},
        {kPreNumL, false},  {kPreDenL, false},
    };
    for (const Copy& c : kCopies) {
        const float v = param(shown(c.left));
        automate(other(c.left), c.mirrored ? 1.0f - v : v);
    }
}

void Editor::timeMode(float value) {
    plugin_->setParameterAutomated(shown(kDlyModeL), value);
    // The effect may have changed range and time with the mode.
    setControl(range_, param(shown(kRangeL)));
    setControl(dlyTimeSlider_, root(param(shown(kDlyTimeL))));
    linkStep();
}

void Editor::rangeSwitch(float value) {
    if (!isBeatMode(param(shown(kDlyModeL)))) {
        plugin_->setParameterAutomated(shown(kRangeL), value);
        if (range_) range_->setDirty(true);
        setControl(dlyTimeSlider_, root(param(shown(kDlyTimeL))));
    } else {
        setControl(range_, param(shown(kRangeL)));
    }
    linkStep();
}

void Editor::delayTimeSlider(float value) {
    if (!isBeatMode(param(shown(kDlyModeL)))) {
        const float t = std::floor(value * value * 1000.0f) / 1000.0f;
        plugin_->setParameterAutomated(shown(kDlyTimeL), std::clamp(t, 0.0f, 1.0f));
    } else {
        setControl(dlyTimeSlider_, root(param(shown(kDlyTimeL))));
    }
    linkStep();
}

void Editor::mainStep(std::int32_t tag, float stepModifier) {
    if (!isBeatMode(param(shown(kDlyModeL)))) {
        const std::int32_t index = shown(kDlyTimeL);
        const float step = stepModifier / 1000.0f;
        float t = param(index);
        t = tag == panel_tag::kMainNum ? std::max(t - step, 0.0f) : std::min(t + step, 1.0f);
        automate(index, t);
    } else {
        const bool numerator = tag == panel_tag::kMainNum;
        const std::int32_t index = shown(numerator ? kDlyNumL : kDlyDenL);
        const int steps = kParams[index].steps;
        const int k = stepWrapped(toStep(param(index), steps), stepModifier, steps);
        automate(index, fromStep(k, steps));
    }
    linkStep();
}

void Editor::linkStep() {
    if (linkActive()) plugin_->copyChannelSettings(channelRight());
}

void Editor::preStep(std::int32_t tag, float stepModifier) {
    const bool numerator = tag == panel_tag::kPreNum;
    const std::int32_t left = numerator ? kPreNumL : kPreDenL;
    const std::int32_t companion = numerator ? kPreDenL : kPreNumL;
    const int steps = kParams[left].steps;
    const int k = stepWrapped(toStep(param(shown(left)), steps), stepModifier, steps);
    const float value = fromStep(k, steps);
    automate(shown(left), value);
    if (!linkActive()) return;
    automate(other(left), value);
    automate(other(companion), param(shown(companion)));
}

void Editor::modStep(std::int32_t tag) {
    const bool numerator = tag == panel_tag::kModNum;
    if (toStep(param(kLfoMode), kParams[kLfoMode].steps) != 0) {
        const std::int32_t index = numerator ? kLfoNum : kLfoDen;
        const int steps = kParams[index].steps;
        const auto* knob = static_cast<const OrvKickButton*>(control(tag));
        const float modifier = knob ? knob->stepModifier : 1.0f;
        const int k = stepWrapped(toStep(param(index), steps), modifier, steps);
        automate(index, fromStep(k, steps));
        return;
    }
    // Free rate: steps of 0.001 Hz whatever the modifier keys.
    float r = std::pow(16.0f, param(kLFORate)) - 1.0f;
    if (numerator) {
        r = std::max(r - 0.001f, 0.01f);
    } else {
        r = std::min(r + 0.001f, 15.0f);
        r = std::max(r, 0.011f);
    }
    automate(kLFORate, std::log10(r + 1.0f) * rateLogScale_);
}

void Editor::lfoRateSlider(float value) {
    if (toStep(param(kLfoMode), kParams[kLfoMode].steps) == 0) {
        const float floorValue = std::log10(1.01f) * rateLogScale_;
        plugin_->setParameterAutomated(kLFORate, std::max(value * value, floorValue));
    } else {
        setControl(rateSlider_, root(param(kLFORate)));
    }
}

void Editor::tempoSlider(float value) {
    if (plugin_->hostTempoValid()) return;
    plugin_->setTempoNorm(value * value);
}
