#include "X11Window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "CFrame.h"

namespace {

// Catches the X errors of our own connection while it is installed and hands any
// other connection's errors to the handler that was there before. Xlib's default
// handler ends the process, so every batch of our requests runs under a trap.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display_(display), outer_(current_) {
        current_ = this;
        previous_ = XSetErrorHandler(&ErrorTrap::handle);
    }
    ~ErrorTrap() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
        current_ = outer_;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // Waits for the server's answers, then tells whether any request failed.
    bool failed() {
        XSync(display_, False);
        return failed_;
    }

private:
    static int handle(Display* display, XErrorEvent* event) {
        for (ErrorTrap* t = current_; t; t = t->outer_) {
            if (t->display_ == display) {
                t->failed_ = true;
                return 0;
            }
        }
        ErrorTrap* outermost = current_;
        while (outermost && outermost->outer_) outermost = outermost->outer_;
        return outermost && outermost->previous_ ? outermost->previous_(display, event) : 0;
    }

    Display* display_;
    ErrorTrap* outer_;
    XErrorHandler previous_ = nullptr;
    bool failed_ = false;
    static thread_local ErrorTrap* current_;
};
thread_local ErrorTrap* ErrorTrap::current_ = nullptr;

Window windowFromPointer(void* parent) {
    return static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent));
}

std::int32_t modifiersOf(unsigned int state) {
    std::int32_t b = 0;
    if (state & ShiftMask) b |= kShift;
    if (state & ControlMask) b |= kControl;
    if (state & Mod1Mask) b |= kAlt;
    return b;
}

std::int32_t buttonsOf(unsigned int state) {
    std::int32_t b = modifiersOf(state);
    if (state & Button1Mask) b |= kLButton;
    if (state & Button2Mask) b |= kMButton;
    if (state & Button3Mask) b |= kRButton;
    return b;
}

std::int32_t buttonBit(unsigned int button) {
    switch (button) {
        case Button1: return kLButton;
        case Button2: return kMButton;
        case Button3: return kRButton;
        default: return 0;
    }
}

unsigned char virtualKey(KeySym sym) {
    switch (sym) {
        case XK_BackSpace: return VKEY_BACK;
        case XK_Tab: return VKEY_TAB;
        case XK_Return: return VKEY_RETURN;
        case XK_KP_Enter: return VKEY_ENTER;
        case XK_Escape: return VKEY_ESCAPE;
        case XK_space: return VKEY_SPACE;
        case XK_End: return VKEY_END;
        case XK_Home: return VKEY_HOME;
        case XK_Left: return VKEY_LEFT;
        case XK_Up: return VKEY_UP;
        case XK_Right: return VKEY_RIGHT;
        case XK_Down: return VKEY_DOWN;
        case XK_Page_Up: return VKEY_PAGEUP;
        case XK_Page_Down: return VKEY_PAGEDOWN;
        case XK_Insert: return VKEY_INSERT;
        case XK_Delete: return VKEY_DELETE;
        default: return 0;
    }
}

bool parentUsable(Display* display, Window parent, XWindowAttributes* attributes) {
    if (!parent) return false;
    ErrorTrap trap(display);
    const Status ok = XGetWindowAttributes(display, parent, attributes);
    return !trap.failed() && ok != 0;
}

}  // namespace

struct X11Window::Impl {
    Display* display = nullptr;
    Window window = 0;
    int width = 0, height = 0;  // device pixels
    double scale = 1.0;
    cairo_surface_t* target = nullptr;
    Window popup = 0;
    CRect popupRect;
    Window focusBefore = 0;
    cairo_surface_t* popupTarget = nullptr;
    Time lastPressTime = 0;
    unsigned int lastPressButton = 0;
    int lastPressX = -100, lastPressY = -100;

    void destroyPopup() {
        if (popupTarget) cairo_surface_destroy(popupTarget);
        popupTarget = nullptr;
        if (popup) {
            ErrorTrap trap(display);
            XUngrabPointer(display, CurrentTime);
            XDestroyWindow(display, popup);
        }
        popup = 0;
    }
    ~Impl() {
        destroyPopup();
        if (target) cairo_surface_destroy(target);
        if (display) {
            {
                ErrorTrap trap(display);
                // The host may have destroyed its window (and ours with it) already.
                if (window) XDestroyWindow(display, window);
            }
            XCloseDisplay(display);
        }
    }
};

