// Drawing at 1.5x and 2x: sizes in device pixels, bitmaps drawn at a scale, the desktop's
// scale read from its X resources, and an editor whose scale changes while it is open.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <limits>
#include <vector>

#include "ToolkitTestSupport.h"
#include "toolkit/AEffGUIEditor.h"
#include "toolkit/X11Window.h"

namespace lumdel::test {
namespace {

TEST(ScaleTest, OnlyOneOneAndAHalfAndTwoAreDrawn) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [wanted, scale] : std::vector<std::pair<double, double>>{
             {1, 1}, {1.2, 1}, {1.3, 1.5}, {1.5, 1.5}, {1.7, 1.5}, {1.8, 2}, {2, 2}, {4, 2},
             {0, 1}, {-2, 1}, {nan, 1}, {std::numeric_limits<double>::infinity(), 2}})
        EXPECT_EQ(nearestScale(wanted), scale) << wanted;
    EXPECT_EQ(deviceSize(171, 1.5), 257);  // half a pixel more is a whole one
    EXPECT_EQ(deviceSize(942, 1.5), 1413);
    EXPECT_EQ(deviceSize(171, 2), 342);
    EXPECT_EQ(deviceSize(nan, 2), 0);
}

TEST(ScaleTest, DesktopScaleFromXftDpi) {
    EXPECT_EQ(X11Window::scaleForResources(nullptr), 1.0);
    EXPECT_EQ(X11Window::scaleForResources(""), 1.0);
    EXPECT_EQ(X11Window::scaleForResources("Xft.dpi:\t96\n"), 1.0);
    EXPECT_EQ(X11Window::scaleForResources("Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n"), 1.5);
    EXPECT_EQ(X11Window::scaleForResources("Xft.dpi:192"), 2.0);
    EXPECT_EQ(X11Window::scaleForResources("Xft.dpi:\t288\n"), 2.0);
    EXPECT_EQ(X11Window::scaleForResources("Xft.dpi:\t192\nXft.dpi:\t96\n"), 1.0);  // the last counts
    EXPECT_EQ(X11Window::scaleForResources("Xft.dpi:\tlarge\n"), 1.0);
    EXPECT_EQ(X11Window::scaleForResources("Xft.dpix:\t192\n"), 1.0);
}

// A 2x picture (2 x 2 device pixels per panel pixel, each of its own colour) drawn at
// panel pixel (3, 1) of a 2x frame lands on device pixels (6..7, 2..3), one to one.
TEST(ScaleTest, BitmapDrawnAtItsScaleMapsOneToOneOntoAFrameAtTheSameScale) {
    cairo_surface_t* art = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 2, 2);
    auto* px = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(art));
    const int stride = cairo_image_surface_get_stride(art) / 4;
    px[0] = 0x110000;
    px[1] = 0x002200;
    px[stride] = 0x000033;
    px[stride + 1] = 0x444444;
    cairo_surface_mark_dirty(art);
    cairo_surface_set_device_scale(art, 2, 2);
    auto* bitmap = new CBitmap(art);
    cairo_surface_destroy(art);
    EXPECT_EQ(bitmap->getWidth(), 1);
    EXPECT_EQ(bitmap->getScale(), 2.0);

    struct TwoTimes : StubEditor {
        double getScale() const override { return 2.0; }
    } editor;
    auto* frame = new CFrame(CRect(0, 0, 8, 4), nullptr, &editor);
    auto* view = new CView(CRect(3, 1, 4, 2));
    view->setBackground(bitmap);
    bitmap->forget();
    frame->addView(view);
    cairo_surface_t* shot = frame->renderToSurface();
    ASSERT_EQ(cairo_image_surface_get_width(shot), 16);
    const auto* out = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(shot));
    const int s = cairo_image_surface_get_stride(shot) / 4;
    EXPECT_EQ(out[2 * s + 6] & 0xFFFFFF, 0x110000u);
    EXPECT_EQ(out[2 * s + 7] & 0xFFFFFF, 0x002200u);
    EXPECT_EQ(out[3 * s + 6] & 0xFFFFFF, 0x000033u);
    EXPECT_EQ(out[3 * s + 7] & 0xFFFFFF, 0x444444u);
    EXPECT_EQ(out[2 * s + 5] & 0xFFFFFF, 0u);  // beside it: the frame's black
    cairo_surface_destroy(shot);
    frame->close();
}

// An editor whose scale changes while open: nothing happens inside the event that
// changed it; the next idle closes and reopens it at the new size, offscreen as before,
// and tells the host the device size. Closed, the scale only changes the rectangle.
TEST(ScaleTest, ScaleChangedWhileOpenRebuildsAtTheNextIdleAndTellsTheHost) {
    struct Host : CEditorHost {
        std::vector<std::pair<int, int>> sizes;
        void beginEdit(std::int32_t) override {}
        void endEdit(std::int32_t) override {}
        bool resizeWindow(int w, int h) override {
            sizes.emplace_back(w, h);
            return true;
        }
    } host;
    struct Panel : AEffGUIEditor {
        int opens = 0;
        Panel() { rect = {0, 0, 171, 942}; }
        double initialScale() override { return 1.0; }
        bool open(void* parent) override {
            if (!AEffGUIEditor::open(parent)) return false;
            frame = new CFrame(CRect(0, 0, 942, 171), parent, this);
            ++opens;
            return true;
        }
        void close() override {
            if (frame) {
                CFrame* f = frame;
                frame = nullptr;
                f->close();
            }
            AEffGUIEditor::close();
        }
    } editor;
    editor.setHost(&host);
    EXPECT_EQ(editor.getRect().right, 942);
    editor.setScale(1.5);
    EXPECT_EQ(editor.getRect().right, 1413);
    EXPECT_EQ(editor.getRect().bottom, 257);
    EXPECT_TRUE(host.sizes.empty());

    ASSERT_EQ(editor.toolRequest(lumdel::editor_request::kOpenOffscreen, nullptr), 1);
    CFrame* first = editor.getFrame();
    EXPECT_EQ(first->getScale(), 1.5);
    editor.setScale(2);
    EXPECT_EQ(editor.getFrame(), first);  // not yet
    editor.idle();
    EXPECT_EQ(editor.opens, 2);
    ASSERT_NE(editor.getFrame(), nullptr);
    EXPECT_EQ(editor.getFrame()->getScale(), 2.0);
    EXPECT_TRUE(editor.isOffscreen());
    ASSERT_EQ(host.sizes.size(), 1u);
    EXPECT_EQ(host.sizes[0], std::make_pair(1884, 342));
    editor.setScale(2);  // the same again: nothing to do
    editor.idle();
    EXPECT_EQ(editor.opens, 2);
    editor.close();
    editor.setHost(nullptr);
}

}  // namespace
}  // namespace lumdel::test
