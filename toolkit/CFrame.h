// The frame: the window content that owns the views, draws them and hands them the
// mouse. With a parent window it lives in a child X window; without one it draws
// offscreen only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "CView.h"

class CFrame;
class X11Window;

enum CKnobMode : std::int32_t { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

// What a frame needs from the editor that owns it.
class VSTGUIEditorInterface {
public:
    virtual ~VSTGUIEditorInterface() = default;
    virtual void doIdleStuff() {}
    virtual std::int32_t getKnobMode() const { return kCircularMode; }
    // Host automation bracket for the parameter with this index.
    virtual void beginEdit(std::int32_t /*index*/) {}
    virtual void endEdit(std::int32_t /*index*/) {}
    // Device pixels per logical pixel the frame draws at (1, 1.5 or 2), read once when
    // the frame is made.
    virtual double getScale() const { return 1.0; }
};

class CFrame : public CView {
public:
    // systemWindow: the parent X window id (as a pointer) or null for an offscreen
    // frame. When the window cannot be made the frame stays offscreen
    // (isWindowOpen() false).
    CFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor);
    ~CFrame() override;

    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CFrame") == 0 || CView::isTypeOf(name);
    }
    const char* getClassName() const override { return "CFrame"; }

    // Removes and releases the views, lets go of the window and releases the frame.
    void close();
    bool isWindowOpen() const { return window_ != nullptr; }
    void* getSystemWindow() const { return systemWindow_; }
    // The child window's X id, 0 when offscreen.
    unsigned long getWindowId() const;
    // The X id of the top-level window that holds the frame (the host's window, which
    // dialogs are kept above), 0 when offscreen.
    unsigned long getTopLevelWindow() const;
    VSTGUIEditorInterface* getEditor() const { return editor_; }

    // The frame takes over the caller's reference.
    bool addView(CView* view);
    bool removeView(CView* view, bool withForget = true);
    void removeAll(bool withForget = true);
    bool isChild(const CView* view) const;
    int getNbViews() const { return static_cast<int>(views_.size()); }
    CView* getView(int index) const;

    // One modal view at a time: while it is set, it alone gets mouse and key events
    // and is drawn above everything. False when another modal view is set. The frame
    // owns the modal view while it is set; clearing it (null) hands it back without
    // releasing it.
    bool setModalView(CView* view);
    CView* getModalView() const { return modalView_; }
    // As setModalView, but while the frame has a window the view gets a window of its
    // own above everything (it may then reach beyond the frame) that holds the pointer.
    bool setPopupView(CView* view);
    bool canOpenPopupWindow() const { return window_ != nullptr; }
    bool isModalInOwnWindow() const { return modalInWindow_; }
    // The view receiving typed keys (a text field being edited).
    void setFocusView(CView* view);
    CView* getFocusView() const { return focusView_; }

    // The topmost visible view at a point (the modal view first), or null.
    CView* getViewAt(const CPoint& where) const;
    // Where the mouse is over the frame; false when it is elsewhere or not known.
    bool getCurrentMouseLocation(CPoint& where) const;
    CButtonState getCurrentMouseButtons() const { return mouseButtons_; }

    // Events in frame coordinates; the window delivers them, and tests may too.
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    // The mouse left the frame.
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) override;
    std::int32_t onKeyDown(CKeyCode& key) override;
    std::int32_t onKeyUp(CKeyCode& key) override;

    // Editor's thread: handles pending window events, redraws the dirty views into
    // the back buffer and shows them.
    void idle();
    // The whole frame is drawn again at the next idle.
    void setDirty(bool dirty = true) override;
    // The area is painted again (background and every view over it) at the next idle.
    void invalidRect(const CRect& rect);
    // Draws the frame background and every view, in order.
    void draw(CDrawContext* context) override;
    void setBackground(CBitmap* background) override;

    // Device pixels per logical pixel (1, 1.5 or 2): the window, the back buffer and the
    // pictures are that much larger; views, events and coordinates stay logical.
    double getScale() const { return scale_; }

    // The back buffer (ARGB32 image, frame size at the scale, with the scale as its
    // device scale) as last updated by idle().
    cairo_surface_t* getBackBuffer();
    // A new image of the whole frame as it looks now (dirty views drawn first), in
    // device pixels; the caller destroys it.
    cairo_surface_t* renderToSurface();
    // renderToSurface() saved as PNG; false on failure.
    bool saveAsPng(const char* path);

    void beginEdit(std::int32_t index);
    void endEdit(std::int32_t index);

    // Number of view draws done by idle() so far (every view, the modal one included).
    std::uint64_t getDrawCount() const { return drawCount_; }

private:
    void forgetPointersTo(CView* view);
    std::vector<CView*> viewsAt(const CPoint& where, const CButtonState& buttons) const;
    CView* hoverTarget(const CPoint& where, const CButtonState& buttons) const;
    void updateHover(CPoint& where, const CButtonState& buttons);
    bool alive(const CView* view) const { return view == modalView_ || isChild(view); }
    void drawViewClipped(CDrawContext& context, CView* view, const CRect& clip);
    void paintArea(CDrawContext& context, const CRect& area);
    std::vector<CView*> drawOrder() const;
    void updateBackBuffer(CRect* damage);

    void* systemWindow_;
    VSTGUIEditorInterface* editor_;
    double scale_ = 1.0;
    std::vector<CView*> views_;
    CView* modalView_ = nullptr;
    CView* focusView_ = nullptr;
    CView* mouseDownView_ = nullptr;
    CView* hoverView_ = nullptr;
    CPoint mouseLocation_;
    bool mouseKnown_ = false;
    CButtonState mouseButtons_;
    std::vector<CRect> invalidRects_;
    cairo_surface_t* backBuffer_ = nullptr;
    std::unique_ptr<X11Window> window_;
    std::uint64_t drawCount_ = 0;
    bool modalInWindow_ = false;
    bool inIdle_ = false;
    bool needsDrawing() const;
    void updatePopup();
};
