#include "OrvAnimKnob.h"

#include <algorithm>

OrvAnimKnob::OrvAnimKnob(const CRect& size, CControlListener* listener, std::int32_t tag,
                         std::int32_t subPixmaps, CCoord heightOfOneImage, CBitmap* background,
                         const CPoint& offset, const CRect& drawRect)
    : CAnimKnob(size, listener, tag, subPixmaps, heightOfOneImage, background, offset),
      drawRect_(drawRect) {
    setZoomFactor(5.0f);
}

std::int32_t OrvAnimKnob::getFrameIndex() const {
    // Truncated, so 0.999 of 101 frames is frame 99 and only 1.0 reaches frame 100.
    const auto k = static_cast<std::int32_t>(static_cast<float>(subPixmaps - 1) * value);
    return std::clamp<std::int32_t>(k, 0, std::max<std::int32_t>(0, subPixmaps - 1));
}

void OrvAnimKnob::draw(CDrawContext* context) {
    if (pBackground && context) {
        const CPoint source(offset.h, offset.v + getFrameIndex() * heightOfOneImage);
        pBackground->draw(context, drawRect_, source, 1.0f);
    }
    setDirty(false);
}
