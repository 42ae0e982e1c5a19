// lumdel-host gui [--offscreen] PLUGIN.so OUT.png [--preset N] [--hover X,Y] [--right]
//                [--about] [--help X,Y] [--menu] [--scale S]: opens the plug-in's editor
// and saves what it shows. --scale draws it at 1, 1.5 or 2 (through LUMDEL_SCALE, as a
// user forces it); points stay in panel pixels. --menu opens the preset menu. Under a display (DISPLAY set) the editor goes into a window of ours, as in a
// host; otherwise, or with --offscreen, it draws offscreen. The options act on the
// panel as a user would, with mouse events at fixed panel points: --preset steps to
// preset N with the preset strip's step switch, --right shows the right channel, --about
// turns the device round, --help opens the help and points at X,Y (after the fade),
// --hover leaves the mouse at X,Y.
// Before the X headers, whose None would clash with the panel table's.
#include "resources/PanelLayout.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
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
    // Puts the pointer at a point of the editor (device pixels), which fills the window
    // from its corner.
    void warpPointer(int x, int y) {
        if (!display) return;
        XWarpPointer(display, None, window, 0, 0, 0, 0, x, y);
        XSync(display, False);
    }
    // The editor asked for another size.
    void resize(int width, int height) {
        if (!display || width <= 0 || height <= 0) return;
        XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(display, False);
    }
    ~HostWindow() {
        if (display) {
            if (window) XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
    }
};
}  // namespace

namespace {
// Panel points the options click.
constexpr int kStepNextX = 368, kStepNextY = 162;  // right half of the preset step switch
constexpr int kRightX = 69, kRightY = 116;         // RIGHT channel button
constexpr int kAboutX = 10, kAboutY = 80;          // left side edge
constexpr int kHelpX = 926, kHelpY = 162;          // help button
constexpr int kMenuX = 328, kMenuY = 163;          // the preset menu's arrow

struct Point {
    int x, y;
};

std::optional<Point> parsePoint(const std::string& text) {
    int x = 0, y = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d,%d%c", &x, &y, &tail) != 2) return std::nullopt;
    if (x < 0 || y < 0 || x > 10000 || y > 10000) return std::nullopt;
    return Point{x, y};
}

std::optional<int> parseCount(const std::string& text) {
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || n < 0 || n > 60) return std::nullopt;
    return static_cast<int>(n);
}

const char* const kUsage =
    "usage: lumdel-host gui [--offscreen] PLUGIN.so OUT.png [--preset N] [--hover X,Y] "
    "[--right] [--about] [--help X,Y] [--menu] [--scale 1|1.5|2]\n";
}  // namespace

int runGui(const Args& args);
static const CommandRegistrar registerGui{
    "gui",
    "gui [--offscreen] PLUGIN.so OUT.png [--preset N] [--hover X,Y] [--right] [--about] "
    "[--help X,Y] [--menu] [--scale 1|1.5|2]",
    runGui};

int runGui(const Args& args) {
    bool offscreen = false;
    bool right = false;
    bool about = false;
    bool menu = false;
    std::optional<int> preset;
    std::optional<Point> hover;
    std::optional<Point> help;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--offscreen") {
            offscreen = true;
        } else if (a == "--right") {
            right = true;
        } else if (a == "--about") {
            about = true;
        } else if (a == "--menu") {
            menu = true;
        } else if (a == "--scale" && hasValue) {
            const std::string& scale = args[++i];
            if (scale != "1" && scale != "1.5" && scale != "2") {
                std::fprintf(stderr, "lumdel-host: --scale takes 1, 1.5 or 2\n");
                return 2;
            }
            setenv("LUMDEL_SCALE", scale.c_str(), 1);
        } else if (a == "--preset" && hasValue) {
            preset = parseCount(args[++i]);
            if (!preset) {
                std::fprintf(stderr, "lumdel-host: --preset takes 0 to 60\n");
                return 2;
            }
        } else if ((a == "--hover" || a == "--help") && hasValue) {
            const std::optional<Point> p = parsePoint(args[++i]);
            if (!p) {
                std::fprintf(stderr, "lumdel-host: %s takes X,Y\n", a.c_str());
                return 2;
            }
            (a == "--hover" ? hover : help) = p;
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        } else {
            rest.push_back(a);
        }
    }
    if (rest.size() != 2) {
        std::fprintf(stderr, "%s", kUsage);
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

    // Device pixels per panel pixel, for the pointer in our window.
    const double scale = static_cast<double>(width) / lumdel::panel::kWidth;
    HostWindow window;
    host.onSizeWindow = [&window](int w, int h) { window.resize(w, h); };
    bool opened = false;
    const char* display = std::getenv("DISPLAY");
    if (!offscreen && display && *display && window.create(width, height)) {
        opened = host.dispatch(effEditOpen, 0, 0,
                               reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.window))) != 0;
        if (!opened) std::fprintf(stderr, "lumdel-host: no window; drawing offscreen\n");
    }
    if (!opened) {
        if (host.dispatch(effVendorSpecific, kOurIndex, lumdel::editor_request::kOpenOffscreen) != 1) {
            std::fprintf(stderr, "lumdel-host: the editor does not open offscreen\n");
            return 1;
        }
    }
    // Idle rounds, as a host gives them (every 20 ms), so the editor settles.
    auto idleFor = [&](int rounds) {
        for (int i = 0; i < rounds; ++i) {
            host.dispatch(effEditIdle);
            if (window.display) XSync(window.display, False);
            sleepMs(20);
        }
    };
    namespace req = lumdel::editor_request;
    auto mouse = [&](int kind, int buttons, int x, int y) {
        req::MouseEvent event{kind, buttons, static_cast<double>(x), static_cast<double>(y), 0.0f};
        host.dispatch(effVendorSpecific, kOurIndex, req::kMouse, &event);
    };
    auto click = [&](int x, int y) {
        mouse(0, kLButton, x, y);
        mouse(1, 0, x, y);
        idleFor(1);
    };
    idleFor(3);
    if (preset) {
        // Back to preset 0 first, then forward: the switch does not wrap.
        for (int i = 0; i < 60; ++i) click(kStepNextX - 20, kStepNextY);
        for (int i = 0; i < *preset; ++i) click(kStepNextX, kStepNextY);
    }
    if (right) click(kRightX, kRightY);
    if (about) click(kAboutX, kAboutY);
    if (help) {
        click(kHelpX, kHelpY);
        window.warpPointer(static_cast<int>(help->x * scale), static_cast<int>(help->y * scale));
        mouse(2, 0, help->x, help->y);
        idleFor(30);  // 600 ms: the page has faded in
    }
    if (menu) click(kMenuX, kMenuY);
    if (hover) {
        window.warpPointer(static_cast<int>(hover->x * scale), static_cast<int>(hover->y * scale));
        mouse(2, 0, hover->x, hover->y);
    }
    idleFor(opened ? 10 : 3);
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
