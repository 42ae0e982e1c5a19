#include "Overlay.h"

CMouseEventResult closeOverlay(CView* overlay, CSplashScreen* opener,
                               const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    if (opener) opener->unSplash();
    CFrame* frame = overlay->getFrame();
    if (frame) {
        frame->setDirty(true);
        frame->setModalView(nullptr);
    }
    // The frame handed the view back: it releases itself.
    overlay->forget();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}
