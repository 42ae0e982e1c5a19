// The real plug-in (Lumdel.so through the host harness) with its editor in a real X
// window of an X server of our own (Xvfb): clicks and drags sent with the XTest
// extension, preset stepping, opening and closing many times, screenshots read back
// from the server (left next to the test program and printed), and the idle cost of an
// open editor with nothing changing. Every test runs with the editor at 1x and at 2x
// (LUMDEL_SCALE): the tests speak in panel pixels, the pointer and the screenshots in
// the server's. Skipped when Xvfb or libXtst is missing.
#include <gtest/gtest.h>

// Before the X headers, whose None would clash with the panel table's.
#include "resources/PanelLayout.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "tools/host/Host.h"
#include "toolkit/XvfbSupport.h"

namespace lumdel::e2e {
namespace {

using host::Host;
using host::PluginLibrary;

using test::XServer;
using test::XTest;
using test::artefactPath;

constexpr int kWidth = 942;
constexpr int kHeight = 171;

class EditorWindowTest : public ::testing::TestWithParam<double> {
protected:
    double scale() const { return GetParam(); }
    // A panel coordinate in the server's pixels.
    int dev(double v) const { return static_cast<int>(std::lround(v * scale())); }
    int width() const { return dev(kWidth); }
    int height() const { return dev(kHeight); }
    // A screenshot's name with the scale in it: editor-panel@2x.png.
    std::string named(const char* name) const {
        if (scale() == 1.0) return name;
        std::string n = name;
        return n.insert(n.rfind('.'), "@" + std::to_string(static_cast<int>(scale())) + "x");
    }

    void SetUp() override {
        scaleVariable.emplace("LUMDEL_SCALE", scale() == 1.0 ? "1" : "2");
        std::string error;
        if (!session.start(error, width(), height(), "2048x640x24")) GTEST_SKIP() << error;
        ASSERT_NE(display, nullptr);

        library = std::make_unique<PluginLibrary>(LUMDEL_PLUGIN_PATH);
        ASSERT_TRUE(host.load(*library)) << host.error();
        host.start();
    }
    void TearDown() override {
        if (host.effect()) {
            host.dispatch(effEditClose);
            host.close();
        }
    }

    bool openEditor() {
        return host.dispatch(effEditOpen, 0, 0,
                             reinterpret_cast<void*>(static_cast<std::uintptr_t>(hostWindow))) != 0;
    }
    // Idle rounds as a host gives them, 10 ms apart.
    void settle(int rounds = 3) {
        for (int i = 0; i < rounds; ++i) {
            XSync(display, False);
            usleep(10000);
            host.dispatch(effEditIdle);
        }
    }
    // The pointer to a point of the panel (panel pixels).
    void pointerTo(double x, double y) {
        int rx = 0, ry = 0;
        Window child;
        XTranslateCoordinates(display, hostWindow, DefaultRootWindow(display), dev(x), dev(y),
                              &rx, &ry, &child);
        xtest.motion(display, -1, rx, ry, CurrentTime);
        settle(2);
    }
    void button(bool press, unsigned int which = 1) {
        xtest.button(display, which, press ? True : False, CurrentTime);
        settle(2);
    }
    void click(double x, double y) {
        pointerTo(x, y);
        button(true);
        button(false);
    }
    std::string programName() {
        char name[64] = {};
        host.dispatch(effGetProgramName, 0, 0, name);
        return name;
    }
    std::string presetName(int k) {
        char name[64] = {};
        host.dispatch(effGetProgramNameIndexed, k, 0, name);
        return name;
    }
    // What the server shows in the host's window, saved as PNG in the build tree.
    cairo_surface_t* screenshot(const char* name) {
        settle(3);
        const std::string file = named(name);
        cairo_surface_t* shot = test::grab(display, hostWindow, width(), height(), file.c_str());
        if (shot) std::printf("screenshot: %s\n", artefactPath(file.c_str()).c_str());
        return shot;
    }
    static std::uint32_t pixel(cairo_surface_t* s, int x, int y) {
        const unsigned char* data = cairo_image_surface_get_data(s);
        return *reinterpret_cast<const std::uint32_t*>(data + y * cairo_image_surface_get_stride(s) +
                                                       x * 4) & 0xFFFFFF;
    }
    // Pixels that differ in an area of the panel, counted in panel pixels (a panel
    // pixel differs when any of its server pixels does).
    int differingPixels(cairo_surface_t* a, cairo_surface_t* b, int x0, int y0, int x1,
                        int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                bool differs = false;
                for (int dy = dev(y); dy < dev(y + 1) && !differs; ++dy)
                    for (int dx = dev(x); dx < dev(x + 1) && !differs; ++dx)
                        differs = pixel(a, dx, dy) != pixel(b, dx, dy);
                if (differs) ++n;
            }
        return n;
    }

