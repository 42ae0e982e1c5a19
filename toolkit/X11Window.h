// The frame's child X window: our own display connection, events pumped on request,
// the back buffer copied in on request. Internal to the toolkit; no X11 header
// leaks out of X11Window.cpp.
#pragma once

#include <memory>

#include "CGraphics.h"

class CFrame;

class X11Window {
public:
    // A child window in the parent X window, width x height logical pixels at the
    // scale (the X window is that much larger; events and areas are told in logical
    // pixels); null when there is no display, the parent id is 0 or the parent does not
    // exist.
    static std::unique_ptr<X11Window> create(void* parent, int width, int height,
                                             double scale = 1.0);
    // The scale the desktop asks for: GDK_SCALE when set (2 and more: 2, else 1), else
    // the X resource Xft.dpi (144: 1.5, 192 and more: 2); 1 without a display.
    static double desktopScale();
    // The scale of an X resource string (its Xft.dpi), and of a dpi value.
    static double scaleForResources(const char* resources);
    static double scaleForDpi(double dpi);
    // True when a display can be opened and the parent window exists.
    static bool parentExists(void* parent);
    ~X11Window();
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    unsigned long id() const;
    // The top-level window that holds ours (the host's window), 0 when unknown.
    unsigned long topLevelId() const;
    // Hands every pending event to the frame; adds exposed areas to damage.
    void pumpEvents(CFrame& frame, CRect& damage);
    // Copies this area (logical pixels, widened to whole device pixels) of the back
    // buffer (a surface at the window's scale) into the window.
    void present(cairo_surface_t* backBuffer, const CRect& area);
    // The pointer position in the window; false when it is outside.
    bool queryPointer(CPoint& where) const;
    // Typed keys come to this window (while a text field is edited); release gives
    // them back to the window that had them before.
    void takeKeyboardFocus();
    void releaseKeyboardFocus();

    // A window of its own above everything, at this frame rectangle (which may reach
    // beyond the frame), holding the pointer so a click anywhere reaches it. Its
    // events arrive through pumpEvents in frame coordinates.
    bool openPopup(const CRect& frameRect);
    void closePopup();
    bool hasPopup() const;
    // Copies the popup's picture (popup size) into the popup window.
    void presentPopup(cairo_surface_t* picture);

private:
    struct Impl;
    explicit X11Window(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};
