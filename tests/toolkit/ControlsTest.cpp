// Each control class against synthetic mouse and wheel events: values, edit
// brackets, listener calls and the three handler answers.
#include <cmath>
#include <limits>

#include "ToolkitTestSupport.h"
#include "resources/Resources.h"

namespace lumdel::test {
namespace {

class ControlsTest : public ::testing::Test {
protected:
    StubEditor editor;
    RecordingListener listener;
    TestFrame frame{200, 100, &editor};
};

TEST_F(ControlsTest, LinearKnobFollowsMovementAtFullRangePer200Pixels) {
    auto* knob = new CKnob(CRect(10, 10, 50, 50), &listener, 7, nullptr);
    knob->setValue(0.2f);
    frame->addView(knob);

    EXPECT_EQ(down(frame.frame, 30, 30), kMouseEventHandled);
    EXPECT_EQ(listener.kinds(), "b");
    ASSERT_EQ(editor.edits.size(), 1u);
    EXPECT_EQ(editor.edits[0], std::make_pair('b', 7));

    EXPECT_EQ(move(frame.frame, 30, -10), kMouseEventHandled);  // 40 px up
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-6);
    move(frame.frame, 50, -10);  // and 20 px right
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6);
    move(frame.frame, 30, 90);  // 60 px below the start
    EXPECT_NEAR(knob->getValue(), 0.0f, 1e-6);
    EXPECT_EQ(up(frame.frame, 30, 90), kMouseEventHandled);
    EXPECT_EQ(listener.kinds().front(), 'b');
    EXPECT_EQ(listener.kinds().back(), 'e');
    EXPECT_EQ(listener.values().back(), 0.0f);
    EXPECT_EQ(editor.edits.back(), std::make_pair('e', 7));
}

TEST_F(ControlsTest, ShiftDragUsesZoomFactorAndSwitchesWithoutJump) {
    auto* knob = new CKnob(CRect(10, 10, 50, 50), &listener, 1, nullptr);
    knob->setZoomFactor(5);
    knob->setValue(0.5f);
    frame->addView(knob);

    down(frame.frame, 30, 30, kLButton | kShift);
    move(frame.frame, 30, -70, kLButton | kShift);  // 100 px at 1/1000
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-5);
    move(frame.frame, 30, -70, kLButton);  // shift released: no jump
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-5);
    move(frame.frame, 30, -90, kLButton);  // 20 px more at 1/200
    EXPECT_NEAR(knob->getValue(), 0.7f, 1e-5);
    move(frame.frame, 30, -90, kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.7f, 1e-5);
    move(frame.frame, 30, -140, kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.75f, 1e-5);
    up(frame.frame, 30, -140);
}

TEST_F(ControlsTest, KnobControlClickSetsDefaultAndNeedsNoMoreEvents) {
    auto* knob = new CAnimKnob(CRect(10, 10, 50, 50), &listener, 3, 101, 40, nullptr);
    knob->setDefaultValue(0.25f);
    knob->setValue(0.9f);
    frame->addView(knob);
    EXPECT_EQ(down(frame.frame, 20, 20, kLButton | kControl),
              kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
    EXPECT_EQ(listener.kinds(), "bve");
    // No capture: a move is not the knob's.
    listener.clear();
    move(frame.frame, 20, 0);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
    EXPECT_TRUE(listener.events.empty());
    // A right click is not a knob's.
    EXPECT_EQ(down(frame.frame, 20, 20, kRButton), kMouseEventNotHandled);
}

TEST_F(ControlsTest, KnobWheelAddsIncrementTenthWithShiftWithinLimits) {
    auto* knob = new CKnob(CRect(10, 10, 50, 50), &listener, 2, nullptr);
    knob->setWheelInc(1.0f / 32);
    knob->setValue(0.5f);
    frame->addView(knob);
    EXPECT_TRUE(frame->onWheel(CPoint(20, 20), 2.0f, 0));
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5625f);
    EXPECT_EQ(listener.kinds(), "bve");
    EXPECT_TRUE(frame->onWheel(CPoint(20, 20), -1.0f, kShift));
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5625f - 1.0f / 320);
    knob->setValue(0.99f);
    listener.clear();
    frame->onWheel(CPoint(20, 20), 3.0f, 0);
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);
    listener.clear();
    frame->onWheel(CPoint(20, 20), 1.0f, 0);  // already at the top: nothing to report
    EXPECT_TRUE(listener.events.empty());
    EXPECT_FALSE(frame->onWheel(CPoint(150, 80), 1.0f, 0));  // nothing there
}

