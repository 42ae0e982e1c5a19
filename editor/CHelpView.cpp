#include "CHelpView.h"

#include "CHelp.h"
#include "Overlay.h"
#include "resources/PanelLayout.h"

namespace {

// What a page fades to and from: about the darkened panel every page lies on.
const CColor kFadeColour = {10, 12, 16, 255};

}  // namespace

CHelpView::CHelpView(const CRect& size, CHelp* help)
    : CControl(size, nullptr, 0, help ? help->getBackground() : nullptr), help_(help) {}

std::int32_t CHelpView::shownPage() const {
    return kFadeMs - fadeRemaining_ < kHalfFadeMs ? previousPage_ : page_;
}

float CHelpView::shownOpacity() const {
    const std::int32_t elapsed = kFadeMs - fadeRemaining_;
    const std::int32_t fromDark = elapsed < kHalfFadeMs ? kHalfFadeMs - elapsed
                                                        : elapsed - kHalfFadeMs;
    return static_cast<float>(fromDark) / kHalfFadeMs;
}

void CHelpView::draw(CDrawContext* context) {
    if (pBackground) {
        pBackground->draw(context, size, CPoint(0, CHelp::kPageHeight * shownPage()), 1.0f);
        const float opacity = shownOpacity();
        if (opacity < 1.0f) {
            CColor dark = kFadeColour;
            dark.alpha = static_cast<std::uint8_t>(255.0f * (1.0f - opacity) + 0.5f);
            context->setFillColor(dark);
            context->fillRect(size);
        }
    }
    // Drawn only in part (the frame repainting a view beneath), the frame keeps it due
    // for a whole drawing.
    setDirty(false);
}

CMouseEventResult CHelpView::onMouseDown(CPoint&, const CButtonState& buttons) {
    return closeOverlay(this, help_, buttons);
}

std::int32_t CHelpView::pageAt(CCoord x, CCoord y) {
    return static_cast<std::int32_t>(lumdel::panel::sectionAt(x, y));
}

void CHelpView::showPage(std::int32_t page) {
    if (page == page_) return;
    if (fadeRemaining_ == 0) {
        previousPage_ = page_;
        page_ = page;
        fadeRemaining_ = kFadeMs;
    } else if (kFadeMs - fadeRemaining_ < kHalfFadeMs) {
        // The old page is still fading out: the new one follows it, unless it is the
        // old page itself, which turns and fades in again from where it is.
        page_ = page;
        if (page == previousPage_) fadeRemaining_ = kFadeMs - fadeRemaining_;
    } else {
        // The page fading in fades out again from where it is; then the new one comes.
        previousPage_ = page_;
        page_ = page;
        fadeRemaining_ = kFadeMs - fadeRemaining_;
    }
    setDirty(true);
}

CMouseEventResult CHelpView::onMouseMoved(CPoint& where, const CButtonState&) {
    showPage(pageAt(where.h, where.v));
    return kMouseEventHandled;
}

CMouseEventResult CHelpView::onMouseExited(CPoint&, const CButtonState&) {
    showPage(0);
    return kMouseEventHandled;
}

void CHelpView::fadeStep(std::uint32_t now) {
    const std::int32_t r = fadeRemaining_;
    const std::uint32_t elapsed = now - lastTick_;
    lastTick_ = now;
    if (r == 0) return;
    if (static_cast<std::uint32_t>(r) < elapsed) {
        fadeRemaining_ = 0;
        previousPage_ = page_;
        // The last step of a fade is drawn too, so the page ends at full opacity.
        setDirty(true);
    } else {
        fadeRemaining_ = r - static_cast<std::int32_t>(elapsed);
        setDirty(true);
    }
}
