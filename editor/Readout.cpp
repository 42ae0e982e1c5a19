// The four-digit readout (tempo, the value under the mouse or being edited, or a note
// fraction that blinks while out of range) and the two input level meters (instant
// rise, linear fall over 500 ms on a 24 dB scale), both refreshed at every idle.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "Editor.h"
#include "MyFrame.h"
#include "OrvAnimKnob.h"
#include "core/ParameterTable.h"

using namespace lumdel;

namespace {

constexpr std::int32_t kTempoReadout = panel_tag::kTempo;

// Value of digit k (0..9) on digits 2 to 4: blank is 0, digit k is (k + 1) / 10.
float digitValue(int k) { return static_cast<float>(std::clamp(k, 0, 9) + 1) / 10.0f; }
// On the first digit (13 frames): digit k is (k + 1) / 12; minus 11/12, plus 1.
float firstDigitValue(int k) { return static_cast<float>(std::clamp(k, 0, 9) + 1) / 12.0f; }
constexpr float kMinus = 11.0f / 12.0f;
constexpr float kPlus = 1.0f;

bool inside(const CPoint& p, const panel::Rect& area) { return area.contains(p.h, p.v); }

}  // namespace

void Editor::blinkTest(int kind, std::uint32_t t) {
    if (plugin_ && plugin_->syncOutOfRange(kind)) {
        if (static_cast<std::uint32_t>(t - lastBlinkTick_) > 250u) {
            lastBlinkTick_ = t;
            readoutVisible_ = !readoutVisible_;
        }
    } else {
        readoutVisible_ = true;
    }
}

std::int32_t Editor::chooseReadoutIndex(std::uint32_t t) {
    const bool right = channelRight();
    auto lfoIndex = [this]() -> std::int32_t {
        readoutVisible_ = true;
        return toStep(param(kLfoMode), kParams[kLfoMode].steps) == 0 ? kLFORate : kLfoNum;
    };
    auto mainIndex = [this, right, t]() -> std::int32_t {
        if (toStep(param(shown(kDlyModeL)), 2) == 1) {
            blinkTest(right ? 2 : 1, t);
            return right ? kDlyNumR : kDlyNumL;
        }
        readoutVisible_ = true;
        return right ? kDlyTimeR : kDlyTimeL;
    };

    if (editTag_ == -1) {
        CPoint where;
        if (!frame || !frame->getCurrentMouseLocation(where)) {
            readoutVisible_ = true;
            return kTempoReadout;
        }
        if (inside(where, panel::kModTimingArea)) return lfoIndex();
        if (inside(where, panel::kMainTimeArea)) return mainIndex();
        if (inside(where, panel::kPreDelayArea)) {
            blinkTest(right ? 16 : 8, t);
            return right ? kPreNumR : kPreNumL;
        }
        readoutVisible_ = true;
        CView* v = frame->getViewAt(where);
        for (OrvAnimKnob* knob : knobs_) {
            if (!knob || knob != v) continue;
            const std::int32_t pair = channelKnobPair(knob->getTag());
            return pair >= 0 ? shown(pair) : knob->getTag();
        }
        return kTempoReadout;
    }

    switch (editTag_) {
        case kLFORate: return lfoIndex();
        case panel_tag::kMainNum:
        case panel_tag::kMainDen:
        case panel_tag::kDlyTime: return mainIndex();
        default: break;
    }
    readoutVisible_ = true;
    // A knob of one parameter shows it; the tempo slider the tempo.
    if (isSingleKnob(editTag_) || editTag_ == kTempoReadout) return editTag_;
    const std::int32_t pair = channelKnobPair(editTag_);
    return pair >= 0 ? shown(pair) : kTempoReadout;
}

void Editor::refreshReadout(std::uint32_t t) {
    if (!frame || !plugin_) return;
    for (CMovieBitmap* c : digits_) setControl(c, 0.0f);
    for (CMovieBitmap* c : points_) setControl(c, 0.0f);
    for (CMovieBitmap* c : slashes_) setControl(c, 0.0f);

    readoutIndex_ = chooseReadoutIndex(t);
    // The modulation sensitivity (0 to 10) leaves the sign mode as it finds it; it is
    // never negative, so it always shows unsigned, with all four digits.
    if (readoutIndex_ == kModSens) readout_.isSigned = false;
    plugin_->getReadout(readoutIndex_, readout_.number, readout_.point, readout_.isSigned,
                     readout_.slash, readout_.numerator, readout_.denominator);
    renderReadout();
}

void Editor::renderReadout() {
    ReadoutCells& r = readout_;
    if (r.numerator == -1) {
        if (!r.isSigned) {
            const std::int32_t q = r.number / 1000;
            const std::int32_t rest = std::abs(r.number % 1000);
            setControl(digits_[0], firstDigitValue(q));
            setControl(digits_[1], digitValue(rest / 100));
            setControl(digits_[2], digitValue(rest / 10 % 10));
            setControl(digits_[3], digitValue(rest % 10));
        } else {
            const std::int32_t n = r.number / 10;
            // A tenth of the number is shown, so the point moves one digit right.
            r.point += 1;
            if (r.point > 3) r.point = 0;
            const std::int32_t m = std::abs(n) % 1000;
            setControl(digits_[0], n < 0 ? kMinus : kPlus);
            setControl(digits_[1], digitValue(m / 100));
            setControl(digits_[2], digitValue(m / 10 % 10));
            setControl(digits_[3], digitValue(m % 10));
        }
        if (r.slash >= 1 && r.slash <= 3) setControl(slashes_[r.slash - 1], 1.0f);
        if (r.point >= 1 && r.point <= 3) setControl(points_[r.point - 1], 1.0f);
        return;
    }
    if (!readoutVisible_) return;
    const std::int32_t d = std::max(r.denominator, 0);
    if (d < 10) {
        setControl(digits_[3], digitValue(d));
    } else {
        setControl(digits_[3], digitValue(d % 10));
        setControl(digits_[2], digitValue(d / 10 % 10));
    }
    setControl(slashes_[1], 1.0f);
    setControl(digits_[0], firstDigitValue(r.numerator));
}

void Editor::refreshMeters(std::uint32_t t) {
    if (!plugin_) return;
    plugin_->readMeterPeaks(meterPeaks_[0], meterPeaks_[1]);
    const float fall = static_cast<float>(static_cast<std::uint32_t>(t - lastIdleTick_)) /
                       meterFallMs_;
    for (int i = 0; i < 2; ++i) {
        const float p = meterPeaks_[i];
        float target = -24.0f;
        if (p > meterFloor_) target = std::min(20.0f * std::log10(p), 0.0f);
        target = target / 24.0f + 1.0f;
        if (!meters_[i]) continue;
        const float fallen = std::max(meters_[i]->getValue() - fall, 0.0f);
        meters_[i]->setValue(std::max(fallen, target));
    }
}
