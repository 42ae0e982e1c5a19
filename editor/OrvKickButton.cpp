#include "OrvKickButton.h"

OrvKickButton::OrvKickButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                             CCoord heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CKickButton(size, listener, tag, heightOfOneImage, background, offset) {
    value = 0.0f;
}

CMouseEventResult OrvKickButton::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    value = 1.0f;
    if (buttons & kControl)
        stepModifier = 100.0f;
    else if (buttons & kShift)
        stepModifier = 10.0f;
    else
        stepModifier = 1.0f;
    held_ = true;
    beginEdit();
    setDirty(true);
    valueChanged();
    endEdit();
    return kMouseEventHandled;
}

CMouseEventResult OrvKickButton::onMouseUp(CPoint&, const CButtonState&) {
    held_ = false;
    value = 0.0f;
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult OrvKickButton::onMouseMoved(CPoint& where, const CButtonState&) {
    if (!held_) return kMouseEventHandled;
    const float look = size.pointInside(where) ? 1.0f : 0.0f;
    if (look != value) {
        value = look;
        setDirty(true);
    }
    return kMouseEventHandled;
}
