#include "PresetStripButtons.h"

namespace {

void drawSubImage(CDrawContext* context, CBitmap* bitmap, const CRect& size, CCoord height,
                  int index) {
    if (bitmap) bitmap->draw(context, size, CPoint(0, height * index));
}

bool isPlainRightClick(const CButtonState& buttons) {
    return buttons.getButtonState() == kRButton && buttons.getModifierState() == 0;
}

}  // namespace

// --- CSaveLoadButton ---------------------------------------------------------------------

CSaveLoadButton::CSaveLoadButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                                 CCoord heightOfOneImage, CBitmap* background)
    : CKickButton(size, listener, tag, heightOfOneImage, background) {}

void CSaveLoadButton::draw(CDrawContext* context) {
    drawSubImage(context, pBackground, size, heightOfOneImage, subImage());
    setDirty(false);
}

CMouseEventResult CSaveLoadButton::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!buttons.isLeftButton() && !buttons.isRightButton()) return kMouseEventNotHandled;
    if (!listener) return kMouseEventNotHandled;
    beginEdit();
    value = isPlainRightClick(buttons) ? 0.5f : 1.0f;
    // The listener may run a modal file dialog here.
    listener->valueChanged(this);
    value = 0;
    endEdit();
    setDirty(true);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CMouseEventResult CSaveLoadButton::onMouseUp(CPoint&, const CButtonState&) {
    return kMouseEventHandled;
}

CMouseEventResult CSaveLoadButton::onMouseMoved(CPoint&, const CButtonState&) {
    return kMouseEventHandled;
}

CMouseEventResult CSaveLoadButton::onMouseEntered(CPoint&, const CButtonState&) {
    hovered_ = true;
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult CSaveLoadButton::onMouseExited(CPoint&, const CButtonState&) {
    hovered_ = false;
    setDirty(true);
    return kMouseEventHandled;
}

// --- CPSKickButton -----------------------------------------------------------------------

CPSKickButton::CPSKickButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                             CCoord heightOfOneImage, CBitmap* background, bool doubleClickOnly)
    : CKickButton(size, listener, tag, heightOfOneImage, background),
      doubleClickOnly_(doubleClickOnly) {}

void CPSKickButton::draw(CDrawContext* context) {
    drawSubImage(context, pBackground, size, heightOfOneImage, subImage());
    setDirty(false);
}

CMouseEventResult CPSKickButton::onMouseDown(CPoint&, const CButtonState& buttons) {
    // Other buttons and a single click on a double-click-only button are consumed.
    if (!buttons.isLeftButton()) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (doubleClickOnly_ && !buttons.isDoubleClick())
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    pressed_ = true;
    beginEdit();
    value = doubleClickOnly_ && (buttons.getModifierState() & kControl) ? 0.5f : 1.0f;
    valueChanged();
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult CPSKickButton::onMouseUp(CPoint&, const CButtonState&) {
    if (pressed_) {
        value = 0;
        pressed_ = false;
        endEdit();
        setDirty(true);
    }
    return kMouseEventHandled;
}

CMouseEventResult CPSKickButton::onMouseMoved(CPoint&, const CButtonState&) {
    return kMouseEventHandled;
}

CMouseEventResult CPSKickButton::onMouseEntered(CPoint&, const CButtonState&) {
    hovered_ = true;
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult CPSKickButton::onMouseExited(CPoint&, const CButtonState&) {
    hovered_ = false;
    setDirty(true);
    return kMouseEventHandled;
}

// --- CPSOnOffButton ----------------------------------------------------------------------

CPSOnOffButton::CPSOnOffButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                               CCoord heightOfOneImage, CBitmap* background)
    : COnOffButton(size, listener, tag, background), heightOfOneImage_(heightOfOneImage) {}

void CPSOnOffButton::draw(CDrawContext* context) {
    drawSubImage(context, pBackground, size, heightOfOneImage_, subImage());
    setDirty(false);
}

CMouseEventResult CPSOnOffButton::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    beginEdit();
    value = value != 0 ? 0.0f : 1.0f;
    valueChanged();
    endEdit();
    setDirty(true);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CMouseEventResult CPSOnOffButton::onMouseEntered(CPoint&, const CButtonState&) {
    hovered_ = true;
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult CPSOnOffButton::onMouseExited(CPoint&, const CButtonState&) {
    hovered_ = false;
    setDirty(true);
    return kMouseEventHandled;
}

// --- CPSRockerSwitch ---------------------------------------------------------------------

CPSRockerSwitch::CPSRockerSwitch(const CRect& size, CControlListener* listener, std::int32_t tag,
                                 CCoord heightOfOneImage, CBitmap* background)
    : CRockerSwitch(size, listener, tag, heightOfOneImage, background) {}

int CPSRockerSwitch::sideOf(const CPoint& where) const {
    if (!size.pointInside(where)) return 0;
    return where.h < (size.left + size.right) / 2 ? -1 : 1;
}

int CPSRockerSwitch::subImage() const {
    if (value < 0) return 3;
    if (value > 0) return 4;
    if (hoverSide_ < 0) return 1;
    if (hoverSide_ > 0) return 2;
    return 0;
}

void CPSRockerSwitch::draw(CDrawContext* context) {
    drawSubImage(context, pBackground, size, heightOfOneImage, subImage());
    setDirty(false);
}

CMouseEventResult CPSRockerSwitch::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    const int side = where.h < (size.left + size.right) / 2 ? -1 : 1;
    beginEdit();
    value = static_cast<float>(side);
    setDirty(true);
    valueChanged();
    return kMouseEventHandled;
}

CMouseEventResult CPSRockerSwitch::onMouseUp(CPoint& where, const CButtonState&) {
    if (value != 0) {
        value = 0;
        setDirty(true);
        endEdit();
    }
    hoverSide_ = sideOf(where);
    return kMouseEventHandled;
}

CMouseEventResult CPSRockerSwitch::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (buttons.getButtonState() == 0) {
        const int side = sideOf(where);
        if (side != hoverSide_) {
            hoverSide_ = side;
            setDirty(true);
        }
    }
    return kMouseEventHandled;
}

CMouseEventResult CPSRockerSwitch::onMouseEntered(CPoint& where, const CButtonState&) {
    hoverSide_ = sideOf(where);
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult CPSRockerSwitch::onMouseExited(CPoint&, const CButtonState&) {
    hoverSide_ = 0;
    setDirty(true);
    return kMouseEventHandled;
}