    std::optional<test::ScopedEnv> scaleVariable;  // before the session: put back last
    test::XSession session;
    XServer& server = session.server;
    XTest& xtest = session.xtest;
    Display*& display = session.display;
    Window& hostWindow = session.window;
    std::unique_ptr<PluginLibrary> library;
    Host host;
};

TEST_P(EditorWindowTest, DraggingTheMixKnobAutomatesParameterTwo) {
    ASSERT_TRUE(openEditor());
    settle();
    const float before = host.getParameter(2);
    host.automates.clear();
    host.edits.clear();
    pointerTo(447, 46);
    button(true);
    for (int y = 42; y >= 6; y -= 4) pointerTo(447, y);
    button(false);
    const float after = host.getParameter(2);
    EXPECT_GT(after, before + 0.1f);
    bool sawTwo = false;
    for (const auto& a : host.automates) sawTwo = sawTwo || a.index == 2;
    EXPECT_TRUE(sawTwo);
    ASSERT_GE(host.edits.size(), 2u);
    EXPECT_EQ(host.edits.front().index, 2);
    EXPECT_TRUE(host.edits.front().begin);
    EXPECT_EQ(host.edits.back().index, 2);
    EXPECT_FALSE(host.edits.back().begin);
}

TEST_P(EditorWindowTest, RockerStepsThroughThePresets) {
    ASSERT_TRUE(openEditor());
    settle();
    ASSERT_EQ(programName(), presetName(0));
    for (int i = 0; i < 3; ++i) click(368, 162);
    EXPECT_EQ(programName(), presetName(3));
    click(345, 162);
    EXPECT_EQ(programName(), presetName(2));
    for (int i = 0; i < 4; ++i) click(345, 162);
    EXPECT_EQ(programName(), presetName(0));  // no wrap below 0
}

TEST_P(EditorWindowTest, OpensAndClosesFiftyTimes) {
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(openEditor()) << i;
        settle(1);
        host.dispatch(effEditClose);
    }
    // Re-entrant idle: a host that idles the editor from its update-display callback.
    host.onUpdateDisplay = [this] { host.dispatch(effEditIdle); };
    ASSERT_TRUE(openEditor());
    settle(2);
    click(368, 162);
    EXPECT_EQ(programName(), presetName(1));
    host.onUpdateDisplay = nullptr;
    // Idle after close and close twice change nothing.
    host.dispatch(effEditClose);
    host.dispatch(effEditIdle);
    host.dispatch(effEditClose);
    // A host that never closes the window before closing the effect.
    ASSERT_TRUE(openEditor());
    settle(1);
    host.close();
    SUCCEED();
}

TEST_P(EditorWindowTest, BadParentsAndNoDisplayFailCleanly) {
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x3fffff00)), 0);
    host.dispatch(effEditIdle);
    // No X server to be had: the window does not open, the effect still works.
    setenv("DISPLAY", ":65000", 1);
    EXPECT_EQ(host.dispatch(effEditOpen, 0, 0,
                            reinterpret_cast<void*>(static_cast<std::uintptr_t>(hostWindow))),
              0);
    host.dispatch(effEditIdle);
    host.dispatch(effEditClose);
    host::Buffers<float> in(4, 64), out(2, 64);
    in.data[0][0] = 0.5f;
    host.process(in.get(), out.get(), 64);
    host.setParameter(2, 0.25f);
    EXPECT_FLOAT_EQ(host.getParameter(2), 0.25f);
    setenv("DISPLAY", server.display().c_str(), 1);
    // And with the server back, it opens.
    ASSERT_TRUE(openEditor());
    settle(2);
}

TEST_P(EditorWindowTest, ScreenshotsOfPanelRearPanelAndHelp) {
    ASSERT_TRUE(openEditor());
    settle(5);
    cairo_surface_t* panel = screenshot("editor-panel.png");
    ASSERT_NE(panel, nullptr);

    click(10, 80);  // left side edge: the rear panel
    cairo_surface_t* rear = screenshot("editor-rear-panel.png");
    ASSERT_NE(rear, nullptr);
    EXPECT_GT(differingPixels(panel, rear, 30, 10, 910, 150), 50000);
    click(400, 80);  // closes it
    cairo_surface_t* again = screenshot("editor-panel-again.png");
    EXPECT_LT(differingPixels(panel, again, 30, 10, 910, 150), 2000);  // meters/readout may move

    click(926, 162);  // help
    pointerTo(850, 60);
    for (int i = 0; i < 35; ++i) settle(1);  // > 500 ms: the reverb page has faded in
    cairo_surface_t* help = screenshot("editor-help-reverb.png");
    ASSERT_NE(help, nullptr);
    EXPECT_GT(differingPixels(panel, help, 30, 10, 910, 150), 50000);
    click(850, 60);  // closes it

    for (cairo_surface_t* s : {panel, rear, again, help})
        if (s) cairo_surface_destroy(s);
}

