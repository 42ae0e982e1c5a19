// A lamp button: a left or right click toggles it between 0.25 and 0.75, and the
// listener learns whether the click was a modified one (control key or right button).
#pragma once

#include "toolkit/vstgui.h"

class OrvOnOffButton : public COnOffButton {
public:
    OrvOnOffButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                   CBitmap* background);

    // Frame 1 (lower half) when the value is in its upper step, else frame 0.
    void draw(CDrawContext* context) override;
    // Left or right button; toggles the step, reports inside one edit; answers done.
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

    // True only while the listener handles a control-click or right click.
    bool modifiedClick = false;
};
