#include "OrvSwitchVert.h"

#include <algorithm>
#include <cmath>

#include "core/ParameterTable.h"

OrvSwitchVert::OrvSwitchVert(const CRect& size, CControlListener* listener, std::int32_t tag,
                             std::int32_t subPixmaps, CCoord heightOfOneImage,
                             std::int32_t positions, CBitmap* background, const CPoint& offset)
    : CVerticalSwitch(size, listener, tag, subPixmaps, heightOfOneImage, positions, background,
                      offset),
      positions_(std::max<std::int32_t>(1, positions)) {}

void OrvSwitchVert::draw(CDrawContext* context) {
    if (pBackground && context) {
        const int k = lumdel::toStep(value, positions_);
        pBackground->draw(context, size, CPoint(offset.h, offset.v + k * heightOfOneImage), 1.0f);
    }
    setDirty(false);
}

CMouseEventResult OrvSwitchVert::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    beginEdit();
    const CCoord height = heightOfOneImage > 0 ? heightOfOneImage : size.height();
    double k = std::floor((where.v - size.top) / height * positions_);
    // A click just outside the control's own height (the frame may be taller than the
    // control) still picks a real position.
    k = std::clamp(k, 0.0, static_cast<double>(positions_ - 1));
    const float before = value;
    value = static_cast<float>(k / positions_);
    if (value != before) valueChanged();
    setDirty(true);
    endEdit();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}