// A key lit by the pointer goes dark again when the pointer leaves the editor's window
// straight from it, whichever way it leaves.
TEST_P(EditorWindowTest, KeyHoverEndsWhenThePointerLeavesTheWindowFromTheKey) {
    ASSERT_TRUE(openEditor());
    pointerTo(600, 60);
    settle(3);
    cairo_surface_t* rest = screenshot("editor-learn-rest.png");
    ASSERT_NE(rest, nullptr);
    const int learn[4] = {857, 155, 881, 171};
    pointerTo(869, 163);
    cairo_surface_t* lit = screenshot("editor-learn-hovered.png");
    EXPECT_GT(differingPixels(rest, lit, learn[0], learn[1], learn[2], learn[3]), 20);
    pointerTo(600, 60);  // within the window
    cairo_surface_t* within = screenshot("editor-learn-left-within.png");
    EXPECT_EQ(differingPixels(rest, within, learn[0], learn[1], learn[2], learn[3]), 0);
    pointerTo(869, 163);
    pointerTo(869, 250);  // below the window, on the desktop
    cairo_surface_t* below = screenshot("editor-learn-left-below.png");
    EXPECT_EQ(differingPixels(rest, below, learn[0], learn[1], learn[2], learn[3]), 0);

    // Learning switched on with a click, then left from the key: when learning is
    // switched off again (here from the other side of the panel, by the unlearn key),
    // the key shows its plain face.
    click(869, 163);
    pointerTo(990, 163);  // right of the window
    pointerTo(894, 250);
    pointerTo(894, 163);  // back in, straight onto the unlearn key
    click(894, 163);
    pointerTo(894, 250);
    cairo_surface_t* after = screenshot("editor-learn-after.png");
    EXPECT_EQ(differingPixels(rest, after, learn[0], learn[1], learn[2], learn[3]), 0);
    click(894, 163);  // unlearn off again
    for (cairo_surface_t* s : {rest, lit, within, below, after})
        if (s) cairo_surface_destroy(s);
}

// Wheel over the step switch: a notch away from the user steps back, towards the user
// forward, as the toolkit's rocker switch gives -1 and +1.
TEST_P(EditorWindowTest, WheelOverTheStepSwitchStepsBackWhenTurnedUp) {
    ASSERT_TRUE(openEditor());
    settle();
    for (int i = 0; i < 3; ++i) click(368, 162);
    ASSERT_EQ(programName(), presetName(3));
    pointerTo(357, 162);
    button(true, 4);  // wheel up
    button(false, 4);
    EXPECT_EQ(programName(), presetName(2));
    button(true, 5);  // wheel down
    button(false, 5);
    button(true, 5);
    button(false, 5);
    EXPECT_EQ(programName(), presetName(4));
}

// A stepping knob looks pressed only while the held pointer is over it.
TEST_P(EditorWindowTest, SteppingKnobLooksPressedOnlyWhileThePointerIsOverIt) {
    ASSERT_TRUE(openEditor());
    pointerTo(600, 60);
    cairo_surface_t* rest = screenshot("editor-stepknob-rest.png");
    ASSERT_NE(rest, nullptr);
    const int knob[4] = {90, 24, 109, 43};  // numerator of the pre-delay
    pointerTo(99, 33);
    button(true);
    cairo_surface_t* pressed = screenshot("editor-stepknob-pressed.png");
    EXPECT_GT(differingPixels(rest, pressed, knob[0], knob[1], knob[2], knob[3]), 20);
    pointerTo(99, 70);  // dragged off, still held
    cairo_surface_t* off = screenshot("editor-stepknob-dragged-off.png");
    EXPECT_EQ(differingPixels(rest, off, knob[0], knob[1], knob[2], knob[3]), 0);
    pointerTo(99, 33);  // back over it
    cairo_surface_t* back = screenshot("editor-stepknob-back.png");
    EXPECT_GT(differingPixels(rest, back, knob[0], knob[1], knob[2], knob[3]), 20);
    pointerTo(99, 70);
    button(false);
    cairo_surface_t* released = screenshot("editor-stepknob-released.png");
    EXPECT_EQ(differingPixels(rest, released, knob[0], knob[1], knob[2], knob[3]), 0);
    for (cairo_surface_t* s : {rest, pressed, off, back, released})
        if (s) cairo_surface_destroy(s);
}

