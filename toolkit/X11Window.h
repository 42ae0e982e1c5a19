// The frame's child X window: our own display connection, events pumped on request,
// the back buffer copied in on request. Internal to the toolkit; no X11 header
// leaks out of X11Window.cpp.
#pragma once

#include <memory>

#include "CGraphics.h"

class CFrame;

class X11Window {
public:
    // A child window of the given size in the parent X window; null when there is no
    // display, the parent id is 0 or the parent does not exist.
    static std::unique_ptr<X11Window> create(void* parent, int width, int height);
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
    // Copies this area of the back buffer into the window.
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
