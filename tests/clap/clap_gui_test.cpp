// The CLAP editor in a window of an X server of our own (Xvfb), driven as a host does:
// create, set_parent, show, the host's timer, destroy; a drag on a knob reaches the host
// as gesture begin, values and gesture end; a new scale asks the host for the new size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ClapFixture.h"
#include "toolkit/XvfbSupport.h"

using lumdel::test::Instance;

namespace {

class ClapGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* scale = std::getenv("LUMDEL_SCALE");
        savedScale_ = scale ? scale : "";
        hadScale_ = scale != nullptr;
        setenv("LUMDEL_SCALE", "1", 1);
        std::string error;
        if (!server_.start(error, "1024x480x24")) GTEST_SKIP() << error;
        if (!xtest_.load()) GTEST_SKIP() << "libXtst is not installed";
        const char* old = std::getenv("DISPLAY");
        hadDisplay_ = old != nullptr;
        savedDisplay_ = old ? old : "";
        setenv("DISPLAY", server_.display().c_str(), 1);
        display_ = XOpenDisplay(server_.display().c_str());
        ASSERT_NE(display_, nullptr);
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 942, 171, 0, 0,
                                      0x202020);
        XSelectInput(display_, window_, StructureNotifyMask);
        XMapWindow(display_, window_);
        XEvent e;
        do {
            XNextEvent(display_, &e);
        } while (e.type != MapNotify);
    }
    void TearDown() override {
        if (display_) {
            XDestroyWindow(display_, window_);
            XCloseDisplay(display_);
        }
        if (hadDisplay_)
            setenv("DISPLAY", savedDisplay_.c_str(), 1);
        else
            unsetenv("DISPLAY");
        if (hadScale_)
            setenv("LUMDEL_SCALE", savedScale_.c_str(), 1);
        else
            unsetenv("LUMDEL_SCALE");
    }
    const clap_plugin_gui_t* gui(Instance& p) {
        return static_cast<const clap_plugin_gui_t*>(p.p->get_extension(p.p, CLAP_EXT_GUI));
    }
    // The host's timer, a few rounds 10 ms apart.
    void tick(Instance& p, int rounds = 3) {
        const auto* timer = static_cast<const clap_plugin_timer_support_t*>(
            p.p->get_extension(p.p, CLAP_EXT_TIMER_SUPPORT));
        for (int i = 0; i < rounds; ++i) {
            XSync(display_, False);
            usleep(10000);
            timer->on_timer(p.p, 1);
        }
    }
    void pointerTo(Instance& p, int x, int y) {
        int rx = 0, ry = 0;
        Window child;
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), x, y, &rx, &ry, &child);
        xtest_.motion(display_, -1, rx, ry, CurrentTime);
        tick(p, 2);
    }
    void button(Instance& p, bool press) {
        xtest_.button(display_, 1, press ? True : False, CurrentTime);
        tick(p, 2);
    }
    clap_window_t parent() const {
        clap_window_t w{};
        w.api = CLAP_WINDOW_API_X11;
        w.x11 = window_;
        return w;
    }

    lumdel::test::XServer server_;
    lumdel::test::XTest xtest_;
    Display* display_ = nullptr;
    Window window_ = 0;
    bool hadDisplay_ = false, hadScale_ = false;
    std::string savedDisplay_, savedScale_;
};

}  // namespace

