#include "CControls.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "CFrame.h"

namespace {
std::int32_t framesFromHeight(const CBitmap* bitmap, CCoord height) {
    if (!bitmap || height <= 0) return 1;
    return std::max<std::int32_t>(1, static_cast<std::int32_t>(bitmap->getHeight() / height));
}

// The nearest frame to value's place in [min, max], halves up.
std::int32_t nearestFrame(float value, float vmin, float vmax, std::int32_t frames) {
    if (frames <= 1 || !(vmax > vmin)) return 0;
    const double t = (static_cast<double>(value) - vmin) / (static_cast<double>(vmax) - vmin);
    if (std::isnan(t)) return 0;
    const double k = std::floor(t * (frames - 1) + 0.5);
    return static_cast<std::int32_t>(std::clamp(k, 0.0, static_cast<double>(frames - 1)));
}

// The left button alone (modifiers allowed).
bool leftButton(const CButtonState& b) { return b.isLeftButton(); }
}  // namespace

// --- CKnob -----------------------------------------------------------------

CKnob::CKnob(const CRect& r, CControlListener* l, std::int32_t t, CBitmap* background,
             CBitmap* handle, const CPoint& off)
    : CControl(r, l, t, background), pHandle(handle), offset(off) {
    if (pHandle) pHandle->remember();
    wheelInc = 0.1f;
    // Without a picture of its own the pointer is drawn over what lies beneath.
    if (!background) setTransparency(true);
}

CKnob::~CKnob() {
    if (pHandle) pHandle->forget();
}

int CKnob::knobMode() const {
    CFrame* frame = getFrame();
    VSTGUIEditorInterface* editor = frame ? frame->getEditor() : nullptr;
    return editor ? editor->getKnobMode() : kCircularMode;
}

void CKnob::draw(CDrawContext* context) {
    if (pBackground) pBackground->draw(context, size, offset);
    const double range = vmax > vmin ? vmax - vmin : 1;
    const double angle = (startAngle - rangeAngle * (value - vmin) / range) * M_PI / 180.0;
    const CPoint c = size.getCenter();
    const double radius = std::min(size.width(), size.height()) / 2 - 2;
    if (pHandle) {
        const CCoord w = pHandle->getWidth(), h = pHandle->getHeight();
        const CPoint p(c.h + std::cos(angle) * radius * 0.7 - w / 2,
                       c.v - std::sin(angle) * radius * 0.7 - h / 2);
        pHandle->draw(context, CRect(p, w, h));
    } else if (radius > 0) {
        context->setFrameColor(colorHandle);
        context->setLineWidth(2);
        context->drawLine(CPoint(c.h - 0.5, c.v - 0.5),
                          CPoint(c.h + std::cos(angle) * radius - 0.5,
                                 c.v - std::sin(angle) * radius - 0.5));
    }
    setDirty(false);
}

float CKnob::valueFromPoint(const CPoint& where) const {
    const CPoint c = size.getCenter();
    double alpha = std::atan2(c.v - where.v, where.h - c.h) * 180.0 / M_PI;  // -180..180
    double turned = startAngle - alpha;                                         // from the start
    while (turned < 0) turned += 360;
    while (turned >= 360) turned -= 360;
    if (turned > rangeAngle) turned = (turned - rangeAngle < (360 - turned)) ? rangeAngle : 0;
    return static_cast<float>(vmin + (vmax - vmin) * turned / rangeAngle);
}

CMouseEventResult CKnob::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!leftButton(buttons)) return kMouseEventNotHandled;
    beginEdit();
    if (checkDefaultValue(buttons)) {
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    dragging_ = true;
    const int mode = knobMode();
    linear_ = mode == kLinearMode ? !(buttons & kAlt) : (buttons & kAlt) != 0;
    firstPoint_ = where;
    entryValue_ = value;
    shiftHeld_ = (buttons & kShift) != 0;
    coef_ = (vmax - vmin) / (200.0f * (shiftHeld_ ? zoomFactor : 1.0f));
    lastAngleValue_ = valueFromPoint(where);
    if (linear_ || mode == kRelativCircularMode) return kMouseEventHandled;
    return onMouseMoved(where, buttons);
}

