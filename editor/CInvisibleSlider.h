// An invisible drag and wheel area: dragging up changes the value at 1/1000 of the range
// per pixel (1/4000 with shift at the press, 1/5000 when shift changes during the drag),
// dragging right at half that; the wheel moves by 0.005 per notch (0.0003 with shift).
#pragma once

#include "toolkit/vstgui.h"

class CInvisibleSlider : public CControl {
public:
    CInvisibleSlider(const CRect& size, CControlListener* listener, std::int32_t tag);

    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CInvisibleSlider") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CInvisibleSlider"; }

    // Nothing to draw; the panel beneath shows.
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;

    bool isDragging() const { return dragging_; }

private:
    bool dragging_ = false;
    float scale_ = 0.001f;
    float anchorValue_ = 0.0f;
    std::int32_t anchorButtons_ = 0;
    CPoint anchorPoint_;
};