X11Window::X11Window(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
X11Window::~X11Window() = default;

bool X11Window::parentExists(void* parent) {
    if (!parent) return false;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XWindowAttributes attributes;
    const bool ok = parentUsable(display, windowFromPointer(parent), &attributes);
    XCloseDisplay(display);
    return ok;
}

std::unique_ptr<X11Window> X11Window::create(void* parentPointer, int logicalWidth,
                                             int logicalHeight, double scale) {
    if (!parentPointer || logicalWidth <= 0 || logicalHeight <= 0) return nullptr;
    scale = nearestScale(scale);
    const int width = deviceSize(logicalWidth, scale), height = deviceSize(logicalHeight, scale);
    auto impl = std::make_unique<Impl>();
    impl->display = XOpenDisplay(nullptr);
    if (!impl->display) return nullptr;
    Display* d = impl->display;
    const Window parent = windowFromPointer(parentPointer);
    XWindowAttributes pa;
    if (!parentUsable(d, parent, &pa)) return nullptr;

    impl->width = width;
    impl->height = height;
    impl->scale = scale;
    {
        ErrorTrap trap(d);
        XSetWindowAttributes wa{};
        // No background: the server never clears the window, we paint all of it.
        wa.background_pixmap = None;
        wa.border_pixel = 0;
        wa.colormap = pa.colormap;
        wa.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                        EnterWindowMask | LeaveWindowMask | KeyPressMask | KeyReleaseMask |
                        StructureNotifyMask;
        impl->window = XCreateWindow(d, parent, 0, 0, static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 0, pa.depth, InputOutput,
                                     pa.visual, CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask,
                                     &wa);
        XMapWindow(d, impl->window);
        if (trap.failed()) {
            impl->window = 0;
            return nullptr;
        }
    }
    impl->target = cairo_xlib_surface_create(d, impl->window, pa.visual, width, height);
    if (cairo_surface_status(impl->target) != CAIRO_STATUS_SUCCESS) return nullptr;
    cairo_surface_set_device_scale(impl->target, scale, scale);
    XFlush(d);
    return std::unique_ptr<X11Window>(new X11Window(std::move(impl)));
}

double X11Window::scaleForDpi(double dpi) {
    if (!(dpi >= 144)) return 1.0;
    return dpi >= 192 ? 2.0 : 1.5;
}

double X11Window::scaleForResources(const char* resources) {
    // Lines of "name:<whitespace>value"; the last Xft.dpi counts, as in xrdb.
    double dpi = 0;
    for (const char* line = resources; line && *line;) {
        const char* end = std::strchr(line, '\n');
        const std::size_t length = end ? static_cast<std::size_t>(end - line) : std::strlen(line);
        static const char kName[] = "Xft.dpi:";
        if (length > sizeof kName - 1 && std::strncmp(line, kName, sizeof kName - 1) == 0) {
            const std::string value(line + sizeof kName - 1, length - (sizeof kName - 1));
            char* rest = nullptr;
            const double v = std::strtod(value.c_str(), &rest);
            if (rest != value.c_str() && std::isfinite(v)) dpi = v;
        }
        line = end ? end + 1 : nullptr;
    }
    return scaleForDpi(dpi);
}

double X11Window::desktopScale() {
    if (const char* gdk = std::getenv("GDK_SCALE")) {
        char* rest = nullptr;
        const double v = std::strtod(gdk, &rest);
        if (rest != gdk && v >= 1 && std::isfinite(v)) return v >= 2 ? 2.0 : 1.0;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1.0;
    const double scale = scaleForResources(XResourceManagerString(d));
    XCloseDisplay(d);
    return scale;
}

unsigned long X11Window::id() const { return impl_->window; }

unsigned long X11Window::topLevelId() const {
    Display* d = impl_->display;
    ErrorTrap trap(d);
    Window current = impl_->window;
    // A few dozen levels at most; a tree deeper than that is not walked further.
    for (int depth = 0; current && depth < 64; ++depth) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(d, current, &root, &parent, &children, &count) || trap.failed()) return 0;
        if (children) XFree(children);
        if (!parent || parent == root) return current;
        current = parent;
    }
    return 0;
}