CMouseEventResult CKnob::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!dragging_ || !leftButton(buttons)) return kMouseEventNotHandled;
    const float before = value;
    if (linear_) {
        const double diff = (firstPoint_.v - where.v) + (where.h - firstPoint_.h);
        const bool shift = (buttons & kShift) != 0;
        if (shift != shiftHeld_) {
            // Same value at this point, new rate from here on.
            const float coef2 = (vmax - vmin) / (200.0f * (shift ? zoomFactor : 1.0f));
            entryValue_ += static_cast<float>(diff * (coef_ - coef2));
            coef_ = coef2;
            shiftHeld_ = shift;
        }
        value = entryValue_ + static_cast<float>(diff * coef_);
    } else if (knobMode() == kRelativCircularMode) {
        const float now = valueFromPoint(where);
        value += now - lastAngleValue_;
        lastAngleValue_ = now;
    } else {
        value = valueFromPoint(where);
    }
    bounceValue();
    if (value != before) {
        setDirty(true);
        valueChanged();
    }
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseUp(CPoint&, const CButtonState&) {
    if (!dragging_) return kMouseEventNotHandled;
    dragging_ = false;
    endEdit();
    return kMouseEventHandled;
}

bool CKnob::onWheel(const CPoint&, const float& distance, const CButtonState& buttons) {
    if (!std::isfinite(distance)) return false;
    const float before = value;
    float step = distance * wheelInc;
    if (buttons & kShift) step *= 0.1f;
    value += step;
    bounceValue();
    if (value != before) {
        beginEdit();
        setDirty(true);
        valueChanged();
        endEdit();
    }
    return true;
}

// --- CAnimKnob -------------------------------------------------------------

CAnimKnob::CAnimKnob(const CRect& r, CControlListener* l, std::int32_t t, std::int32_t frames,
                     CCoord frameHeight, CBitmap* background, const CPoint& off)
    : CKnob(r, l, t, background, nullptr, off),
      subPixmaps(std::max<std::int32_t>(1, frames)),
      heightOfOneImage(frameHeight) {}

CAnimKnob::CAnimKnob(const CRect& r, CControlListener* l, std::int32_t t, CBitmap* background,
                     const CPoint& off)
    : CKnob(r, l, t, background, nullptr, off),
      subPixmaps(framesFromHeight(background, r.height())),
      heightOfOneImage(r.height()) {}

void CAnimKnob::draw(CDrawContext* context) {
    if (pBackground && heightOfOneImage > 0) {
        const double range = vmax > vmin ? vmax - vmin : 1;
        double t = (value - vmin) / range;
        if (std::isnan(t)) t = 0;
        if (bInverseBitmap) t = 1 - t;
        const auto k = static_cast<std::int32_t>(
            std::clamp(t * (subPixmaps - 1), 0.0, static_cast<double>(subPixmaps - 1)));
        pBackground->draw(context, size, CPoint(offset.h, offset.v + k * heightOfOneImage));
    }
    setDirty(false);
}

// --- COnOffButton ----------------------------------------------------------

COnOffButton::COnOffButton(const CRect& r, CControlListener* l, std::int32_t t,
                           CBitmap* background, std::int32_t s)
    : CControl(r, l, t, background), style(s) {}

void COnOffButton::draw(CDrawContext* context) {
    if (pBackground) {
        const bool on = value >= (vmin + vmax) / 2;
        pBackground->draw(context, size, CPoint(0, on ? pBackground->getHeight() / 2 : 0));
    }
    setDirty(false);
}

CMouseEventResult COnOffButton::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!leftButton(buttons)) return kMouseEventNotHandled;
    beginEdit();
    value = value >= (vmin + vmax) / 2 ? vmin : vmax;
    setDirty(true);
    valueChanged();
    endEdit();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

// --- CKickButton -----------------------------------------------------------

CKickButton::CKickButton(const CRect& r, CControlListener* l, std::int32_t t, CBitmap* background,
                         const CPoint& off)
    : CControl(r, l, t, background),
      heightOfOneImage(background ? background->getHeight() / 2 : r.height()),
      offset(off) {}