TEST_F(ControlsTest, CircularModeTakesTheAngle) {
    editor.mode = kCircularMode;
    auto* knob = new CKnob(CRect(0, 0, 40, 40), &listener, 2, nullptr);
    frame->addView(knob);
    down(frame.frame, 20, 2);  // straight up: the middle of a 270 degree sweep
    EXPECT_NEAR(knob->getValue(), 0.5f, 0.02f);
    move(frame.frame, 39, 20);  // right: three quarters
    EXPECT_NEAR(knob->getValue(), 0.8333f, 0.02f);
    up(frame.frame, 39, 20);
    // Alt gives the linear mode back.
    down(frame.frame, 20, 20, kLButton | kAlt);
    const float start = knob->getValue();
    move(frame.frame, 20, 0, kLButton | kAlt);
    EXPECT_NEAR(knob->getValue(), start + 0.1f, 1e-5);
    up(frame.frame, 20, 0);
}

TEST_F(ControlsTest, OnOffButtonFlipsOnLeftClickOnly) {
    auto* button = new COnOffButton(CRect(0, 0, 20, 20), &listener, 5, nullptr);
    frame->addView(button);
    EXPECT_EQ(down(frame.frame, 5, 5), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(button->getValue(), 1.0f);
    EXPECT_EQ(listener.kinds(), "bve");
    down(frame.frame, 5, 5);
    EXPECT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(down(frame.frame, 5, 5, kRButton), kMouseEventNotHandled);
    EXPECT_EQ(button->getValue(), 0.0f);
}

TEST_F(ControlsTest, KickButtonIsPressedWhileOverItAndReportsOnRelease) {
    auto* kick = new CKickButton(CRect(0, 0, 20, 20), &listener, 6, 10, nullptr);
    frame->addView(kick);
    EXPECT_EQ(down(frame.frame, 5, 5), kMouseEventHandled);
    EXPECT_EQ(kick->getValue(), 1.0f);
    EXPECT_EQ(listener.kinds(), "b");
    move(frame.frame, 50, 50);
    EXPECT_EQ(kick->getValue(), 0.0f);
    move(frame.frame, 6, 6);
    EXPECT_EQ(kick->getValue(), 1.0f);
    EXPECT_EQ(up(frame.frame, 6, 6), kMouseEventHandled);
    EXPECT_EQ(listener.kinds(), "bvve");
    EXPECT_EQ(listener.values(), (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(kick->getValue(), 0.0f);

    // Released elsewhere: only the return to rest is reported.
    listener.clear();
    down(frame.frame, 5, 5);
    move(frame.frame, 60, 60);
    up(frame.frame, 60, 60);
    EXPECT_EQ(listener.values(), (std::vector<float>{0.0f}));
}

TEST_F(ControlsTest, HorizontalSwitchPicksPositionUnderMouseAndFollowsDrag) {
    CBitmap* strip = makeStrip(3, 30, 9);
    auto* sw = new CHorizontalSwitch(CRect(100, 0, 130, 9), &listener, 8, 3, 9, 3, strip);
    strip->forget();
    sw->setDefaultValue(0.5f);
    frame->addView(sw);
    EXPECT_EQ(down(frame.frame, 115, 4), kMouseEventHandled);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.5f);
    move(frame.frame, 129, 4);
    EXPECT_FLOAT_EQ(sw->getValue(), 1.0f);
    move(frame.frame, 150, 4);  // beyond the end: limited
    EXPECT_FLOAT_EQ(sw->getValue(), 1.0f);
    move(frame.frame, 90, 4);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.0f);
    up(frame.frame, 90, 4);
    EXPECT_EQ(listener.kinds(), "bvvve");
    listener.clear();
    EXPECT_EQ(down(frame.frame, 101, 4, kLButton | kControl),
              kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.5f);
    EXPECT_EQ(listener.kinds(), "bve");
}

TEST_F(ControlsTest, VerticalSwitchSplitsFrameHeightIntoPositions) {
    auto* sw = new CVerticalSwitch(CRect(0, 0, 16, 30), &listener, 9, 3, 30, 3, nullptr);
    frame->addView(sw);
    down(frame.frame, 5, 25);
    EXPECT_FLOAT_EQ(sw->getValue(), 1.0f);
    move(frame.frame, 5, 12);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.5f);
    up(frame.frame, 5, 12);
    EXPECT_EQ(listener.kinds(), "bvve");
}

