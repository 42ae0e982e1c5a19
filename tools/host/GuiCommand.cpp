// lumdel-host gui [--offscreen] PLUGIN.so OUT.png: opens the plug-in's editor and
// saves what it shows. Under a display (DISPLAY set) the editor goes into a window of
// ours, as in a host; otherwise, or with --offscreen, it draws offscreen.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <time.h>

#include "Commands.h"
#include "Host.h"
#include "toolkit/AEffGUIEditor.h"

namespace lumdel::host {

namespace {
constexpr VstInt32 kOurIndex = vstFourCC('L', 'M', 'D', 'L');

void sleepMs(long ms) {
    timespec ts{0, ms * 1000000L};
    nanosleep(&ts, nullptr);
}

// A top-level window standing in for a host's editor window.
struct HostWindow {
    Display* display = nullptr;
    Window window = 0;

    bool create(int width, int height) {
        display = XOpenDisplay(nullptr);
        if (!display) return false;
        const int screen = DefaultScreen(display);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                     static_cast<unsigned>(width), static_cast<unsigned>(height),
                                     0, BlackPixel(display, screen), BlackPixel(display, screen));
        XStoreName(display, window, "lumdel-host gui");
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        // Wait until it is on screen.
        for (int i = 0; i < 200; ++i) {
            XEvent e;
            if (XCheckTypedWindowEvent(display, window, MapNotify, &e)) return true;
            XSync(display, False);
            sleepMs(5);
        }
        return true;
    }
    ~HostWindow() {
        if (display) {
            if (window) XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
    }
};
}  // namespace

int runGui(const Args& args);
static const CommandRegistrar registerGui{"gui", "gui [--offscreen] PLUGIN.so OUT.png", runGui};

int runGui(const Args& args) {
    bool offscreen = false;
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        if (a == "--offscreen")
            offscreen = true;
        else
            rest.push_back(a);
    }
    if (rest.size() != 2) {
        std::fprintf(stderr, "usage: lumdel-host gui [--offscreen] PLUGIN.so OUT.png\n");
        return 2;
    }
    PluginLibrary library(rest[0]);
    Host host;
    if (!host.load(library)) {
        std::fprintf(stderr, "lumdel-host: %s\n", host.error().c_str());
        return 1;
    }
    host.start();
    if (!(host.effect()->flags & effFlagsHasEditor)) {
        std::fprintf(stderr, "lumdel-host: the plug-in has no editor\n");
        return 1;
    }
    ERect* rect = nullptr;
    host.dispatch(effEditGetRect, 0, 0, &rect);
    const int width = rect ? rect->right - rect->left : 0;
    const int height = rect ? rect->bottom - rect->top : 0;
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "lumdel-host: the editor has no size\n");
        return 1;
    }

    HostWindow window;
    bool opened = false;
    const char* display = std::getenv("DISPLAY");
    if (!offscreen && display && *display && window.create(width, height)) {
        opened = host.dispatch(effEditOpen, 0, 0,
                               reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.window))) != 0;
        if (!opened) std::fprintf(stderr, "lumdel-host: no window; drawing offscreen\n");
    }
    if (!opened) {
        namespace req = lumdel::editor_request;
        if (host.dispatch(effVendorSpecific, kOurIndex, req::kOpenOffscreen) != 1) {
            std::fprintf(stderr, "lumdel-host: the editor does not open offscreen\n");
            return 1;
        }
    }
    // A few idle rounds, as a host gives them, so the editor settles.
    for (int i = 0; i < 10; ++i) {
        host.dispatch(effEditIdle);
        if (window.display) XSync(window.display, False);
        sleepMs(opened ? 20 : 1);
    }
    std::string out = rest[1];
    const bool saved = host.dispatch(effVendorSpecific, kOurIndex, lumdel::editor_request::kScreenshot,
                                     const_cast<char*>(out.c_str())) == 1;
    host.dispatch(effEditClose);
    host.suspend();
    if (!saved) {
        std::fprintf(stderr, "lumdel-host: could not save %s\n", out.c_str());
        return 1;
    }
    std::printf("%s: %d x %d (%s)\n", out.c_str(), width, height, opened ? "window" : "offscreen");
    return 0;
}

}  // namespace lumdel::host
