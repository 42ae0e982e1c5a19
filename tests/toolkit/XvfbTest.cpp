// The real window: an X server of our own (Xvfb), a top-level window standing in
// for the host's, the editor embedded through open, clicks and drags sent with the
// XTest extension. Leaves toolkit-xvfb-screenshot.png next to the test program.
// gtest first: X11's macros (None, Bool) clash with its names.
#include "EditorSupport.h"

#include "toolkit/XvfbSupport.h"

#include <X11/keysym.h>

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace lumdel::test {
namespace {

class XvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!session.start(error, 220, 120)) GTEST_SKIP() << error;
        ASSERT_NE(display, nullptr);
        hostEditCalls().clear();
        effect = std::make_unique<FakeEffect>();
        editor = new TestEditor();
        effect->setEditor(new EditorAdapter(effect.get(), editor));
    }
    void TearDown() override { effect.reset(); }
    void* parent() const {
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(hostWindow));
    }
    // A few idle rounds, as a host gives them.
    void settle(int rounds = 5) {
        for (int i = 0; i < rounds; ++i) {
            XSync(display, False);
            usleep(10000);
            editor->idle();
        }
    }
    // Root coordinates of a frame point.
    void pointerTo(int x, int y) {
        int rx = 0, ry = 0;
        Window child;
        XTranslateCoordinates(display, editor->getFrame()->getWindowId(),
                              DefaultRootWindow(display), x, y, &rx, &ry, &child);
        xtest.motion(display, -1, rx, ry, CurrentTime);
        settle(2);
    }
    void button(bool press) {
        xtest.button(display, 1, press ? True : False, CurrentTime);
        settle(2);
    }

    XSession session;
    XTest& xtest = session.xtest;
    Display*& display = session.display;
    Window& hostWindow = session.window;
    std::unique_ptr<FakeEffect> effect;
    TestEditor* editor = nullptr;
};

TEST_F(XvfbTest, OpenRefusesMissingParents) {
    EXPECT_FALSE(editor->open(nullptr));
    EXPECT_FALSE(editor->open(reinterpret_cast<void*>(0x3fffff00)));  // no such window
    EXPECT_FALSE(editor->isOpen());
    ASSERT_TRUE(editor->open(parent()));
    EXPECT_TRUE(editor->getFrame()->isWindowOpen());
    editor->close();
}

// File dialogs are kept above the host's top-level window, found from the frame's
// window however deep the host nests its container.
TEST_F(XvfbTest, TopLevelWindowIsTheHostsWindow) {
    const Window container = XCreateSimpleWindow(display, hostWindow, 5, 5, 200, 100, 0, 0, 0);
    XMapWindow(display, container);
    XSync(display, False);
    ASSERT_TRUE(editor->open(reinterpret_cast<void*>(static_cast<std::uintptr_t>(container))));
    EXPECT_EQ(editor->getFrame()->getTopLevelWindow(), hostWindow);
    editor->close();
    ASSERT_TRUE(editor->open(parent()));
    EXPECT_EQ(editor->getFrame()->getTopLevelWindow(), hostWindow);
    editor->close();
}