TEST_F(ControlsTest, RockerSwitchGivesSideWhilePressedAndZeroOnRelease) {
    auto* rocker = new CRockerSwitch(CRect(0, 0, 30, 13), &listener, 99, 13, nullptr);
    frame->addView(rocker);
    EXPECT_EQ(down(frame.frame, 3, 5), kMouseEventHandled);
    EXPECT_EQ(rocker->getValue(), -1.0f);
    up(frame.frame, 3, 5);
    EXPECT_EQ(rocker->getValue(), 0.0f);
    down(frame.frame, 20, 5);
    EXPECT_EQ(rocker->getValue(), 1.0f);
    up(frame.frame, 20, 5);
    EXPECT_EQ(listener.kinds(), "bvvebvve");
    EXPECT_EQ(listener.values(), (std::vector<float>{-1, 0, 1, 0}));
    EXPECT_EQ(down(frame.frame, 20, 5, kRButton), kMouseEventNotHandled);
}

TEST_F(ControlsTest, MovieBitmapShowsNearestFrameHalvesUp) {
    CBitmap* strip = makeStrip(21, 7, 45);
    auto* meter = new CMovieBitmap(CRect(0, 0, 7, 45), nullptr, 80, 21, 45, strip);
    strip->forget();
    frame->addView(meter);
    const struct {
        float value;
        int frame;
    } cases[] = {{0.0f, 0}, {0.024f, 0}, {0.025f, 1}, {0.5f, 10}, {0.97f, 19}, {0.976f, 20}, {1.0f, 20}};
    for (const auto& c : cases) {
        meter->setValue(c.value);
        EXPECT_EQ(meter->getFrameIndex(), c.frame) << c.value;
        cairo_surface_t* s = frame->renderToSurface();
        EXPECT_EQ(pixel(s, 3, 20), colourOf(c.frame)) << c.value;
        cairo_surface_destroy(s);
    }
    // A digit of 11 frames: value (k + 1) / 10 shows digit k, i.e. frame k + 1.
    CBitmap* digits = makeStrip(11, 13, 16);
    auto* digit = new CMovieBitmap(CRect(20, 0, 33, 16), nullptr, 65, 11, 16, digits);
    digits->forget();
    frame->addView(digit);
    for (int k = 0; k <= 9; ++k) {
        digit->setValue((k + 1) / 10.0f);
        EXPECT_EQ(digit->getFrameIndex(), k + 1);
    }
    // No mouse of its own.
    EXPECT_EQ(down(frame.frame, 3, 3), kMouseEventNotHandled);
}

TEST_F(ControlsTest, AnimKnobShowsTruncatedFrame) {
    CBitmap* strip = makeStrip(101, 10, 10);
    auto* knob = new CAnimKnob(CRect(0, 0, 10, 10), nullptr, 0, 101, 10, strip);
    strip->forget();
    frame->addView(knob);
    knob->setValue(0.999f);
    cairo_surface_t* s = frame->renderToSurface();
    EXPECT_EQ(pixel(s, 5, 5), colourOf(99));
    cairo_surface_destroy(s);
}

