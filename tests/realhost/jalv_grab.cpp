// Finds the Lumdel editor inside a host's window on the X display and saves what the
// server shows of it as a PNG, so that jalv.sh can check that the host embeds the editor
// and that it is drawn (not a blank or black window).
//
//     jalv_grab WIDTH HEIGHT OUT.png [HOST.png [SCREEN.png]]
//
// Looks for a mapped window of exactly WIDTH x HEIGHT below the root (the UI's own
// window, which holds the editor), grabs it and prints
//     found=1 x=<root x> y=<root y> colours=<distinct colours> dominant=<share of the
//     most common colour, 0..1> mean=<mean grey 0..255>
// found=0 when no such window is mapped. HOST.png: the host's whole top-level window
// around it as well; SCREEN.png: the whole screen (hosts that show the editor in a window
// of its own beside their main window). Exit code 0 when found and saved.
// Built by jalv.sh: c++ -std=c++17 jalv_grab.cpp $(pkg-config --cflags --libs cairo x11)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

Window findWindow(Display* d, Window w, int width, int height) {
    XWindowAttributes a;
    if (XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable && a.width == width &&
        a.height == height)
        return w;
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < n && !found; ++i) found = findWindow(d, children[i], width, height);
    if (children) XFree(children);
    return found;
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

// The child of the root that holds w.
Window topLevel(Display* d, Window w) {
    for (;;) {
        Window root, parent, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(d, w, &root, &parent, &children, &n)) return w;
        if (children) XFree(children);
        if (parent == root || parent == 0) return w;
        w = parent;
    }
}

// The screen's pixels of this root area as a PNG surface (the caller destroys it).
cairo_surface_t* grabArea(Display* d, int x, int y, int width, int height, XImage** keep) {
    XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return nullptr;
    cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    auto* data = cairo_image_surface_get_data(png);
    const int stride = cairo_image_surface_get_stride(png);
    for (int j = 0; j < height; ++j) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + j * stride);
        for (int i = 0; i < width; ++i)
            row[i] = static_cast<std::uint32_t>(XGetPixel(image, i, j) & 0xFFFFFF);
    }
    cairo_surface_mark_dirty(png);
    *keep = image;
    return png;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 6) {
        std::fprintf(stderr, "usage: jalv_grab WIDTH HEIGHT OUT.png [HOST.png [SCREEN.png]]\n");
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    Display* d = XOpenDisplay(nullptr);
    if (!d || width <= 0 || height <= 0) {
        std::printf("found=0 (no display)\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);  // windows may come and go while we look
    const Window w = findWindow(d, DefaultRootWindow(d), width, height);
    if (!w) {
        std::printf("found=0\n");
        return 1;
    }
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    // From the root, so that what the server shows is grabbed, whoever draws it.
    XImage* image = nullptr;
    cairo_surface_t* png = grabArea(d, x, y, width, height, &image);
    if (!png) {
        std::printf("found=0 (no image)\n");
        return 1;
    }
    std::map<unsigned long, long> counts;
    double grey = 0;
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            const unsigned long p = XGetPixel(image, i, j) & 0xFFFFFF;
            ++counts[p];
            grey += ((p >> 16) & 0xFF) * 0.299 + ((p >> 8) & 0xFF) * 0.587 + (p & 0xFF) * 0.114;
        }
    }
    bool saved = cairo_surface_write_to_png(png, argv[3]) == CAIRO_STATUS_SUCCESS;
    if (argc >= 5) {
        XWindowAttributes a;
        const Window host = topLevel(d, w);
        int hx = 0, hy = 0;
        XImage* hostImage = nullptr;
        cairo_surface_t* hostPng = nullptr;
        if (XGetWindowAttributes(d, host, &a) &&
            XTranslateCoordinates(d, host, DefaultRootWindow(d), 0, 0, &hx, &hy, &child))
            hostPng = grabArea(d, hx, hy, a.width, a.height, &hostImage);
        saved = saved && hostPng &&
                cairo_surface_write_to_png(hostPng, argv[4]) == CAIRO_STATUS_SUCCESS;
        if (hostPng) cairo_surface_destroy(hostPng);
        if (hostImage) XDestroyImage(hostImage);
    }
    if (argc == 6) {
        const int screen = DefaultScreen(d);
        XImage* screenImage = nullptr;
        cairo_surface_t* screenPng = grabArea(d, 0, 0, DisplayWidth(d, screen),
                                              DisplayHeight(d, screen), &screenImage);
        saved = saved && screenPng &&
                cairo_surface_write_to_png(screenPng, argv[5]) == CAIRO_STATUS_SUCCESS;
        if (screenPng) cairo_surface_destroy(screenPng);
        if (screenImage) XDestroyImage(screenImage);
    }
    long most = 0;
    for (const auto& c : counts)
        if (c.second > most) most = c.second;
    const double pixels = static_cast<double>(width) * height;
    std::printf("found=1 x=%d y=%d colours=%zu dominant=%.3f mean=%.1f\n", x, y, counts.size(),
                most / pixels, grey / pixels);
    cairo_surface_destroy(png);
    XDestroyImage(image);
    XCloseDisplay(d);
    return saved ? 0 : 1;
}
