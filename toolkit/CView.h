// Views and controls: the rectangles a frame draws and gives mouse events to.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>

#include "CGraphics.h"

class CFrame;
class CControl;

// A key press or release as the frame receives it: character is the character (0 for
// a virtual key), virt a CVirtualKey (0 for a character), modifier CModifierKey bits.
struct CKeyCode {
    std::int32_t character;
    unsigned char virt;
    unsigned char modifier;
};

// Virtual key codes of CKeyCode::virt.
enum CVirtualKey : unsigned char {
    VKEY_BACK = 1,
    VKEY_TAB,
    VKEY_CLEAR,
    VKEY_RETURN,
    VKEY_PAUSE,
    VKEY_ESCAPE,
    VKEY_SPACE,
    VKEY_NEXT,
    VKEY_END,
    VKEY_HOME,
    VKEY_LEFT,
    VKEY_UP,
    VKEY_RIGHT,
    VKEY_DOWN,
    VKEY_PAGEUP,
    VKEY_PAGEDOWN,
    VKEY_SELECT,
    VKEY_PRINT,
    VKEY_ENTER,
    VKEY_SNAPSHOT,
    VKEY_INSERT,
    VKEY_DELETE,
};

// Modifier bits of CKeyCode::modifier.
enum CModifierKey : unsigned char {
    MODIFIER_SHIFT = 1 << 0,
    MODIFIER_ALTERNATE = 1 << 1,
    MODIFIER_COMMAND = 1 << 2,
    MODIFIER_CONTROL = 1 << 3,
};

class CView : public CBaseObject {
public:
    explicit CView(const CRect& size);
    ~CView() override;

    // Paints the whole view rectangle (the context is clipped to what needs it),
    // then marks the view clean. The default draws the background bitmap.
    virtual void draw(CDrawContext* context);

    // Mouse handlers; where is in frame coordinates. The defaults do not handle.
    virtual CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons);
    // True when the wheel was used. distance: +1 per notch away from the user.
    virtual bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons);
    // 1 when used, -1 when not.
    virtual std::int32_t onKeyDown(CKeyCode& key);
    virtual std::int32_t onKeyUp(CKeyCode& key);
    virtual bool hitTest(const CPoint& where, const CButtonState& buttons = CButtonState());
    // Keyboard focus given and taken by the frame.
    virtual void takeFocus() {}
    virtual void looseFocus() {}

    // Type query: true for this class's name and those of its bases.
    virtual bool isTypeOf(const char* name) const { return std::strcmp(name, "CView") == 0; }
    virtual const char* getClassName() const { return "CView"; }

    // Any thread: marks the view for the next redraw of the frame.
    virtual void setDirty(bool dirty = true) { dirty_.store(dirty, std::memory_order_relaxed); }
    virtual bool isDirty() const { return dirty_.load(std::memory_order_relaxed); }
    void invalid() { setDirty(true); }
    void redraw() { setDirty(true); }

    const CRect& getViewSize() const { return size; }
    CRect& getViewSize(CRect& rect) const { return rect = size; }
    // Moves or resizes; the uncovered area is repainted.
    virtual void setViewSize(const CRect& rect, bool invalidate = true);
    const CRect& getMouseableArea() const { return mouseableArea; }
    CRect& getMouseableArea(CRect& rect) const { return rect = mouseableArea; }
    void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
    CCoord getWidth() const { return size.width(); }
    CCoord getHeight() const { return size.height(); }

    void setMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
    bool getMouseEnabled() const { return mouseEnabled_; }
    void setVisible(bool visible);
    bool isVisible() const { return visible_; }
    // A transparent view lets what is beneath show: the frame repaints the area
    // under it before drawing it.
    void setTransparency(bool transparent) { bTransparencyEnabled = transparent; }
    bool getTransparency() const { return bTransparencyEnabled; }
    // Transparent, or drawn from a bitmap with an alpha channel: drawing it again over
    // its last picture would keep that picture where the new one is clear.
    bool showsWhatIsBeneath() const {
        return bTransparencyEnabled || (pBackground && pBackground->hasAlpha());
    }

    // The view takes its own reference to the bitmap.
    virtual void setBackground(CBitmap* background);
    CBitmap* getBackground() const { return pBackground; }
    // Point of the background bitmap drawn at the view's top-left corner.
    void setBackOffset(const CPoint& offset) { backOffset = offset; }
    const CPoint& getBackOffset() const { return backOffset; }

    CFrame* getFrame() const { return pParentFrame; }
    // Called by the frame when the view is added to it or removed from it.
    virtual void attached(CFrame* frame) { pParentFrame = frame; }
    virtual void removed(CFrame*) { pParentFrame = nullptr; }

protected:
    CRect size;
    CRect mouseableArea;
    CFrame* pParentFrame = nullptr;
    CBitmap* pBackground = nullptr;
    CPoint backOffset;
    bool bTransparencyEnabled = false;

private:
    std::atomic<bool> dirty_{true};
    bool mouseEnabled_ = true;
    bool visible_ = true;
};

// What a control reports to its owner.
class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    // A click with modifier keys; a non-zero answer consumes the click.
    virtual std::int32_t controlModifierClicked(CControl*, std::int32_t /*buttons*/) { return 0; }
    virtual void controlBeginEdit(CControl*) {}
    virtual void controlEndEdit(CControl*) {}
    virtual void controlTagWillChange(CControl*) {}
    virtual void controlTagDidChange(CControl*) {}
};

// A view with a value between a minimum and a maximum, a tag and a listener.
class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, std::int32_t tag = 0,
             CBitmap* background = nullptr);

    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CControl") == 0 || CView::isTypeOf(name);
    }
    const char* getClassName() const override { return "CControl"; }

    // Limits the value to [minimum, maximum]; a value that is not a number is ignored.
    // Does not notify the listener. Any thread.
    virtual void setValue(float value);
    virtual float getValue() const { return value; }
    // The value drawn last.
    float getOldValue() const { return oldValue; }
    // Limits the stored value to [minimum, maximum].
    virtual void bounceValue();

    void setMin(float v) { vmin = v; }
    float getMin() const { return vmin; }
    void setMax(float v) { vmax = v; }
    float getMax() const { return vmax; }
    float getRange() const { return vmax - vmin; }
    void setDefaultValue(float v) { defaultValue = v; }
    float getDefaultValue() const { return defaultValue; }
    void setWheelInc(float v) { wheelInc = v; }
    float getWheelInc() const { return wheelInc; }
    void setTag(std::int32_t t);
    std::int32_t getTag() const { return tag; }
    void setListener(CControlListener* l) { listener = l; }
    CControlListener* getListener() const { return listener; }

    // An edit begins and ends around every change made by the user: the listener
    // hears of it, and so does the editor (the host's automation bracket).
    virtual void beginEdit();
    virtual void endEdit();
    bool isEditing() const { return editing_ > 0; }
    // Tells the listener the value changed.
    virtual void valueChanged();

    // A left click with only the control key sets the default value and tells the
    // listener; true when it did.
    bool checkDefaultValue(const CButtonState& buttons);

    // Dirty also when the value differs from the one drawn last.
    bool isDirty() const override { return value != oldValue || CView::isDirty(); }
    void setDirty(bool dirty = true) override;

    // Draws the background bitmap at the background offset.
    void draw(CDrawContext* context) override;

protected:
    CControlListener* listener;
    std::int32_t tag;
    float value = 0.0f;
    float oldValue = 1.0f;
    float defaultValue = 0.5f;
    float vmin = 0.0f;
    float vmax = 1.0f;
    float wheelInc = 0.1f;

private:
    int editing_ = 0;
};
