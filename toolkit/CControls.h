// The toolkit's bitmap controls: knobs, buttons, switches, film strips, splash screen.
// Film-strip bitmaps hold their frames stacked vertically; offset is the point of
// the bitmap where frame 0 starts.
#pragma once

#include "CView.h"

// The mouse rules every knob follows; draws its background and a pointer line.
class CKnob : public CControl {
public:
    CKnob(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background,
          CBitmap* handle = nullptr, const CPoint& offset = CPoint());
    ~CKnob() override;
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CKnob") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CKnob"; }

    void draw(CDrawContext* context) override;
    // Left button only. Control-click: the default value (the edit ends at once).
    // Linear mode (the editor's knob mode, or alt held in the other modes): the value
    // follows the movement, up and right increase, the whole range per 200 pixels,
    // per 200 x zoom factor with shift; the rate changes without a jump when shift is
    // pressed or released during the drag. Circular mode: the angle around the centre.
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    // Adds distance x wheel increment (a tenth with shift), inside one edit.
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;

    void setZoomFactor(float factor) { zoomFactor = factor > 0 ? factor : 1; }
    float getZoomFactor() const { return zoomFactor; }
    // Sweep of the circular mode and the pointer, in degrees (0 = right, counter-clockwise).
    void setStartAngle(float degrees) { startAngle = degrees; }
    void setRangeAngle(float degrees) { rangeAngle = degrees; }
    void setColorHandle(const CColor& c) { colorHandle = c; }

protected:
    float valueFromPoint(const CPoint& where) const;
    int knobMode() const;

    CBitmap* pHandle;
    CPoint offset;
    float zoomFactor = 10.0f;
    float startAngle = 225.0f;
    float rangeAngle = 270.0f;
    CColor colorHandle{255, 255, 255, 255};

private:
    bool dragging_ = false;
    bool linear_ = false;
    CPoint firstPoint_;
    float entryValue_ = 0;
    float coef_ = 0;
    bool shiftHeld_ = false;
    float lastAngleValue_ = 0;
};

// A knob drawn from a film strip: frame int(value x (frames - 1)).
class CAnimKnob : public CKnob {
public:
    CAnimKnob(const CRect& size, CControlListener* listener, std::int32_t tag,
              std::int32_t subPixmaps, CCoord heightOfOneImage, CBitmap* background,
              const CPoint& offset = CPoint());
    // Frames as tall as the control.
    CAnimKnob(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background,
              const CPoint& offset = CPoint());
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CAnimKnob") == 0 || CKnob::isTypeOf(name);
    }
    const char* getClassName() const override { return "CAnimKnob"; }
    void draw(CDrawContext* context) override;
    void setInverseBitmap(bool inverse) { bInverseBitmap = inverse; }
    std::int32_t getNumSubPixmaps() const { return subPixmaps; }
    CCoord getHeightOfOneImage() const { return heightOfOneImage; }

protected:
    std::int32_t subPixmaps;
    CCoord heightOfOneImage;
    bool bInverseBitmap = false;
};

enum { kPreListenerUpdate = 0, kPostListenerUpdate = 1 };

// Two frames: off (top half of the bitmap) and on (bottom half, value at or above
// the middle of the range). A left click flips between minimum and maximum.
class COnOffButton : public CControl {
public:
    COnOffButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                 CBitmap* background, std::int32_t style = kPreListenerUpdate);
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "COnOffButton") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "COnOffButton"; }
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

protected:
    std::int32_t style;
};

// Momentary: the maximum while pressed with the pointer over it. On release over it
// the listener hears the maximum, then the minimum.
class CKickButton : public CControl {
public:
    CKickButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                CBitmap* background, const CPoint& offset = CPoint());
    CKickButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                CCoord heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint());
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CKickButton") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CKickButton"; }
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;

protected:
    CCoord heightOfOneImage;
    CPoint offset;
    float entryState_ = 0;
};

