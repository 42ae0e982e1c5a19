#include "Editor.h"

#include <cmath>

#include "CHelp.h"
#include "CInvisibleSlider.h"
#include "MyFrame.h"
#include "OrvAnimKnob.h"
#include "OrvOnOffButton.h"
#include "OrvSwitch.h"
#include "core/ParameterTable.h"

using namespace lumdel;

namespace {
using panel::kFirstPanelBitmap;
using panel::kNumPanelBitmaps;
}  // namespace

Editor::Editor(lumdel::EditorController* plugin)
    : CPresetSystemEditor(plugin),
      plugin_(plugin),
      lastBlinkTick_(getTicks()),
      lastIdleTick_(lastBlinkTick_),
      rateLogScale_(static_cast<float>(1.0 / std::log10(16.0))),
      meterFloor_(static_cast<float>(std::pow(10.0, -1.2))) {
    rect.top = 0;
    rect.left = 0;
    rect.bottom = panel::kHeight;
    rect.right = panel::kWidth;
    // Knobs follow the mouse's movement, not its angle.
    knobMode = kLinearMode;
}

Editor::~Editor() {
    if (frame) Editor::close();
}

bool Editor::open(void* parentWindow) {
    if (frame) return false;  // one window at a time
    if (!AEffGUIEditor::open(parentWindow)) return false;
    readoutVisible_ = true;

    CBitmap* bitmaps[kNumPanelBitmaps];
    for (int i = 0; i < kNumPanelBitmaps; ++i) bitmaps[i] = new CBitmap(kFirstPanelBitmap + i, getScale());

    frame = new MyFrame(CRect(0, 0, panel::kWidth, panel::kHeight), parentWindow, this);
    frame->setBackground(bitmaps[0]);
    bitmaps[0]->forget();
    bitmaps[0] = nullptr;

    createControls(bitmaps);
    // Every control holds its own reference now.
    for (CBitmap* b : bitmaps)
        if (b) b->forget();

    CPresetSystemEditor::open(parentWindow);
    setKnobMode(kLinearMode);
    return true;
}

void Editor::close() {
    CPresetSystemEditor::close();
    for (CControl*& c : controls_) c = nullptr;
    for (OrvAnimKnob*& k : knobs_) k = nullptr;
    link_ = fbInv_ = muteIn_ = dlyInv_ = left_ = right_ = nullptr;
    dlyMode_ = range_ = nullptr;
    for (CMovieBitmap*& d : digits_) d = nullptr;
    for (CMovieBitmap*& p : points_) p = nullptr;
    for (CMovieBitmap*& s : slashes_) s = nullptr;
    for (CMovieBitmap*& m : meters_) m = nullptr;
    dlyTimeSlider_ = rateSlider_ = tempoSlider_ = nullptr;
    help_ = nullptr;
    if (frame) {
        CFrame* f = frame;
        frame = nullptr;
        f->close();
    }
    AEffGUIEditor::close();
}

void Editor::idle() {
    // A scale chosen while open rebuilds the window first, outside any event handling.
    if (!inIdle_) applyScaleChange();
    // Before open, after close, and from inside itself (a host that idles the editor
    // from its display-update callback during a preset load): nothing.
    if (!frame || inIdle_) return;
    inIdle_ = true;
    const std::uint32_t t = now();
    if (frame && help_) help_->fadeStep(t);
    if (frame) refreshReadout(t);
    if (frame) refreshMeters(t);
    lastIdleTick_ = t;
    // The strip's idle runs the toolkit's idle (window events, then the redraw of what
    // changed, this idle's readout and meters included) and the controller display.
    if (frame) CPresetSystemEditor::idle();
    inIdle_ = false;
}

bool Editor::setKnobMode(std::int32_t mode) {
    knobMode = mode;
    return true;
}

void Editor::setClock(std::function<std::uint32_t()> clock) { clock_ = std::move(clock); }

std::uint32_t Editor::now() const { return clock_ ? clock_() : getTicks(); }

CControl* Editor::controlAt(int slot) const {
    return slot >= 0 && slot < kNumControls ? controls_[slot] : nullptr;
}

CControl* Editor::control(std::int32_t tag) const {
    for (CControl* c : controls_)
        if (c && c->getTag() == tag) return c;
    return nullptr;
}

MyFrame* Editor::myFrame() const { return static_cast<MyFrame*>(frame); }

float Editor::param(std::int32_t index) const {
    return plugin_ ? plugin_->getParameter(index) : 0.0f;
}

void Editor::setControl(CControl* c, float value) const {
    if (c) c->setValue(value);
}

void Editor::setParameter(std::int32_t index, float value) {
    if (!frame || index < 0 || index >= kNumParams) return;
    // The control that shows the parameter: one with the index as its tag, or a channel
    // control whose pair it belongs to while its channel is shown. The sliders show the
    // square root. Everything else shows on the readout or the controller display.
    for (const PanelControl& row : kPanelControls) {
        const bool single = row.pairLeft < 0 && row.tag == index;
        const bool pair = row.pairLeft >= 0 && (index == row.pairLeft || index == row.pairLeft + 1);
        if (!single && !pair) continue;
        if (pair && index != shown(row.pairLeft)) return;
        const bool slider = panel::place(row.control).kind == panel::Kind::Slider;
        const float shownValue = !slider ? value : value >= 0.0f ? std::sqrt(value) : 0.0f;
        setControl(controls_[static_cast<int>(row.control)], shownValue);
        return;
    }
}

void Editor::tempoChanged(float bpm) {
    if (!tempoSlider_ || !std::isfinite(bpm)) return;
    const float t = (bpm - 30.0f) / 370.0f;
    tempoSlider_->setValue(t > 0.0f ? std::sqrt(t) : 0.0f);
}

void Editor::unlinkChannels() {
    linkActive_ = false;
    setControl(link_, 0.0f);
}

void Editor::linkChannels() {
    linkActive_ = true;
    setControl(link_, 1.0f);
}

void Editor::controlBeginEdit(CControl* control) {
    if (!control) return;
    editTag_ = control->getTag();
    const std::int32_t pair = channelKnobPair(editTag_);
    if (pair < 0 || !plugin_) return;
    plugin_->beginEdit(shown(pair));
    if (linkActive()) plugin_->beginEdit(other(pair));
}

void Editor::controlEndEdit(CControl* control) {
    if (!control) return;
    const std::int32_t tag = control->getTag();
    if (tag == editTag_) editTag_ = -1;
    const std::int32_t pair = channelKnobPair(tag);
    if (pair < 0 || !plugin_) return;
    if (linkActive()) plugin_->endEdit(other(pair));
    plugin_->endEdit(shown(pair));
}
