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
    beginEdit();
    setDirty(true);
    valueChanged();
    endEdit();
    return kMouseEventHandled;
}

CMouseEventResult OrvKickButton::onMouseUp(CPoint&, const CButtonState&) {
    value = 0.0f;
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult OrvKickButton::onMouseMoved(CPoint&, const CButtonState&) {
    return kMouseEventHandled;
}