TEST_P(EditorWindowTest, IdleCostOfAnOpenEditorWithNothingChanging) {
    ASSERT_TRUE(openEditor());
    settle(5);
    pointerTo(470, 140);  // rest the mouse over the panel
    timespec cpu0, cpu1, wall0, wall1;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    clock_gettime(CLOCK_MONOTONIC, &wall0);
    for (int i = 0; i < 200; ++i) {  // 10 s at 20 Hz
        host.dispatch(effEditIdle);
        usleep(50000);
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    clock_gettime(CLOCK_MONOTONIC, &wall1);
    const double cpu = (cpu1.tv_sec - cpu0.tv_sec) + (cpu1.tv_nsec - cpu0.tv_nsec) * 1e-9;
    const double wall = (wall1.tv_sec - wall0.tv_sec) + (wall1.tv_nsec - wall0.tv_nsec) * 1e-9;
    std::printf("idle cost: %.1f ms CPU over %.2f s of 20 Hz idle = %.3f %% of a core "
                "(%.3f ms per idle)\n",
                cpu * 1e3, wall, 100.0 * cpu / wall, cpu * 1e3 / 200);
    SUCCEED();
}

// The host is told the scaled size, and every key of the preset rail answers the pointer
// at its place: pointed at, it puts its hint in the controller display; the memory keys
// store and recall, the learn keys light up when clicked.
TEST_P(EditorWindowTest, EveryRailKeyAnswersAtItsPlace) {
    ERect* r = nullptr;
    host.dispatch(effEditGetRect, 0, 0, &r);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right - r->left, width());
    EXPECT_EQ(r->bottom - r->top, height());
    ASSERT_TRUE(openEditor());
    pointerTo(600, 60);
    cairo_surface_t* rest = screenshot("editor-rail-rest.png");
    ASSERT_NE(rest, nullptr);
    using panel::StripControl;
    const panel::Rect display = panel::stripPlace(StripControl::ControllerDisplay).rect;
    for (StripControl key : {StripControl::SaveBank, StripControl::DefaultBank, StripControl::LoadBank,
                             StripControl::SavePreset, StripControl::DefaultPreset,
                             StripControl::LoadPreset, StripControl::Step, StripControl::StoreMemoA,
                             StripControl::RecallMemoA, StripControl::StoreMemoB,
                             StripControl::RecallMemoB, StripControl::SaveMidi,
                             StripControl::DefaultMidi, StripControl::LoadMidi, StripControl::Learn,
                             StripControl::Unlearn}) {
        const panel::Rect k = panel::stripPlace(key).rect;
        pointerTo((k.left + k.right) / 2.0, (k.top + k.bottom) / 2.0);
        cairo_surface_t* hint = screenshot("editor-rail-hint.png");
        EXPECT_GT(differingPixels(rest, hint, display.left, display.top, display.right,
                                  display.bottom),
                  20)
            << "strip control " << static_cast<int>(key);
        cairo_surface_destroy(hint);
    }
    auto centreOf = [](StripControl c) {
        const panel::Rect k = panel::stripPlace(c).rect;
        return std::make_pair((k.left + k.right) / 2.0, (k.top + k.bottom) / 2.0);
    };
    // Memory A keeps preset 0; two steps on, recalling it brings preset 0's name back.
    const std::string first = presetName(0);
    auto [sx, sy] = centreOf(StripControl::StoreMemoA);
    click(sx, sy);
    click(368, 162);
    click(368, 162);
    ASSERT_EQ(programName(), presetName(2));
    auto [rx, ry] = centreOf(StripControl::RecallMemoA);
    click(rx, ry);
    EXPECT_EQ(programName(), first);
    // The learn key lights while learning.
    auto [lx, ly] = centreOf(StripControl::Learn);
    click(lx, ly);
    pointerTo(600, 60);
    cairo_surface_t* learning = screenshot("editor-rail-learning.png");
    const panel::Rect learn = panel::stripPlace(StripControl::Learn).rect;
    EXPECT_GT(differingPixels(rest, learning, learn.left, learn.top, learn.right, learn.bottom), 20);
    click(lx, ly);
    for (cairo_surface_t* s : {rest, learning})
        if (s) cairo_surface_destroy(s);
}

INSTANTIATE_TEST_SUITE_P(Scale, EditorWindowTest, ::testing::Values(1.0, 2.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return info.param == 1.0 ? std::string("1x") : std::string("2x");
                         });

}  // namespace
}  // namespace lumdel::e2e
