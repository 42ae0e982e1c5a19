#include "CAbout.h"

#include "CSplashScreenMyView.h"

CAbout::CAbout(const CRect& size, CControlListener* listener, std::int32_t tag,
               CBitmap* background, const CRect& displayArea, const CPoint& offset,
               const CPoint& textPoint)
    : CSplashScreen(size, listener, tag, background, displayArea, offset),
      textPoint_(textPoint) {}

CMouseEventResult CAbout::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    value = value == 0 ? 1.0f : 0.0f;
    if (value == 0) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    CFrame* frame = getFrame();
    auto* view = new CSplashScreenMyView(toDisplay, this, textPoint_);
    if (!frame || !frame->setModalView(view)) {
        // Another overlay is open: nothing changes.
        view->forget();
        value = 0;
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    setDirty(true);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}
