#include "CInvisibleSlider.h"

#include <cmath>

CInvisibleSlider::CInvisibleSlider(const CRect& size, CControlListener* listener,
                                   std::int32_t tag)
    : CControl(size, listener, tag, nullptr) {
    setTransparency(true);
}

void CInvisibleSlider::draw(CDrawContext*) { setDirty(false); }

CMouseEventResult CInvisibleSlider::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    dragging_ = true;
    beginEdit();
    anchorValue_ = value;
    anchorButtons_ = buttons;
    anchorPoint_ = where;
    scale_ = getRange() / ((buttons & kShift) ? 4000.0f : 1000.0f);
    return onMouseMoved(where, buttons);
}

CMouseEventResult CInvisibleSlider::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!buttons.isLeftButton() || !dragging_) return kMouseEventNotHandled;
    // Upward movement counts fully, rightward movement half.
    const float l = static_cast<float>(0.5 * (where.h - anchorPoint_.h) +
                                       (anchorPoint_.v - where.v));
    if (static_cast<std::int32_t>(buttons) != anchorButtons_) {
        // New rate from this point on, without a jump of the value.
        const float newScale = getRange() / ((buttons & kShift) ? 5000.0f : 1000.0f);
        anchorValue_ += (scale_ - newScale) * l;
        scale_ = newScale;
        anchorButtons_ = buttons;
    }
    value = anchorValue_ + l * scale_;
    bounceValue();
    setDirty(true);
    valueChanged();
    return kMouseEventHandled;
}

CMouseEventResult CInvisibleSlider::onMouseUp(CPoint&, const CButtonState&) {
    if (dragging_) endEdit();
    dragging_ = false;
    return kMouseEventHandled;
}

bool CInvisibleSlider::onWheel(const CPoint&, const float& distance, const CButtonState& buttons) {
    if (!std::isfinite(distance)) return true;
    value += distance * ((buttons & kShift) ? 0.0003f : 0.005f);
    bounceValue();
    if (listener) {
        beginEdit();
        valueChanged();
        endEdit();
    }
    setDirty(true);
    return true;
}