CKickButton::CKickButton(const CRect& r, CControlListener* l, std::int32_t t,
                         CCoord frameHeight, CBitmap* background, const CPoint& off)
    : CControl(r, l, t, background), heightOfOneImage(frameHeight), offset(off) {}

void CKickButton::draw(CDrawContext* context) {
    if (pBackground) {
        CPoint where = offset;
        if (value >= vmax) where.v += heightOfOneImage;
        pBackground->draw(context, size, where);
    }
    setDirty(false);
}

CMouseEventResult CKickButton::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!leftButton(buttons)) return kMouseEventNotHandled;
    entryState_ = value;
    beginEdit();
    return onMouseMoved(where, buttons);
}

CMouseEventResult CKickButton::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!leftButton(buttons)) return kMouseEventNotHandled;
    // Pressed while the pointer is over the button.
    value = size.pointInside(where) ? vmax : entryState_;
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseUp(CPoint&, const CButtonState&) {
    if (value >= vmax) valueChanged();
    value = vmin;
    valueChanged();
    setDirty(true);
    endEdit();
    return kMouseEventHandled;
}

// --- switches --------------------------------------------------------------

CSwitchBase::CSwitchBase(const CRect& r, CControlListener* l, std::int32_t t, std::int32_t frames,
                         CCoord frameHeight, std::int32_t positions, CBitmap* background,
                         const CPoint& off)
    : CControl(r, l, t, background),
      subPixmaps(std::max<std::int32_t>(1, frames)),
      heightOfOneImage(frameHeight),
      iMaxPositions(std::max<std::int32_t>(1, positions)),
      offset(off) {}

void CSwitchBase::draw(CDrawContext* context) {
    if (pBackground) {
        const std::int32_t k = nearestFrame(value, vmin, vmax, subPixmaps);
        pBackground->draw(context, size, CPoint(offset.h, offset.v + k * heightOfOneImage));
    }
    setDirty(false);
}

CMouseEventResult CSwitchBase::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!leftButton(buttons)) return kMouseEventNotHandled;
    beginEdit();
    if (checkDefaultValue(buttons)) {
        setDirty(true);
        endEdit();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    return onMouseMoved(where, buttons);
}

CMouseEventResult CSwitchBase::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!leftButton(buttons)) return kMouseEventNotHandled;
    const Cells cells = cellsAt(where);
    const double coef = cells.length / cells.count;
    if (!(coef > 0)) return kMouseEventHandled;
    const double cell = std::floor(cells.along / coef);
    const float before = value;
    value = cells.count > 1 ? static_cast<float>(cell / (cells.count - 1)) : vmin;
    bounceValue();
    if (value != before) {
        setDirty(true);
        valueChanged();
    }
    return kMouseEventHandled;
}

CMouseEventResult CSwitchBase::onMouseUp(CPoint&, const CButtonState&) {
    endEdit();
    return kMouseEventHandled;
}

CHorizontalSwitch::CHorizontalSwitch(const CRect& r, CControlListener* l, std::int32_t t,
                                     std::int32_t frames, CCoord frameHeight,
                                     std::int32_t positions, CBitmap* background,
                                     const CPoint& off)
    : CSwitchBase(r, l, t, frames, frameHeight, positions, background, off) {}

CSwitchBase::Cells CHorizontalSwitch::cellsAt(const CPoint& where) const {
    // One cell per frame across the bitmap's width (the control's without bitmap).
    const CCoord width = pBackground && pBackground->getWidth() > 0 ? pBackground->getWidth()
                                                                     : size.width();
    return {where.h - size.left, width, subPixmaps};
}

CVerticalSwitch::CVerticalSwitch(const CRect& r, CControlListener* l, std::int32_t t,
                                 std::int32_t frames, CCoord frameHeight, std::int32_t positions,
                                 CBitmap* background, const CPoint& off)
    : CSwitchBase(r, l, t, frames, frameHeight, positions, background, off) {}

CSwitchBase::Cells CVerticalSwitch::cellsAt(const CPoint& where) const {
    // One cell per position down the frame's height (the control's without frames).
    const CCoord height = heightOfOneImage > 0 ? heightOfOneImage : size.height();
    return {where.v - size.top, height, iMaxPositions};
}

// --- CRockerSwitch ---------------------------------------------------------