void X11Window::pumpEvents(CFrame& frame, CRect& damage) {
    Display* d = impl_->display;
    ErrorTrap trap(d);
    const double s = impl_->scale;
    while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        // Popup events count in frame coordinates from the popup's place.
        double dx = 0, dy = 0;
        if (impl_->popup && e.xany.window == impl_->popup) {
            dx = impl_->popupRect.left;
            dy = impl_->popupRect.top;
            if (e.type == Expose) {
                if (CView* m = frame.getModalView()) m->setDirty(true);
                continue;
            }
            if (e.type == EnterNotify || e.type == LeaveNotify) continue;
        } else if (e.xany.window != impl_->window) {
            continue;
        }
        switch (e.type) {
            case Expose:
                damage.unite(CRect(std::floor(e.xexpose.x / s), std::floor(e.xexpose.y / s),
                                   std::ceil((e.xexpose.x + e.xexpose.width) / s),
                                   std::ceil((e.xexpose.y + e.xexpose.height) / s)));
                break;
            case ButtonPress: {
                CPoint where(e.xbutton.x / s + dx, e.xbutton.y / s + dy);
                const unsigned int button = e.xbutton.button;
                if (button == 4 || button == 5) {
                    frame.onWheel(where, button == 4 ? 1.0f : -1.0f,
                                  CButtonState(buttonsOf(e.xbutton.state)));
                    break;
                }
                const std::int32_t bit = buttonBit(button);
                if (!bit) break;
                std::int32_t state = bit | modifiersOf(e.xbutton.state);
                const bool near = std::abs(e.xbutton.x - impl_->lastPressX) <= 4 &&
                                  std::abs(e.xbutton.y - impl_->lastPressY) <= 4;
                if (button == impl_->lastPressButton && near &&
                    e.xbutton.time - impl_->lastPressTime <= 400) {
                    state |= kDoubleClick;
                    impl_->lastPressButton = 0;  // a third click starts again
                } else {
                    impl_->lastPressButton = button;
                }
                impl_->lastPressTime = e.xbutton.time;
                impl_->lastPressX = e.xbutton.x;
                impl_->lastPressY = e.xbutton.y;
                frame.onMouseDown(where, CButtonState(state));
                break;
            }
            case ButtonRelease: {
                const std::int32_t bit = buttonBit(e.xbutton.button);
                if (!bit) break;
                CPoint where(e.xbutton.x / s + dx, e.xbutton.y / s + dy);
                frame.onMouseUp(where, CButtonState(bit | modifiersOf(e.xbutton.state)));
                break;
            }
            case MotionNotify: {
                // Only the latest position counts.
                while (XCheckTypedWindowEvent(d, e.xany.window, MotionNotify, &e)) {
                }
                CPoint where(e.xmotion.x / s + dx, e.xmotion.y / s + dy);
                frame.onMouseMoved(where, CButtonState(buttonsOf(e.xmotion.state)));
                break;
            }
            case EnterNotify: {
                CPoint where(e.xcrossing.x / s, e.xcrossing.y / s);
                frame.onMouseMoved(where, CButtonState(buttonsOf(e.xcrossing.state)));
                break;
            }
            case LeaveNotify: {
                CPoint where(e.xcrossing.x / s, e.xcrossing.y / s);
                frame.onMouseExited(where, CButtonState(buttonsOf(e.xcrossing.state)));
                break;
            }
            case KeyPress:
            case KeyRelease: {
                char text[8] = {};
                KeySym sym = 0;
                XLookupString(&e.xkey, text, sizeof text - 1, &sym, nullptr);
                CKeyCode key{};
                key.virt = virtualKey(sym);
                key.character = key.virt ? 0 : static_cast<unsigned char>(text[0]);
                if (e.xkey.state & ShiftMask) key.modifier |= MODIFIER_SHIFT;
                if (e.xkey.state & ControlMask) key.modifier |= MODIFIER_CONTROL;
                if (e.xkey.state & Mod1Mask) key.modifier |= MODIFIER_ALTERNATE;
                if (!key.virt && !key.character) break;
                if (e.type == KeyPress)
                    frame.onKeyDown(key);
                else
                    frame.onKeyUp(key);
                break;
            }
            default:
                break;
        }
    }
}