TEST_F(XvfbTest, EmbeddedFrameTakesClicksAndDragsAndShowsItself) {
    editor->setKnobMode(kLinearMode);
    ASSERT_TRUE(editor->open(parent()));
    CFrame* frame = editor->getFrame();
    ASSERT_TRUE(frame->isWindowOpen());
    settle();

    // Drag the knob 40 pixels up: +0.2.
    pointerTo(30, 40);
    CPoint where;
    ASSERT_TRUE(frame->getCurrentMouseLocation(where));
    EXPECT_EQ(where, CPoint(30, 40));
    EXPECT_EQ(frame->getViewAt(where), editor->knob);
    button(true);
    for (int y = 35; y >= 0; y -= 5) pointerTo(30, y);
    button(false);
    EXPECT_NEAR(editor->knob->getValue(), 0.7f, 1e-5);
    ASSERT_GE(hostEditCalls().size(), 2u);
    EXPECT_EQ(hostEditCalls().front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(hostEditCalls().front().index, 5);
    EXPECT_EQ(hostEditCalls().back().opcode, audioMasterEndEdit);

    // Click the button on; the listener calls idle from inside, as some hosts do
    // from their display-update callback.
    int nested = 0;
    editor->listener.hook = [&](CControl*) {
        ++nested;
        editor->idle();
    };
    pointerTo(120, 20);
    button(true);
    button(false);
    EXPECT_EQ(editor->button->getValue(), 1.0f);
    EXPECT_EQ(nested, 1);
    editor->listener.hook = nullptr;

    // What the server shows is what the frame drew.
    settle();
    XWindowAttributes wa;
    XGetWindowAttributes(display, hostWindow, &wa);
    XImage* image = XGetImage(display, hostWindow, 0, 0, 220, 120, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    cairo_surface_t* shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 220, 120);
    unsigned char* data = cairo_image_surface_get_data(shot);
    const int stride = cairo_image_surface_get_stride(shot);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 220; ++x)
            *reinterpret_cast<std::uint32_t*>(data + y * stride + x * 4) =
                static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
    XDestroyImage(image);
    cairo_surface_mark_dirty(shot);
    EXPECT_EQ(cairo_surface_write_to_png(shot, artefactPath("toolkit-xvfb-screenshot.png").c_str()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(pixel(shot, 190, 90) & 0xFFFFFF, colourOf(0) & 0xFFFFFF);  // frame background
    EXPECT_EQ(pixel(shot, 210, 110) & 0xFFFFFF, 0x202020u);              // the host's window
    cairo_surface_t* back = frame->getBackBuffer();
    EXPECT_EQ(pixel(shot, 30, 30) & 0xFFFFFF, pixel(back, 30, 30) & 0xFFFFFF);
    cairo_surface_destroy(shot);
    editor->close();
    EXPECT_FALSE(editor->isOpen());
}

// Records the buttons of every press.
struct PressRecorder : CView {
    using CView::CView;
    CMouseEventResult onMouseDown(CPoint&, const CButtonState& buttons) override {
        presses.push_back(buttons);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    std::vector<std::int32_t> presses;
};

TEST_F(XvfbTest, KeysTypeIntoTextFieldAndDoubleClicksAreSeen) {
    ASSERT_TRUE(editor->open(parent()));
    CFrame* frame = editor->getFrame();
    auto* edit = new CTextEdit(CRect(10, 60, 110, 75), &editor->listener, 98, "v");
    frame->addView(edit);
    auto* recorder = new PressRecorder(CRect(150, 60, 190, 90));
    frame->addView(recorder);
    settle();

    XSetInputFocus(display, hostWindow, RevertToParent, CurrentTime);
    pointerTo(50, 67);
    button(true);
    button(false);
    ASSERT_TRUE(edit->isEditing());
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    EXPECT_EQ(focus, frame->getWindowId());
    for (KeySym sym : {XK_a, XK_b, XK_Return}) {
        const unsigned int code = XKeysymToKeycode(display, sym);
        xtest.key(display, code, True, CurrentTime);
        xtest.key(display, code, False, CurrentTime);
        settle(2);
    }
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(edit->getTextString(), "vab");
    XGetInputFocus(display, &focus, &revert);
    EXPECT_EQ(focus, hostWindow);  // the keys go back to the host

    pointerTo(160, 70);
    button(true);
    button(false);
    button(true);
    button(false);
    ASSERT_EQ(recorder->presses.size(), 2u);
    EXPECT_FALSE(recorder->presses[0] & kDoubleClick);
    EXPECT_TRUE(recorder->presses[1] & kDoubleClick);
    EXPECT_TRUE(recorder->presses[1] & kLButton);
    editor->close();
}

TEST_F(XvfbTest, LongMenuOpensInItsOwnWindowBeyondTheFrame) {
    ASSERT_TRUE(editor->open(parent()));
    CFrame* frame = editor->getFrame();
    auto* menu = new COptionMenu(CRect(150, 80, 163, 92), &editor->listener, 110, nullptr,
                                 nullptr, kCheckStyle | kPopupStyle);
    for (int i = 0; i < 40; ++i) menu->addEntry(("Preset " + std::to_string(i)).c_str());
    frame->addView(menu);
    settle();

    pointerTo(155, 85);
    button(true);
    button(false);
    ASSERT_TRUE(menu->isPopupOpen());
    EXPECT_TRUE(frame->isModalInOwnWindow());
    const CRect list = frame->getModalView()->getViewSize();
    EXPECT_GT(list.bottom, 100);  // longer than the frame is high
    settle();
    cairo_surface_t* screen = grab(display, DefaultRootWindow(display), 640, 480,
                                   "toolkit-xvfb-menu.png");
    ASSERT_NE(screen, nullptr);
    // The list's own background, drawn below the frame.
    EXPECT_EQ(pixel(screen, static_cast<int>(list.right) - 3, static_cast<int>(list.bottom) - 3) &
                  0xFFFFFF,
              0xECECE8u);
    cairo_surface_destroy(screen);

    const CRect e20 = menu->getEntryRect(20);
    pointerTo(static_cast<int>(e20.left) + 20, static_cast<int>(e20.top) + 3);
    button(true);
    button(false);
    EXPECT_FALSE(menu->isPopupOpen());
    EXPECT_FALSE(frame->isModalInOwnWindow());
    EXPECT_EQ(menu->getCurrentIndex(), 20);

    // A click far away closes it unchanged.
    pointerTo(155, 85);
    button(true);
    button(false);
    ASSERT_TRUE(menu->isPopupOpen());
    xtest.motion(display, -1, 630, 470, CurrentTime);
    settle(2);
    button(true);
    button(false);
    EXPECT_FALSE(menu->isPopupOpen());
    EXPECT_EQ(menu->getCurrentIndex(), 20);
    editor->close();
}

TEST_F(XvfbTest, OpensAndClosesRepeatedly) {
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(editor->open(parent())) << i;
        editor->idle();
        editor->close();
    }
    EXPECT_FALSE(editor->isOpen());
}

// Not run by default: prints what idle costs with nothing changing.
TEST_F(XvfbTest, DISABLED_IdleCostWithNothingChanging) {
    ASSERT_TRUE(editor->open(parent()));
    settle();
    timespec a, b;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
    for (int i = 0; i < 1000; ++i) editor->idle();
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
    const double us = ((b.tv_sec - a.tv_sec) * 1e9 + (b.tv_nsec - a.tv_nsec)) / 1e3 / 1000;
    std::printf("idle: %.1f us of CPU per call (%.3f %% of a core at 20 Hz)\n", us, us * 20 / 1e4);
    editor->close();
}

TEST_F(XvfbTest, HostDestroyingItsWindowFirstIsSurvived) {
    ASSERT_TRUE(editor->open(parent()));
    settle();
    XDestroyWindow(display, hostWindow);
    hostWindow = 0;
    XSync(display, False);
    editor->idle();   // drawing into a window that is gone
    editor->close();  // destroying it again
    SUCCEED();
}

}  // namespace
}  // namespace lumdel::test