TEST_F(ControlsTest, SplashScreenIsModalUntilClickedAgain) {
    CBitmap* picture = makeStrip(1, 200, 100);
    auto* splash = new CSplashScreen(CRect(190, 90, 200, 100), &listener, 82, picture,
                                     CRect(0, 0, 200, 100));
    picture->forget();
    auto* knob = new CKnob(CRect(0, 0, 40, 40), nullptr, 1, nullptr);
    frame->addView(knob);
    frame->addView(splash);

    EXPECT_EQ(down(frame.frame, 195, 95), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(frame->getModalView(), splash);
    EXPECT_EQ(splash->getValue(), 1.0f);
    EXPECT_EQ(splash->getViewSize(), CRect(0, 0, 200, 100));
    EXPECT_EQ(listener.values(), std::vector<float>{1.0f});
    cairo_surface_t* s = frame->renderToSurface();
    EXPECT_EQ(pixel(s, 20, 20), colourOf(0));
    cairo_surface_destroy(s);

    // The knob beneath gets nothing while the splash is shown.
    const float knobBefore = knob->getValue();
    down(frame.frame, 20, 20);
    EXPECT_EQ(knob->getValue(), knobBefore);
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(splash->getViewSize(), CRect(190, 90, 200, 100));
}

TEST_F(ControlsTest, SetValueLimitsAndIgnoresNaN) {
    CControl c(CRect(0, 0, 1, 1));
    c.setValue(3.0f);
    EXPECT_EQ(c.getValue(), 1.0f);
    c.setValue(-1.0f);
    EXPECT_EQ(c.getValue(), 0.0f);
    c.setValue(0.3f);
    c.setValue(std::nanf(""));
    EXPECT_EQ(c.getValue(), 0.3f);
}

}  // namespace
}  // namespace lumdel::test

namespace lumdel::test {
namespace {

// The embedded meter strip (21 frames of 45): a movie bitmap shows exactly the
// source pixels of the frame its value selects.
TEST(EmbeddedStripTest, MeterShowsTheSelectedSourceFrame) {
    CBitmap::setResourceFinder(&lumdel::findResourceBytes);
    CBitmap* meter = new CBitmap(153);
    if (!meter->isLoaded()) {
        meter->forget();
        GTEST_SKIP() << "no embedded bitmap 153";
    }
    ASSERT_EQ(meter->getHeight(), 21 * 45);
    const int width = static_cast<int>(meter->getWidth());
    TestFrame frame(width, 45);
    auto* view = new CMovieBitmap(CRect(0, 0, width, 45), nullptr, 80, 21, 45, meter);
    frame->addView(view);
    cairo_surface_t* source = meter->getSurface();
    for (float value : {0.0f, 0.5f, 0.749f, 1.0f}) {
        view->setValue(value);
        const int k = view->getFrameIndex();
        cairo_surface_t* shown = frame->renderToSurface();
        int differing = 0;
        for (int y = 0; y < 45; ++y)
            for (int x = 0; x < width; ++x)
                differing += pixel(shown, x, y) != pixel(source, x, y + 45 * k);
        EXPECT_EQ(differing, 0) << "value " << value << " frame " << k;
        cairo_surface_destroy(shown);
    }
    meter->forget();
}

}  // namespace
}  // namespace lumdel::test

namespace lumdel::test {
namespace {

// A derived control may store any value directly; drawing stays sound.
template <typename Base>
struct RawValue : Base {
    using Base::Base;
    void force(float v) { this->value = v; }
};

TEST(BadValueTest, NotANumberOrHugeValuesDrawAnEndFrame) {
    TestFrame frame(40, 10);
    CBitmap* strip = makeStrip(5, 10, 10);
    auto* movie = new RawValue<CMovieBitmap>(CRect(0, 0, 10, 10), nullptr, 0, 5, 10, strip);
    auto* knob = new RawValue<CAnimKnob>(CRect(10, 0, 20, 10), nullptr, 0, 5, 10, strip);
    auto* sw = new RawValue<CHorizontalSwitch>(CRect(20, 0, 30, 10), nullptr, 0, 5, 10, 5, strip);
    strip->forget();
    frame->addView(movie);
    frame->addView(knob);
    frame->addView(sw);
    movie->force(std::nanf(""));
    knob->force(std::nanf(""));
    sw->force(1e30f);
    cairo_surface_t* s = frame->renderToSurface();
    EXPECT_EQ(pixel(s, 5, 5), colourOf(0));
    EXPECT_EQ(pixel(s, 15, 5), colourOf(0));
    EXPECT_EQ(pixel(s, 25, 5), colourOf(4));
    cairo_surface_destroy(s);
    knob->force(-1e30f);
    movie->force(std::numeric_limits<float>::infinity());
    s = frame->renderToSurface();
    EXPECT_EQ(pixel(s, 5, 5), colourOf(4));
    EXPECT_EQ(pixel(s, 15, 5), colourOf(0));
    cairo_surface_destroy(s);
}

}  // namespace
}  // namespace lumdel::test