void X11Window::present(cairo_surface_t* backBuffer, const CRect& area) {
    if (!backBuffer || !impl_->target) return;
    ErrorTrap trap(impl_->display);
    cairo_t* cr = cairo_create(impl_->target);
    // Whole device pixels, so no pixel at the edge is half old and half new.
    const double s = impl_->scale;
    const double left = std::floor(area.left * s), top = std::floor(area.top * s);
    cairo_rectangle(cr, left / s, top / s, (std::ceil(area.right * s) - left) / s,
                    (std::ceil(area.bottom * s) - top) / s);
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, backBuffer, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(impl_->target);
    XFlush(impl_->display);
}

bool X11Window::queryPointer(CPoint& where) const {
    ErrorTrap trap(impl_->display);
    Window root, child;
    int rx, ry, x, y;
    unsigned int mask;
    if (!XQueryPointer(impl_->display, impl_->window, &root, &child, &rx, &ry, &x, &y, &mask))
        return false;
    if (trap.failed()) return false;
    if (x < 0 || y < 0 || x >= impl_->width || y >= impl_->height) return false;
    where = CPoint(x / impl_->scale, y / impl_->scale);
    return true;
}

void X11Window::takeKeyboardFocus() {
    ErrorTrap trap(impl_->display);
    Window previous = 0;
    int revert = 0;
    XGetInputFocus(impl_->display, &previous, &revert);
    if (previous != impl_->window) impl_->focusBefore = previous;
    XSetInputFocus(impl_->display, impl_->window, RevertToParent, CurrentTime);
}

void X11Window::releaseKeyboardFocus() {
    ErrorTrap trap(impl_->display);
    Window current = 0;
    int revert = 0;
    XGetInputFocus(impl_->display, &current, &revert);
    // Only while we still hold it; PointerRoot and None are no windows to return to.
    if (current == impl_->window && impl_->focusBefore > PointerRoot)
        XSetInputFocus(impl_->display, impl_->focusBefore, RevertToParent, CurrentTime);
    impl_->focusBefore = 0;
}

bool X11Window::openPopup(const CRect& frameRect) {
    Display* d = impl_->display;
    impl_->destroyPopup();
    const double s = impl_->scale;
    const int w = deviceSize(frameRect.width(), s), h = deviceSize(frameRect.height(), s);
    if (w <= 0 || h <= 0) return false;
    ErrorTrap trap(d);
    const int screen = DefaultScreen(d);
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(d, impl_->window, RootWindow(d, screen),
                          static_cast<int>(std::lround(frameRect.left * s)),
                          static_cast<int>(std::lround(frameRect.top * s)), &rx, &ry, &child);
    XSetWindowAttributes wa{};
    wa.override_redirect = True;
    wa.save_under = True;
    wa.background_pixmap = None;
    wa.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                    KeyPressMask | KeyReleaseMask;
    impl_->popup = XCreateWindow(d, RootWindow(d, screen), rx, ry, static_cast<unsigned>(w),
                                 static_cast<unsigned>(h), 0, CopyFromParent, InputOutput,
                                 CopyFromParent,
                                 CWOverrideRedirect | CWSaveUnder | CWBackPixmap | CWEventMask, &wa);
    XMapRaised(d, impl_->popup);
    if (trap.failed()) {
        impl_->popup = 0;
        return false;
    }
    impl_->popupRect = frameRect;
    impl_->popupTarget =
        cairo_xlib_surface_create(d, impl_->popup, DefaultVisual(d, screen), w, h);
    cairo_surface_set_device_scale(impl_->popupTarget, s, s);
    // Clicks anywhere come to the popup, so one outside can close it.
    for (int i = 0; i < 20; ++i) {
        if (XGrabPointer(d, impl_->popup, True,
                         ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime) == GrabSuccess)
            break;
        XSync(d, False);  // not viewable yet: try again
    }
    XFlush(d);
    return true;
}

void X11Window::closePopup() {
    impl_->destroyPopup();
    XFlush(impl_->display);
}

bool X11Window::hasPopup() const { return impl_->popup != 0; }

void X11Window::presentPopup(cairo_surface_t* picture) {
    if (!impl_->popupTarget || !picture) return;
    ErrorTrap trap(impl_->display);
    cairo_t* cr = cairo_create(impl_->popupTarget);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(impl_->popupTarget);
    XFlush(impl_->display);
}
