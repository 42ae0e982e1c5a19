// An X server of our own for real-window tests: Xvfb on a display number it picks,
// XTest loaded at run time, screen grabs saved as PNG next to the test program.
// Usable by any test area: #include "toolkit/XvfbSupport.h" (after gtest).
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "TempFolders.h"

namespace lumdel::test {

inline std::string findInPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// Xvfb on a display number it picks itself (-displayfd).
class XServer {
public:
    // screen: Xvfb's WIDTHxHEIGHTxDEPTH for its screen 0.
    bool start(std::string& error, const char* screen = "640x480x24") {
        const std::string xvfb = findInPath("Xvfb");
        if (xvfb.empty()) {
            error = "Xvfb is not installed";
            return false;
        }
        int fds[2];
        if (pipe(fds) != 0) return false;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen,
                  "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (poll(&p, 1, 10000) > 0) {
            char c;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            error = "Xvfb did not start";
            return false;
        }
        display_ = ":" + number;
        return true;
    }
    ~XServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// XTest, loaded at run time so the tests link without it.
struct XTest {
    using Motion = int (*)(Display*, int, int, int, unsigned long);
    using Button = int (*)(Display*, unsigned int, Bool, unsigned long);
    using Key = int (*)(Display*, unsigned int, Bool, unsigned long);
    void* library = nullptr;
    Motion motion = nullptr;
    Button button = nullptr;
    Key key = nullptr;
    bool load() {
        library = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!library) return false;
        motion = reinterpret_cast<Motion>(dlsym(library, "XTestFakeMotionEvent"));
        button = reinterpret_cast<Button>(dlsym(library, "XTestFakeButtonEvent"));
        key = reinterpret_cast<Key>(dlsym(library, "XTestFakeKeyEvent"));
        return motion && button && key;
    }
    ~XTest() {
        if (library) dlclose(library);
    }
};

// An X server of our own with XTest, DISPLAY pointing at it and a mapped top-level window
// standing in for the host's, until the object goes. start() is false (and says why) when
// Xvfb or libXtst is missing: the test is skipped. display stays null when the server
// cannot be reached: the test fails.
struct XSession {
    bool start(std::string& error, int width, int height, const char* screen = "640x480x24") {
        if (!server.start(error, screen)) return false;
        if (!xtest.load()) {
            error = "libXtst is not installed";
            return false;
        }
        displayVariable.emplace("DISPLAY", server.display());
        display = XOpenDisplay(server.display().c_str());
        if (!display) return true;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0,
                                     static_cast<unsigned>(width), static_cast<unsigned>(height),
                                     0, 0, 0x202020);
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        XEvent e;
        do {
            XNextEvent(display, &e);
        } while (e.type != MapNotify);
        return true;
    }
    ~XSession() {
        if (!display) return;
        if (window) XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    XServer server;
    XTest xtest;
    std::optional<ScopedEnv> displayVariable;
    Display* display = nullptr;
    Window window = 0;
};

// Saves a part of the screen as PNG; returns it (the caller destroys it).
inline cairo_surface_t* grab(Display* display, Window window, int width, int height, const char* name) {
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return nullptr;
    cairo_surface_t* shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    unsigned char* data = cairo_image_surface_get_data(shot);
    const int stride = cairo_image_surface_get_stride(shot);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            *reinterpret_cast<std::uint32_t*>(data + y * stride + x * 4) =
                static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
    XDestroyImage(image);
    cairo_surface_mark_dirty(shot);
    cairo_surface_write_to_png(shot, artefactPath(name).c_str());
    return shot;
}

}  // namespace lumdel::test