CRockerSwitch::CRockerSwitch(const CRect& r, CControlListener* l, std::int32_t t,
                             CCoord frameHeight, CBitmap* background, const CPoint& off,
                             std::int32_t s)
    : CControl(r, l, t, background), heightOfOneImage(frameHeight), offset(off), style(s) {
    vmin = -1;
    vmax = 1;
    value = 0;
    defaultValue = 0;
}

void CRockerSwitch::draw(CDrawContext* context) {
    if (pBackground) {
        CPoint where = offset;
        if (value > 0)
            where.v += 2 * heightOfOneImage;
        else if (value == 0)
            where.v += heightOfOneImage;
        pBackground->draw(context, size, where);
    }
    setDirty(false);
}

CMouseEventResult CRockerSwitch::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!leftButton(buttons)) return kMouseEventNotHandled;
    beginEdit();
    return onMouseMoved(where, buttons);
}

CMouseEventResult CRockerSwitch::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!leftButton(buttons)) return kMouseEventNotHandled;
    const float before = value;
    if (!size.pointInside(where))
        value = 0;
    else if (style & kVertical)
        value = where.v >= size.top + size.height() / 2 ? 1.0f : -1.0f;
    else
        value = where.h >= size.left + size.width() / 2 ? 1.0f : -1.0f;
    if (value != before) {
        setDirty(true);
        valueChanged();
    }
    return kMouseEventHandled;
}

CMouseEventResult CRockerSwitch::onMouseUp(CPoint&, const CButtonState&) {
    value = 0;
    setDirty(true);
    valueChanged();
    endEdit();
    return kMouseEventHandled;
}

bool CRockerSwitch::onWheel(const CPoint&, const float& distance, const CButtonState&) {
    if (!std::isfinite(distance) || distance == 0) return false;
    // A notch away from the user gives -1 (the left or upper half), towards +1.
    beginEdit();
    value = distance > 0 ? -1.0f : 1.0f;
    valueChanged();
    value = 0;
    valueChanged();
    setDirty(true);
    endEdit();
    return true;
}

// --- CMovieBitmap ----------------------------------------------------------

CMovieBitmap::CMovieBitmap(const CRect& r, CControlListener* l, std::int32_t t,
                           std::int32_t frames, CCoord frameHeight, CBitmap* background,
                           const CPoint& off)
    : CControl(r, l, t, background),
      subPixmaps(std::max<std::int32_t>(1, frames)),
      heightOfOneImage(frameHeight),
      offset(off) {}

std::int32_t CMovieBitmap::getFrameIndex() const {
    return nearestFrame(value, vmin, vmax, subPixmaps);
}

void CMovieBitmap::draw(CDrawContext* context) {
    if (pBackground)
        pBackground->draw(context, size,
                          CPoint(offset.h, offset.v + getFrameIndex() * heightOfOneImage));
    setDirty(false);
}

// --- CSplashScreen ---------------------------------------------------------

CSplashScreen::CSplashScreen(const CRect& r, CControlListener* l, std::int32_t t,
                             CBitmap* background, const CRect& display, const CPoint& off)
    : CControl(r, l, t, background), toDisplay(display), keepSize(r), offset(off) {
    // Nothing of its own to show while closed: the frame paints what is beneath.
    setTransparency(true);
}

void CSplashScreen::draw(CDrawContext* context) {
    if (value > vmin && pBackground) pBackground->draw(context, toDisplay, offset);
    setDirty(false);
}

CMouseEventResult CSplashScreen::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!leftButton(buttons)) return kMouseEventNotHandled;
    if (value > vmin) {
        unSplash();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    CFrame* frame = getFrame();
    if (frame && frame->setModalView(this)) {
        value = vmax;
        keepSize = size;
        setViewSize(toDisplay);
        setMouseableArea(toDisplay);
        valueChanged();
    }
    setDirty(true);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void CSplashScreen::unSplash() {
    value = vmin;
    setDirty(true);
    CFrame* frame = getFrame();
    if (frame && frame->getModalView() == this) {
        frame->setModalView(nullptr);
        setViewSize(keepSize);
        setMouseableArea(keepSize);
        frame->setDirty(true);
    }
}
