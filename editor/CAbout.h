// The side edges of the panel: a click turns the device round and shows its rear panel
// (a CSplashScreenMyView as the frame's modal view) until the next click.
#pragma once

#include <cstdint>

#include "toolkit/vstgui.h"

class CAbout : public CSplashScreen {
public:
    // background: the rear panel; displayArea: where it is shown (the whole panel);
    // textPoint: where the version text starts, relative to the display area.
    CAbout(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background,
           const CRect& displayArea, const CPoint& offset, const CPoint& textPoint);

    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

private:
    CPoint textPoint_;
};
