// The panel's 63 controls, created in the order of the panel table (editor/PanelTable.h
// with resources/PanelLayout.h): knobs, lamps, slide switches, readout, stepping knobs,
// channel buttons, the LFO shape selector, the invisible sliders, the meters and the
// about and help controls. Creation order is drawing order: later ones lie on top.
#include <cmath>

#include "CAbout.h"
#include "CHelp.h"
#include "CInvisibleSlider.h"
#include "Editor.h"
#include "OrvAnimKnob.h"
#include "OrvKickButton.h"
#include "OrvOnOffButton.h"
#include "OrvSwitch.h"
#include "OrvSwitchVert.h"
#include "core/ParameterTable.h"

using namespace lumdel;

namespace {

using C = panel::Control;
using K = panel::Kind;

constexpr float kKnobWheel = 1.0f / 32.0f;
constexpr float kSliderWheel = 0.0008f;
constexpr int kKnobFrames = 101;

float root(float v) { return v > 0.0f ? std::sqrt(v) : 0.0f; }

CRect toRect(const panel::Rect& r) { return CRect(r.left, r.top, r.right, r.bottom); }

}  // namespace

float Editor::initialValue(const PanelControl& row) const {
    const panel::Kind kind = panel::place(row.control).kind;
    const bool right = channelRight();
    switch (row.control) {
        case C::Link: return linkActive() ? 1.0f : 0.0f;
        case C::Left: return right ? 1.0f : 0.0f;
        case C::Right: return right ? 0.0f : 1.0f;
        case C::Tempo: return root(plugin_ ? plugin_->getTempoNorm() : 0.0f);
        default: break;
    }
    if (kind == K::Readout || kind == K::Meter) return 0.0f;
    const std::int32_t index = row.pairLeft >= 0 ? shown(row.pairLeft) : row.tag;
    return kind == K::Slider ? root(param(index)) : param(index);
}

// The control of one row, constructed with its bitmap and geometry.
CControl* Editor::createControl(const PanelControl& row, CBitmap* const* bitmaps) {
    const panel::Place& place = panel::place(row.control);
    auto bitmap = [bitmaps](panel::Bitmap b) {
        return b == panel::Bitmap::None ? nullptr : bitmaps[panel::id(b) - panel::kFirstPanelBitmap];
    };
    const CRect rect = toRect(place.rect);
    const panel::BitmapSpec spec = panel::spec(place.bitmap);
    const CCoord frameHeight = spec.frameHeight();
    CBitmap* image = bitmap(place.bitmap);
    switch (place.kind) {
        case K::Knob: {
            const CCoord offset = panel::kKnobSourceOffset;
            return new OrvAnimKnob(rect, this, row.tag, kKnobFrames, frameHeight, image,
                                   CPoint(offset, offset), toRect(panel::knobDrawRect(place)));
        }
        case K::Lamp:
        case K::ChannelKey: return new OrvOnOffButton(rect, this, row.tag, image);
        case K::Switch:
            return new OrvSwitch(rect, this, row.tag, spec.frames, frameHeight, spec.frames, image,
                                 CPoint(0, 0));
        case K::Readout:
        case K::Meter:
            return new CMovieBitmap(rect, this, row.tag, spec.frames, frameHeight, image,
                                    CPoint(0, 0));
        case K::StepKnob:
            return new OrvKickButton(rect, this, row.tag, frameHeight, image, CPoint(0, 0));
        case K::ShapeSelector:
            return new OrvSwitchVert(rect, this, row.tag, spec.frames, frameHeight, spec.frames,
                                     image, CPoint(0, 0));
        case K::Slider: return new CInvisibleSlider(rect, this, row.tag);
        case K::About: {
            const panel::Rect& text = panel::kVersionText;
            return new CAbout(rect, this, row.tag, image, CRect(0, 0, panel::kWidth, panel::kHeight),
                              CPoint(0, 0), CPoint(text.left, text.top));
        }
        case K::Help: return new CHelp(rect, this, row.tag, bitmap(panel::Bitmap::HelpPages), image);
    }
    return nullptr;
}

// Keeps the typed pointers of the controls the editor addresses by role.
void Editor::rememberControl(panel::Control control, CControl* c) {
    const int i = static_cast<int>(control);
    if (i < kNumKnobs) knobs_[i] = static_cast<OrvAnimKnob*>(c);
    if (control >= C::Digit1 && control <= C::Digit4)
        digits_[i - static_cast<int>(C::Digit1)] = static_cast<CMovieBitmap*>(c);
    if (control >= C::Point1 && control <= C::Point3)
        points_[i - static_cast<int>(C::Point1)] = static_cast<CMovieBitmap*>(c);
    if (control >= C::Slash1 && control <= C::Slash3)
        slashes_[i - static_cast<int>(C::Slash1)] = static_cast<CMovieBitmap*>(c);
    switch (control) {
        case C::Link: link_ = static_cast<OrvOnOffButton*>(c); break;
        case C::FbInv: fbInv_ = static_cast<OrvOnOffButton*>(c); break;
        case C::MuteIn: muteIn_ = static_cast<OrvOnOffButton*>(c); break;
        case C::DlyInv: dlyInv_ = static_cast<OrvOnOffButton*>(c); break;
        case C::Left: left_ = static_cast<OrvOnOffButton*>(c); break;
        case C::Right: right_ = static_cast<OrvOnOffButton*>(c); break;
        case C::DlyMode: dlyMode_ = static_cast<OrvSwitch*>(c); break;
        case C::Range: range_ = static_cast<OrvSwitch*>(c); break;
        case C::DlyTime: dlyTimeSlider_ = static_cast<CInvisibleSlider*>(c); break;
        case C::LfoRate: rateSlider_ = static_cast<CInvisibleSlider*>(c); break;
        case C::Tempo: tempoSlider_ = static_cast<CInvisibleSlider*>(c); break;
        case C::MeterL: meters_[0] = static_cast<CMovieBitmap*>(c); break;
        case C::MeterR: meters_[1] = static_cast<CMovieBitmap*>(c); break;
        case C::Help: help_ = static_cast<CHelp*>(c); break;
        default: break;
    }
}

void Editor::createControls(CBitmap* const* bitmaps) {
    for (const PanelControl& row : kPanelControls) {
        const panel::Kind kind = panel::place(row.control).kind;
        CControl* c = createControl(row, bitmaps);
        if (kind != K::StepKnob && kind != K::About && kind != K::Help)
            c->setValue(initialValue(row));
        if (row.hasDefault) c->setDefaultValue(row.defaultValue);
        if (kind == K::Knob) c->setWheelInc(kKnobWheel);
        if (kind == K::Slider) c->setWheelInc(kSliderWheel);
        rememberControl(row.control, c);
        controls_[static_cast<int>(row.control)] = c;
        frame->addView(c);
    }
}
