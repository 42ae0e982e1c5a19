#include "CHelpView.h"

#include "CHelp.h"
#include "Overlay.h"
#include "resources/PanelLayout.h"

CHelpView::CHelpView(const CRect& size, CHelp* help)
    : CControl(size, nullptr, 0, help ? help->getBackground() : nullptr), help_(help) {}

void CHelpView::draw(CDrawContext* context) {
    if (pBackground) {
        pBackground->draw(context, size, CPoint(0, CHelp::kPageHeight * previousPage_), 1.0f);
        const float opacity = static_cast<float>(kFadeMs - fadeRemaining_) / kFadeMs;
        pBackground->draw(context, size, CPoint(0, CHelp::kPageHeight * page_), opacity);
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
    previousPage_ = page_;
    page_ = page;
    fadeRemaining_ = kFadeMs;
}

CMouseEventResult CHelpView::onMouseMoved(CPoint& where, const CButtonState&) {
    showPage(pageAt(where.h, where.v));
    return kMouseEventHandled;
}

CMouseEventResult CHelpView::onMouseExited(CPoint&, const CButtonState&) {
    previousPage_ = page_;
    page_ = 0;
    fadeRemaining_ = kFadeMs;
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
