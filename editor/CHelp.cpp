#include "CHelp.h"

#include "CHelpView.h"

CHelp::CHelp(const CRect& size, CControlListener* listener, std::int32_t tag,
             CBitmap* background, CBitmap* buttonBitmap)
    : CSplashScreen(size, listener, tag, background, CRect(0, 0, lumdel::panel::kWidth, kPageHeight),
                    CPoint(0, 0)),
      buttonBitmap_(buttonBitmap) {
    if (buttonBitmap_) buttonBitmap_->remember();
}

CHelp::~CHelp() {
    if (buttonBitmap_) buttonBitmap_->forget();
}

void CHelp::draw(CDrawContext* context) {
    if (buttonBitmap_) {
        const CCoord h = buttonBitmap_->getHeight();
        const CCoord sourceY = value > 0 ? 2 * h / 3 : hovered_ ? h / 3 : 0;
        buttonBitmap_->draw(context, size, CPoint(0, sourceY), 1.0f);
    }
    setDirty(false);
}

CMouseEventResult CHelp::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    value = value == 0 ? 1.0f : 0.0f;
    if (value == 0) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    CFrame* frame = getFrame();
    auto* view = new CHelpView(CRect(0, 0, lumdel::panel::kWidth, kPageHeight), this);
    if (!frame || !frame->setModalView(view)) {
        // Another overlay is open: nothing changes.
        view->forget();
        value = 0;
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    helpView_ = view;
    setDirty(true);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CMouseEventResult CHelp::onMouseEntered(CPoint&, const CButtonState&) {
    hovered_ = true;
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult CHelp::onMouseExited(CPoint&, const CButtonState&) {
    hovered_ = false;
    setDirty(true);
    return kMouseEventHandled;
}

void CHelp::unSplash() {
    helpView_ = nullptr;
    CSplashScreen::unSplash();
}

void CHelp::fadeStep(std::uint32_t now) {
    if (helpView_) helpView_->fadeStep(now);
}
