#include "OrvOnOffButton.h"

#include "core/ParameterTable.h"

OrvOnOffButton::OrvOnOffButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                               CBitmap* background)
    : COnOffButton(size, listener, tag, background, 0) {}

void OrvOnOffButton::draw(CDrawContext* context) {
    if (pBackground && context) {
        const bool on = lumdel::toStep(value, 2) == 1;
        pBackground->draw(context, size, CPoint(0, on ? pBackground->getHeight() / 2 : 0), 1.0f);
    }
    setDirty(false);
}

CMouseEventResult OrvOnOffButton::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!buttons.isLeftButton() && !buttons.isRightButton()) return kMouseEventNotHandled;
    beginEdit();
    value = lumdel::fromStep(1 - lumdel::toStep(value, 2), 2);
    modifiedClick = (buttons & kControl) != 0 || buttons.isRightButton();
    valueChanged();
    modifiedClick = false;
    endEdit();
    setDirty(true);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}
