// The button classes of the preset strip. Each keeps a hover flag (set on mouse-enter,
// cleared on mouse-exit, redrawn on each change) and draws one of the sub-images of a
// vertical bitmap strip:
//   CSaveLoadButton  click: 1.0, or 0.5 for a plain right click; the listener hears it
//                    at once and the value returns to 0. Images: 2 pressed, 1 hover, 0.
//   CPSKickButton    left button; with the double-click-only flag a single click does
//                    nothing, and Ctrl gives 0.5 instead of 1.0. Value back to 0 on
//                    release. Images: 2 pressed, 1 hover, 0.
//   CPSOnOffButton   left click flips 0 / 1. Images: 2 on, 1 off and hovered, 0 off.
//   CPSRockerSwitch  -1 / +1 on the left / right half while pressed, 0 on release.
//                    A wheel notch steps like a click (the toolkit's rocker switch):
//                    away from the user back (-1), towards the user forward (+1).
//                    Images: 0 idle, 1 / 2 hovered left / right, 3 / 4 pressed left / right.
#pragma once

#include <cstdint>

#include "toolkit/vstgui.h"

class CSaveLoadButton : public CKickButton {
public:
    CSaveLoadButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                    CCoord heightOfOneImage, CBitmap* background);
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CSaveLoadButton") == 0 || CKickButton::isTypeOf(name);
    }
    const char* getClassName() const override { return "CSaveLoadButton"; }
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
    std::int32_t onKeyDown(CKeyCode&) override { return -1; }
    std::int32_t onKeyUp(CKeyCode&) override { return -1; }
    bool isHovered() const { return hovered_; }
    // The sub-image the button shows now.
    int subImage() const { return value != 0 ? 2 : hovered_ ? 1 : 0; }

private:
    bool hovered_ = false;
};

class CPSKickButton : public CKickButton {
public:
    CPSKickButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                  CCoord heightOfOneImage, CBitmap* background, bool doubleClickOnly);
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CPSKickButton") == 0 || CKickButton::isTypeOf(name);
    }
    const char* getClassName() const override { return "CPSKickButton"; }
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
    bool isHovered() const { return hovered_; }
    bool isPressed() const { return pressed_; }
    bool isDoubleClickOnly() const { return doubleClickOnly_; }
    int subImage() const { return pressed_ ? 2 : hovered_ ? 1 : 0; }

private:
    bool doubleClickOnly_;
    bool hovered_ = false;
    bool pressed_ = false;
};

class CPSOnOffButton : public COnOffButton {
public:
    CPSOnOffButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                   CCoord heightOfOneImage, CBitmap* background);
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CPSOnOffButton") == 0 || COnOffButton::isTypeOf(name);
    }
    const char* getClassName() const override { return "CPSOnOffButton"; }
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
    bool isHovered() const { return hovered_; }
    int subImage() const { return value != 0 ? 2 : hovered_ ? 1 : 0; }

private:
    CCoord heightOfOneImage_;
    bool hovered_ = false;
};

class CPSRockerSwitch : public CRockerSwitch {
public:
    CPSRockerSwitch(const CRect& size, CControlListener* listener, std::int32_t tag,
                    CCoord heightOfOneImage, CBitmap* background);
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CPSRockerSwitch") == 0 || CRockerSwitch::isTypeOf(name);
    }
    const char* getClassName() const override { return "CPSRockerSwitch"; }
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
    // -1 over the left half, +1 over the right half, 0 outside.
    int hoverSide() const { return hoverSide_; }
    int subImage() const;

private:
    int sideOf(const CPoint& where) const;
    int hoverSide_ = 0;
};