TEST_F(ClapGuiTest, RefusedWhereItCannotBeDriven) {
    Instance p;
    const clap_plugin_gui_t* g = gui(p);
    ASSERT_NE(g, nullptr);
    EXPECT_FALSE(g->is_api_supported(p.p, CLAP_WINDOW_API_WAYLAND, false));
    EXPECT_FALSE(g->is_api_supported(p.p, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(g->create(p.p, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(g->create(p.p, nullptr, false));
    std::uint32_t w = 0, h = 0;
    EXPECT_FALSE(g->get_size(p.p, &w, &h));  // before create
    clap_window_t none = parent();
    EXPECT_FALSE(g->set_parent(p.p, &none));
    g->destroy(p.p);
    // Without timer-support nobody would idle the editor: no editor.
    Instance q;
    q.host.offerTimers = false;
    EXPECT_FALSE(gui(q)->create(q.p, CLAP_WINDOW_API_X11, false));
    // On the audio thread: refused.
    Instance r;
    r.host.audioThread = true;
    EXPECT_FALSE(gui(r)->create(r.p, CLAP_WINDOW_API_X11, false));
}

TEST_F(ClapGuiTest, EmbedsTheEditorAndSendsEditsAsGestures) {
    Instance p;
    ASSERT_TRUE(p.activate());
    const clap_plugin_gui_t* g = gui(p);
    ASSERT_TRUE(g->create(p.p, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(g->create(p.p, CLAP_WINDOW_API_X11, false));  // one at a time
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(g->get_size(p.p, &w, &h));
    EXPECT_EQ(w, 942u);
    EXPECT_EQ(h, 171u);
    EXPECT_FALSE(g->can_resize(p.p));
    // Hints that say "not by dragging" (Qtractor logs an error without any).
    clap_gui_resize_hints_t hints{true, true, true, 0, 0};
    ASSERT_TRUE(g->get_resize_hints(p.p, &hints));
    EXPECT_FALSE(hints.can_resize_horizontally || hints.can_resize_vertically);
    EXPECT_FALSE(g->set_size(p.p, 500, 100));
    const clap_window_t window = parent();
    ASSERT_TRUE(g->set_parent(p.p, &window));
    ASSERT_EQ(p.host.timerPeriods.size(), 1u);
    EXPECT_LE(p.host.timerPeriods[0], 50u);  // 20 Hz or faster
    EXPECT_TRUE(g->show(p.p));
    tick(p);
    cairo_surface_destroy(lumdel::test::grab(display_, window_, 942, 171, "clap-editor.png"));

    // The Mix knob dragged upwards.
    const double before = p.value(2);
    p.host.flushRequests = 0;
    pointerTo(p, 447, 46);
    button(p, true);
    for (int y = 42; y >= 6; y -= 4) pointerTo(p, 447, y);
    button(p, false);
    EXPECT_GT(p.value(2), before + 0.1);
    EXPECT_GT(p.host.flushRequests, 0);
    p.params->flush(p.p, nullptr, &p.events.outList);
    ASSERT_GE(p.events.out.size(), 3u);
    auto header = [&p](std::size_t i) {
        return reinterpret_cast<const clap_event_header_t*>(p.events.out[i].data());
    };
    EXPECT_EQ(header(0)->type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(reinterpret_cast<const clap_event_param_gesture_t*>(header(0))->param_id, 2u);
    for (std::size_t i = 1; i + 1 < p.events.out.size(); ++i) {
        ASSERT_EQ(header(i)->type, CLAP_EVENT_PARAM_VALUE);
        EXPECT_EQ(reinterpret_cast<const clap_event_param_value_t*>(header(i))->param_id, 2u);
    }
    const auto* last = header(p.events.out.size() - 1);
    EXPECT_EQ(last->type, CLAP_EVENT_PARAM_GESTURE_END);
    EXPECT_EQ(reinterpret_cast<const clap_event_param_value_t*>(header(p.events.out.size() - 2))->value,
              p.value(2));
    EXPECT_GT(p.host.dirty, 0);

    // A new scale: the editor rebuilds at the next timer and asks the host for room.
    ASSERT_TRUE(g->set_scale(p.p, 2.0));
    tick(p);
    ASSERT_FALSE(p.host.resizes.empty());
    EXPECT_EQ(p.host.resizes.back(), std::make_pair(1884u, 342u));
    ASSERT_TRUE(g->get_size(p.p, &w, &h));
    EXPECT_EQ(w, 1884u);
    g->destroy(p.p);
    g->destroy(p.p);
    EXPECT_FALSE(g->get_size(p.p, &w, &h));
    // Made again after a destroy, on the same window.
    ASSERT_TRUE(g->create(p.p, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(g->set_parent(p.p, &window));
    tick(p);
    // The instance destroyed with its editor open.
}
