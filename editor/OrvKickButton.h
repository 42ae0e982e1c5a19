// A momentary stepping knob: pressed while the left button is down; the listener hears
// the press once, with the step size the modifier keys ask for.
#pragma once

#include "toolkit/vstgui.h"

class OrvKickButton : public CKickButton {
public:
    OrvKickButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                  CCoord heightOfOneImage, CBitmap* background, const CPoint& offset);

    // Left button: value 1, stepModifier 1 (plain), 10 (shift) or 100 (control, also
    // with shift); the listener hears it inside one edit. Answers handled.
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    // Back to rest.
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    // While held, it looks pressed only with the pointer over it; the listener heard
    // the press already and hears nothing more.
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;

    // 1 steps forward; 10 and 100 step backward, or give the size of a fine time step
    // in thousandths.
    float stepModifier = 1.0f;

private:
    bool held_ = false;
};