// What the horizontal and the vertical switch share: positions picked by the mouse
// along the control, the frame nearest value x (frames - 1) drawn. Left button;
// control-click gives the default value; the switch follows the mouse while the button
// is held. Answers type queries as a CControl.
class CSwitchBase : public CControl {
public:
    CSwitchBase(const CRect& size, CControlListener* listener, std::int32_t tag,
                std::int32_t subPixmaps, CCoord heightOfOneImage, std::int32_t iMaxPositions,
                CBitmap* background, const CPoint& offset);
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;

protected:
    // The mouse's distance from the control's start along the switch, the length that
    // holds `count` cells, and that count; cell k gives value k / (count - 1).
    struct Cells {
        double along;
        CCoord length;
        std::int32_t count;
    };
    virtual Cells cellsAt(const CPoint& where) const = 0;

    std::int32_t subPixmaps;
    CCoord heightOfOneImage;
    std::int32_t iMaxPositions;
    CPoint offset;
};

// The frame under the mouse, int((x - left) / (bitmap width / frames)), gives
// value = frame / (frames - 1).
class CHorizontalSwitch : public CSwitchBase {
public:
    CHorizontalSwitch(const CRect& size, CControlListener* listener, std::int32_t tag,
                      std::int32_t subPixmaps, CCoord heightOfOneImage, std::int32_t iMaxPositions,
                      CBitmap* background, const CPoint& offset = CPoint());
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CHorizontalSwitch") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CHorizontalSwitch"; }

protected:
    Cells cellsAt(const CPoint& where) const override;
};

// Position int((y - top) / (frame height / positions)) gives
// value = position / (positions - 1).
class CVerticalSwitch : public CSwitchBase {
public:
    CVerticalSwitch(const CRect& size, CControlListener* listener, std::int32_t tag,
                    std::int32_t subPixmaps, CCoord heightOfOneImage, std::int32_t iMaxPositions,
                    CBitmap* background, const CPoint& offset = CPoint());
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CVerticalSwitch") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CVerticalSwitch"; }

protected:
    Cells cellsAt(const CPoint& where) const override;
};

enum CRockerStyle { kHorizontal = 1 << 0, kVertical = 1 << 1 };

// Values -1, 0, +1: pressed on the left (or top) half, released, pressed on the right
// (or bottom) half. Three frames: -1, 0, +1.
class CRockerSwitch : public CControl {
public:
    CRockerSwitch(const CRect& size, CControlListener* listener, std::int32_t tag,
                  CCoord heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(),
                  std::int32_t style = kHorizontal);
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CRockerSwitch") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CRockerSwitch"; }
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    // One step: +1 or -1 for a moment.
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;

protected:
    CCoord heightOfOneImage;
    CPoint offset;
    std::int32_t style;
};

// A film strip showing the frame nearest to value x (frames - 1), halves up. No mouse.
class CMovieBitmap : public CControl {
public:
    CMovieBitmap(const CRect& size, CControlListener* listener, std::int32_t tag,
                 std::int32_t subPixmaps, CCoord heightOfOneImage, CBitmap* background,
                 const CPoint& offset = CPoint());
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CMovieBitmap") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CMovieBitmap"; }
    void draw(CDrawContext* context) override;
    // The frame the current value shows.
    std::int32_t getFrameIndex() const;

protected:
    std::int32_t subPixmaps;
    CCoord heightOfOneImage;
    CPoint offset;
};

// A click shows the background bitmap over the display area as the frame's modal
// view; a click on it (or unSplash) takes it away. Value: maximum while shown.
class CSplashScreen : public CControl {
public:
    CSplashScreen(const CRect& size, CControlListener* listener, std::int32_t tag,
                  CBitmap* background, const CRect& toDisplay, const CPoint& offset = CPoint());
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CSplashScreen") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CSplashScreen"; }
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    // Value back to the minimum; if this view is the modal view, it stops being one
    // and gets its own rectangle back; the frame is redrawn.
    virtual void unSplash();
    const CRect& getDisplayArea() const { return toDisplay; }
    void setDisplayArea(const CRect& area) { toDisplay = area; }
    const CPoint& getOffset() const { return offset; }

protected:
    CRect toDisplay;
    CRect keepSize;
    CPoint offset;
};
