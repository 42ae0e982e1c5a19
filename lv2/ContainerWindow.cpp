#include "ContainerWindow.h"

#include <X11/Xlib.h>

#include <cstdint>

namespace lumdel::lv2 {

namespace {

// Counts the X errors of the requests made while it lives, instead of Xlib's default
// handler ending the process (a host may pass a window that is gone). Host UI thread.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display_(display) {
        XSync(display_, False);
        errors_ = 0;
        previous_ = XSetErrorHandler(&ErrorTrap::handle);
    }
    ~ErrorTrap() { XSetErrorHandler(previous_); }
    bool failed() {
        XSync(display_, False);
        return errors_ != 0;
    }

private:
    static int handle(Display*, XErrorEvent*) {
        ++errors_;
        return 0;
    }
    static inline int errors_ = 0;
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*);
};

}  // namespace

struct ContainerWindow::Impl {
    Display* display = nullptr;
    Window window = 0;
    ~Impl() {
        if (!display) return;
        if (window) {
            // The host may have destroyed its window (and ours with it) already.
            ErrorTrap trap(display);
            XDestroyWindow(display, window);
            trap.failed();
        }
        XCloseDisplay(display);
    }
};

ContainerWindow::ContainerWindow(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ContainerWindow::~ContainerWindow() = default;

std::unique_ptr<ContainerWindow> ContainerWindow::create(void* parent, int width, int height) {
    if (!parent || width <= 0 || height <= 0) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->display = XOpenDisplay(nullptr);
    if (!impl->display) return nullptr;
    Display* d = impl->display;
    const auto parentId = static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent));
    ErrorTrap trap(d);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(d, parentId, &attributes) || trap.failed()) return nullptr;
    impl->window = XCreateSimpleWindow(d, parentId, 0, 0, static_cast<unsigned>(width),
                                       static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(d, impl->window);
    if (trap.failed()) return nullptr;
    return std::unique_ptr<ContainerWindow>(new ContainerWindow(std::move(impl)));
}

void* ContainerWindow::id() const {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(impl_->window));
}

bool ContainerWindow::resize(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    ErrorTrap trap(impl_->display);
    XResizeWindow(impl_->display, impl_->window, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    return !trap.failed();
}

}  // namespace lumdel::lv2
