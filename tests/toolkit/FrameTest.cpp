// The frame: event dispatch, modal views, hovering, redraw of dirty views only,
// offscreen rendering.
#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "ToolkitTestSupport.h"

namespace lumdel::test {
namespace {

// Fills its rectangle with one colour and counts its draws and mouse calls.
struct ProbeView : CControl {
    ProbeView(const CRect& r, std::uint32_t argb, CMouseEventResult answer = kMouseEventHandled)
        : CControl(r), colour(argb), answer(answer) {}
    ~ProbeView() override {
        if (destroyed) *destroyed = true;
    }
    void draw(CDrawContext* context) override {
        ++draws;
        context->setFillColor(CColor{static_cast<std::uint8_t>(colour >> 16),
                                     static_cast<std::uint8_t>(colour >> 8),
                                     static_cast<std::uint8_t>(colour), 255});
        context->fillRect(size);
        setDirty(false);
    }
    CMouseEventResult onMouseDown(CPoint&, const CButtonState&) override {
        log += 'd';
        return answer;
    }
    CMouseEventResult onMouseUp(CPoint&, const CButtonState&) override {
        log += 'u';
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseMoved(CPoint&, const CButtonState&) override {
        log += 'm';
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseEntered(CPoint&, const CButtonState&) override {
        log += '>';
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseExited(CPoint&, const CButtonState&) override {
        log += '<';
        return kMouseEventHandled;
    }
    bool onWheel(const CPoint&, const float&, const CButtonState&) override {
        log += 'w';
        return true;
    }
    std::uint32_t colour;
    CMouseEventResult answer;
    int draws = 0;
    std::string log;
    bool* destroyed = nullptr;
};

// Removes itself from the modal place and releases itself when clicked, as the
// about view does.
struct SelfClosingView : ProbeView {
    using ProbeView::ProbeView;
    CMouseEventResult onMouseDown(CPoint&, const CButtonState&) override {
        CFrame* f = getFrame();
        f->setModalView(nullptr);
        forget();
        return kMouseEventHandled;
    }
};

TEST(FrameTest, DrawsOnlyDirtyViews) {
    TestFrame frame;
    auto* a = new ProbeView(CRect(0, 0, 50, 50), 0xFF0000);
    auto* b = new ProbeView(CRect(100, 0, 150, 50), 0x00FF00);
    frame->addView(a);
    frame->addView(b);
    frame->idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);
    frame->idle();
    EXPECT_EQ(a->draws, 1);  // nothing changed: nothing drawn
    EXPECT_EQ(b->draws, 1);

    b->setValue(0.7f);  // a new value makes the control dirty
    frame->idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);
    b->setValue(0.7f);  // the same value does not
    frame->idle();
    EXPECT_EQ(b->draws, 2);
    a->invalid();
    const std::uint64_t before = frame->getDrawCount();
    frame->idle();
    EXPECT_EQ(a->draws, 2);
    EXPECT_EQ(b->draws, 2);
    EXPECT_EQ(frame->getDrawCount(), before + 1);
}

TEST(FrameTest, RedrawKeepsOverlappingViewsOnTopAndTransparentViewsOverBackground) {
    TestFrame frame;
    auto* under = new ProbeView(CRect(0, 0, 60, 60), 0x0000FF);
    auto* over = new ProbeView(CRect(40, 40, 80, 80), 0xFF0000);
    frame->addView(under);
    frame->addView(over);
    frame->idle();
    under->invalid();
    frame->idle();
    cairo_surface_t* s = frame->getBackBuffer();
    EXPECT_EQ(pixel(s, 50, 50), 0xFFFF0000u);  // the upper view stays on top
    EXPECT_EQ(pixel(s, 10, 10), 0xFF0000FFu);
    EXPECT_EQ(over->draws, 2);

    // A view hidden or removed leaves the background behind.
    CBitmap* back = makeStrip(1, 200, 100);
    frame->setBackground(back);
    back->forget();
    frame->idle();
    frame->removeView(over);
    frame->idle();
    EXPECT_EQ(pixel(s, 70, 70), colourOf(0));
    EXPECT_EQ(pixel(s, 50, 50), 0xFF0000FFu);
}

TEST(FrameTest, MouseGoesToTopmostViewThatHandlesIt) {
    TestFrame frame;
    auto* lower = new ProbeView(CRect(0, 0, 100, 100), 1);
    auto* upper = new ProbeView(CRect(0, 0, 50, 50), 2, kMouseEventNotHandled);
    frame->addView(lower);
    frame->addView(upper);
    EXPECT_EQ(frame->getViewAt(CPoint(10, 10)), upper);
    EXPECT_EQ(frame->getViewAt(CPoint(70, 70)), lower);
    EXPECT_EQ(frame->getViewAt(CPoint(150, 70)), nullptr);

    EXPECT_EQ(down(frame.frame, 10, 10), kMouseEventHandled);
    EXPECT_EQ(upper->log, ">d");
    EXPECT_EQ(lower->log, "d");
    // The view that took the press gets moves and the release, even outside.
    move(frame.frame, 150, 90);
    up(frame.frame, 150, 90);
    EXPECT_EQ(lower->log, "dmu");
}

TEST(FrameTest, DoneAnswerEndsThePress) {
    TestFrame frame;
    auto* v = new ProbeView(CRect(0, 0, 50, 50), 1, kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    frame->addView(v);
    EXPECT_EQ(down(frame.frame, 10, 10), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(up(frame.frame, 10, 10), kMouseEventNotHandled);
    EXPECT_EQ(v->log, ">d");
}

TEST(FrameTest, HoverEntersAndExitsAndTracksMouseLocation) {
    TestFrame frame;
    auto* a = new ProbeView(CRect(0, 0, 50, 50), 1);
    auto* b = new ProbeView(CRect(60, 0, 100, 50), 2);
    frame->addView(a);
    frame->addView(b);
    CPoint where;
    EXPECT_FALSE(frame->getCurrentMouseLocation(where));
    move(frame.frame, 10, 10, 0);
    move(frame.frame, 12, 10, 0);
    move(frame.frame, 70, 10, 0);
    EXPECT_EQ(a->log, ">mm<");
    EXPECT_EQ(b->log, ">m");
    ASSERT_TRUE(frame->getCurrentMouseLocation(where));
    EXPECT_EQ(where, CPoint(70, 10));
    CPoint out(300, 10);
    frame->onMouseExited(out, 0);
    EXPECT_EQ(b->log, ">m<");
    EXPECT_FALSE(frame->getCurrentMouseLocation(where));
}

TEST(FrameTest, ModalViewCapturesMouseWheelAndKeys) {
    TestFrame frame;
    auto* control = new ProbeView(CRect(0, 0, 100, 100), 1);
    frame->addView(control);
    auto* modal = new ProbeView(CRect(120, 0, 200, 100), 2);
    ASSERT_TRUE(frame->setModalView(modal));
    auto* second = new ProbeView(CRect(0, 0, 10, 10), 3);
    EXPECT_FALSE(frame->setModalView(second));  // one at a time
    second->forget();

    EXPECT_EQ(down(frame.frame, 10, 10), kMouseEventNotHandled);
    EXPECT_FALSE(frame->onWheel(CPoint(10, 10), 1.0f, 0));
    EXPECT_EQ(control->log, "");
    EXPECT_EQ(frame->getViewAt(CPoint(150, 50)), modal);
    down(frame.frame, 150, 50);
    up(frame.frame, 150, 50);
    EXPECT_EQ(modal->log, ">du");

    // Drawn above everything.
    frame->idle();
    EXPECT_EQ(modal->draws, 1);

    bool destroyed = false;
    modal->destroyed = &destroyed;
    ASSERT_TRUE(frame->setModalView(nullptr));  // handed back, not released
    EXPECT_FALSE(destroyed);
    modal->forget();
    EXPECT_TRUE(destroyed);
    down(frame.frame, 10, 10);
    EXPECT_EQ(control->log, ">d");
}

TEST(FrameTest, ModalViewMayReleaseItselfWhileHandlingAClick) {
    TestFrame frame;
    auto* view = new SelfClosingView(CRect(0, 0, 200, 100), 5);
    bool destroyed = false;
    view->destroyed = &destroyed;
    ASSERT_TRUE(frame->setModalView(view));
    EXPECT_EQ(down(frame.frame, 10, 10), kMouseEventHandled);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_EQ(up(frame.frame, 10, 10), kMouseEventNotHandled);  // no dangling capture
    move(frame.frame, 20, 10, 0);
}

TEST(FrameTest, CloseReleasesViewsAndTheOwnedModalView) {
    bool childGone = false, modalGone = false;
    auto* frame = new CFrame(CRect(0, 0, 100, 100), nullptr, nullptr);
    auto* child = new ProbeView(CRect(0, 0, 10, 10), 1);
    child->destroyed = &childGone;
    auto* modal = new ProbeView(CRect(0, 0, 10, 10), 1);
    modal->destroyed = &modalGone;
    frame->addView(child);
    frame->setModalView(modal);
    EXPECT_FALSE(frame->isWindowOpen());
    frame->close();
    EXPECT_TRUE(childGone);
    EXPECT_TRUE(modalGone);
}

TEST(FrameTest, BitmapsAreSharedByReferenceCount) {
    CBitmap* strip = makeStrip(2, 10, 10);
    {
        TestFrame frame;
        frame->addView(new CMovieBitmap(CRect(0, 0, 10, 10), nullptr, 0, 2, 10, strip));
        frame->addView(new CMovieBitmap(CRect(10, 0, 20, 10), nullptr, 0, 2, 10, strip));
        EXPECT_EQ(strip->getNbReference(), 3);
    }
    EXPECT_EQ(strip->getNbReference(), 1);
    strip->forget();
}

TEST(FrameTest, SavesWhatItShowsAsPng) {
    TestFrame frame(40, 30);
    frame->addView(new ProbeView(CRect(0, 0, 20, 30), 0x123456));
    char path[] = "/tmp/lumdel-toolkit-XXXXXX.png";
    const int fd = mkstemps(path, 4);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_TRUE(frame->saveAsPng(path));
    cairo_surface_t* png = cairo_image_surface_create_from_png(path);
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 40);
    EXPECT_EQ(cairo_image_surface_get_height(png), 30);
    EXPECT_EQ(pixel(png, 5, 5), 0xFF123456u);
    cairo_surface_destroy(png);
    std::remove(path);
    EXPECT_FALSE(frame->saveAsPng("/nonexistent-dir/x.png"));
}

TEST(BitmapTest, DecodesPngBytesDrawsSourceRectAtOpacity) {
    // PNG bytes made by cairo, read back through the byte constructor.
    CBitmap* strip = makeStrip(2, 4, 4);
    std::vector<unsigned char> bytes;
    cairo_surface_write_to_png_stream(
        strip->getSurface(),
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto* v = static_cast<std::vector<unsigned char>*>(closure);
            v->insert(v->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &bytes);
    strip->forget();
    auto* bitmap = new CBitmap(bytes.data(), bytes.size());
    ASSERT_TRUE(bitmap->isLoaded());
    EXPECT_EQ(bitmap->getWidth(), 4);
    EXPECT_EQ(bitmap->getHeight(), 8);

    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 10);
    {
        CDrawContext context(target);
        bitmap->draw(&context, CRect(0, 0, 4, 4), CPoint(0, 4));  // second frame
        bitmap->draw(&context, CRect(5, 5, 9, 9), CPoint(0, 0), 0.5f);
    }
    EXPECT_EQ(pixel(target, 1, 1), colourOf(1));
    const std::uint32_t half = pixel(target, 6, 6);
    EXPECT_NEAR(static_cast<int>(half >> 24), 128, 2);
    cairo_surface_destroy(target);
    bitmap->forget();

    const unsigned char junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    CBitmap broken(junk, sizeof junk);
    EXPECT_FALSE(broken.isLoaded());
    EXPECT_EQ(broken.getWidth(), 0);
    CBitmap none(nullptr, 0);
    EXPECT_FALSE(none.isLoaded());
}

TEST(BitmapTest, MissingResourceGivesEmptyBitmap) {
    CBitmap missing(12345);
    EXPECT_FALSE(missing.isLoaded());
    EXPECT_EQ(missing.getWidth(), 0);
    EXPECT_EQ(missing.getHeight(), 0);
}

}  // namespace
}  // namespace lumdel::test

namespace lumdel::test {
namespace {

// Draws with a coordinate that is not a number, which stops a cairo context.
struct BrokenView : CView {
    using CView::CView;
    void draw(CDrawContext* context) override {
        cairo_scale(context->getCairo(), 0, 0);  // a matrix cairo refuses
        context->fillRect(size);
        setDirty(false);
    }
};

TEST(FrameTest, ViewDrawingNonsenseSpoilsOnlyItself) {
    TestFrame frame(40, 10);
    frame->addView(new BrokenView(CRect(0, 0, 10, 10)));
    frame->addView(new ProbeView(CRect(20, 0, 30, 10), 0x00FF00));
    frame->addView(new ProbeView(CRect(std::nan(""), 0, 5, 5), 0xFF0000));  // never drawn
    cairo_surface_t* s = frame->renderToSurface();
    EXPECT_EQ(pixel(s, 25, 5), 0xFF00FF00u);
    cairo_surface_destroy(s);
    frame->getView(1)->invalid();
    frame->getView(0)->invalid();
    frame->idle();  // the partial redraw recovers as well
    EXPECT_EQ(pixel(frame->getBackBuffer(), 25, 5), 0xFF00FF00u);
}

}  // namespace
}  // namespace lumdel::test

namespace lumdel::test {
namespace {

// Opens a modal view on a press and still answers handled, as the help button does.
struct Opener : ProbeView {
    using ProbeView::ProbeView;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override {
        ProbeView::onMouseDown(where, buttons);
        overlay = new ProbeView(CRect(0, 0, 200, 100), 9);
        getFrame()->setModalView(overlay);
        return kMouseEventHandled;
    }
    ProbeView* overlay = nullptr;
};

TEST(FrameTest, PressThatOpensModalViewHandsTheMouseToIt) {
    TestFrame frame;
    auto* opener = new Opener(CRect(0, 0, 20, 20), 1);
    frame->addView(opener);
    down(frame.frame, 5, 5);
    ASSERT_NE(opener->overlay, nullptr);
    move(frame.frame, 50, 50, kLButton);
    up(frame.frame, 50, 50);
    EXPECT_EQ(opener->log, ">d<");  // no move or release after the overlay opened
    EXPECT_EQ(opener->overlay->log, ">m");
}

}  // namespace
}  // namespace lumdel::test

namespace lumdel::test {
namespace {

// A small transparent view that opens a large overlay, as the panel's side edges open
// the rear panel: in the round that draws both, the opener's area is repainted first
// (the overlay over it, clipped to it). The overlay must still be drawn whole.
struct OverlayOpener : ProbeView {
    OverlayOpener(const CRect& r, const CRect& overlayArea) : ProbeView(r, 0x00FF00), area(overlayArea) {
        setTransparency(true);
    }
    CMouseEventResult onMouseDown(CPoint&, const CButtonState&) override {
        overlay = new ProbeView(area, 0xFF0000);
        getFrame()->setModalView(overlay);
        setDirty(true);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    CRect area;
    ProbeView* overlay = nullptr;
};

TEST(FrameTest, OverlayDrawnInPartBeneathAChangeIsStillDrawnWhole) {
    TestFrame frame;
    auto* opener = new OverlayOpener(CRect(0, 0, 10, 100), CRect(0, 0, 200, 100));
    frame->addView(opener);
    frame->idle();
    cairo_surface_t* s = frame->getBackBuffer();
    down(frame.frame, 5, 50);
    ASSERT_NE(opener->overlay, nullptr);
    frame->idle();
    EXPECT_EQ(pixel(s, 5, 50), 0xFFFF0000u);
    EXPECT_EQ(pixel(s, 150, 50), 0xFFFF0000u);  // beyond the opener too
    EXPECT_FALSE(opener->overlay->isDirty());

    // Once drawn, a change beneath repaints only that part of it, and no more.
    const int draws = opener->overlay->draws;
    opener->invalid();
    frame->idle();
    EXPECT_EQ(opener->overlay->draws, draws + 1);
    frame->idle();
    EXPECT_EQ(opener->overlay->draws, draws + 1);
    frame->setModalView(nullptr);
    opener->overlay->forget();
}

TEST(FrameTest, SplashScreenGrownToItsDisplayAreaIsDrawnWhole) {
    TestFrame frame;
    CBitmap* picture = makeStrip(1, 200, 100);
    auto* splash = new CSplashScreen(CRect(0, 0, 10, 100), nullptr, 1, picture,
                                     CRect(0, 0, 200, 100), CPoint(0, 0));
    picture->forget();
    frame->addView(splash);
    frame->idle();
    cairo_surface_t* s = frame->getBackBuffer();
    EXPECT_NE(pixel(s, 150, 50), colourOf(0));
    down(frame.frame, 5, 50);  // grows it, its old place invalidated
    frame->idle();
    EXPECT_EQ(pixel(s, 5, 50), colourOf(0));
    EXPECT_EQ(pixel(s, 150, 50), colourOf(0));
    down(frame.frame, 150, 50);  // shrinks it back
    frame->idle();
    EXPECT_NE(pixel(s, 150, 50), colourOf(0));
}

}  // namespace
}  // namespace lumdel::test
