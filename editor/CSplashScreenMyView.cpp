#include "CSplashScreenMyView.h"

#include "CAbout.h"
#include "Overlay.h"
#include "resources/PanelLayout.h"

namespace {

const CColor kVersionColor{255, 255, 255, 255};
constexpr CCoord kVersionFontSize = 11;
// The window of the rear panel's name plate that the text is centred in.
constexpr CCoord kVersionWidth = lumdel::panel::kVersionText.width();
constexpr CCoord kVersionHeight = lumdel::panel::kVersionText.height();
}  // namespace

CSplashScreenMyView::CSplashScreenMyView(const CRect& size, CAbout* about,
                                         const CPoint& textPoint)
    : CControl(size, nullptr, 0, about ? about->getBackground() : nullptr),
      about_(about),
      textPoint_(textPoint) {}

void CSplashScreenMyView::draw(CDrawContext* context) {
    if (pBackground) pBackground->draw(context, size, CPoint(0, 0), 1.0f);
    CFontDesc font("Arial", kVersionFontSize);
    context->setFont(&font);
    context->setFontColor(kVersionColor);
    const CRect textRect(size.left + textPoint_.h, size.top + textPoint_.v,
                         size.left + textPoint_.h + kVersionWidth,
                         size.top + textPoint_.v + kVersionHeight);
    context->drawString(kVersionText, textRect, false, kCenterText);
    // Drawn only in part (the frame repainting a view beneath), the frame keeps it due
    // for a whole drawing.
    setDirty(false);
}

CMouseEventResult CSplashScreenMyView::onMouseDown(CPoint&, const CButtonState& buttons) {
    return closeOverlay(this, about_, buttons);
}
