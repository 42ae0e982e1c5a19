// The panel's own control classes against synthetic mouse and wheel events.
#include <gtest/gtest.h>

#include "editor/CInvisibleSlider.h"
#include "editor/OrvAnimKnob.h"
#include "editor/OrvKickButton.h"
#include "editor/OrvOnOffButton.h"
#include "editor/OrvSwitchVert.h"
#include "toolkit/ToolkitTestSupport.h"

using namespace lumdel::test;

namespace {

// Remembers the lamp's modifiedClick as the listener sees it.
struct LampListener : RecordingListener {
    std::vector<bool> modified;
    void valueChanged(CControl* c) override {
        RecordingListener::valueChanged(c);
        if (auto* b = dynamic_cast<OrvOnOffButton*>(c)) modified.push_back(b->modifiedClick);
    }
};

class CustomControlsTest : public ::testing::Test {
protected:
    // The stub first: the frame asks its editor for the scale when it is made.
    StubEditor stub;
    CFrame* frame = new CFrame(CRect(0, 0, 400, 200), nullptr, &stub);
    void TearDown() override { frame->close(); }
    LampListener listener;
};

TEST_F(CustomControlsTest, OnOffButtonTogglesBetweenQuarterStepsAndReportsModifiedClicks) {
    auto* lamp = new OrvOnOffButton(CRect(10, 10, 34, 30), &listener, 62, makeStrip(2, 24, 20));
    lamp->getBackground()->forget();
    frame->addView(lamp);
    CPoint p(15, 15);
    EXPECT_EQ(frame->onMouseDown(p, kLButton), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(lamp->getValue(), 0.75f);
    frame->onMouseDown(p, kLButton);
    EXPECT_FLOAT_EQ(lamp->getValue(), 0.25f);
    frame->onMouseDown(p, kRButton);
    EXPECT_FLOAT_EQ(lamp->getValue(), 0.75f);
    frame->onMouseDown(p, kLButton | kControl);
    EXPECT_FLOAT_EQ(lamp->getValue(), 0.25f);
    EXPECT_EQ(frame->onMouseDown(p, kMButton), kMouseEventNotHandled);
    EXPECT_EQ(listener.modified, (std::vector<bool>{false, false, true, true}));
    EXPECT_FALSE(lamp->modifiedClick);
    EXPECT_EQ(listener.kinds(), "bvebvebvebve");
    // A value of exactly 1 (set by the effect) toggles to 0.25.
    lamp->setValue(1.0f);
    frame->onMouseDown(p, kLButton);
    EXPECT_FLOAT_EQ(lamp->getValue(), 0.25f);
}

TEST_F(CustomControlsTest, OnOffButtonDrawsTheOnFrameFromTheUpperStep) {
    auto* lamp = new OrvOnOffButton(CRect(0, 0, 24, 20), &listener, 41, makeStrip(2, 24, 20));
    lamp->getBackground()->forget();
    frame->addView(lamp);
    lamp->setValue(0.49f);
    cairo_surface_t* s = frame->renderToSurface();
    EXPECT_EQ(pixel(s, 5, 5), colourOf(0));
    cairo_surface_destroy(s);
    lamp->setValue(0.5f);
    s = frame->renderToSurface();
    EXPECT_EQ(pixel(s, 5, 5), colourOf(1));
    cairo_surface_destroy(s);
}

TEST_F(CustomControlsTest, KickButtonReportsStepModifierOncePerPress) {
    auto* kick = new OrvKickButton(CRect(10, 10, 29, 29), &listener, 76, 19, makeStrip(2, 19, 19),
                                   CPoint());
    kick->getBackground()->forget();
    frame->addView(kick);
    EXPECT_FLOAT_EQ(kick->getValue(), 0.0f);
    CPoint p(15, 15);
    const std::pair<std::int32_t, float> cases[] = {
        {kLButton, 1.0f}, {kLButton | kShift, 10.0f}, {kLButton | kControl, 100.0f},
        {kLButton | kShift | kControl, 100.0f}};
    for (const auto& [buttons, modifier] : cases) {
        listener.clear();
        EXPECT_EQ(frame->onMouseDown(p, buttons), kMouseEventHandled);
        EXPECT_FLOAT_EQ(kick->getValue(), 1.0f);
        EXPECT_FLOAT_EQ(kick->stepModifier, modifier);
        CPoint away(300, 150);
        frame->onMouseMoved(away, buttons);
        frame->onMouseUp(away, buttons);
        EXPECT_FLOAT_EQ(kick->getValue(), 0.0f);
        EXPECT_EQ(listener.kinds(), "bve");
    }
    EXPECT_EQ(frame->onMouseDown(p, kRButton), kMouseEventNotHandled);
}

TEST_F(CustomControlsTest, SwitchVertTakesThePositionFromTheClickOnly) {
    auto* sw = new OrvSwitchVert(CRect(100, 20, 116, 76), &listener, 9, 5, 56, 5,
                                 makeStrip(5, 16, 56), CPoint());
    sw->getBackground()->forget();
    frame->addView(sw);
    CPoint bottom(105, 75);
    EXPECT_EQ(frame->onMouseDown(bottom, kLButton),
              kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.8f);
    CPoint top(105, 20);
    frame->onMouseDown(top, kLButton);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.0f);
    CPoint middle(105, 20 + 56 * 0.5);
    frame->onMouseDown(middle, kLButton);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.4f);
    listener.clear();
    frame->onMouseDown(middle, kLButton);  // same position: no change reported
    EXPECT_EQ(listener.kinds(), "be");
    EXPECT_EQ(frame->onMouseDown(middle, kRButton), kMouseEventNotHandled);
    // Drawn frame: toStep(value, 5).
    sw->setValue(0.79f);
    cairo_surface_t* s = frame->renderToSurface();
    EXPECT_EQ(pixel(s, 105, 30), colourOf(3));
    cairo_surface_destroy(s);
}

TEST_F(CustomControlsTest, InvisibleSliderDragsAtItsScalesAndSwitchesWithoutJump) {
    auto* slider = new CInvisibleSlider(CRect(100, 100, 120, 120), &listener, 90);
    frame->addView(slider);
    slider->setValue(0.5f);
    CPoint p(110, 110);
    EXPECT_EQ(frame->onMouseDown(p, kLButton), kMouseEventHandled);
    CPoint upward(110, 10);
    frame->onMouseMoved(upward, kLButton);
    EXPECT_NEAR(slider->getValue(), 0.6f, 1e-5);
    // Shift during the drag: 1/5000 per pixel from here on, no jump.
    frame->onMouseMoved(upward, kLButton | kShift);
    EXPECT_NEAR(slider->getValue(), 0.6f, 1e-5);
    CPoint further(110, -40);
    frame->onMouseMoved(further, kLButton | kShift);
    EXPECT_NEAR(slider->getValue(), 0.61f, 1e-5);
    // Rightward counts half.
    CPoint right(210, -40);
    frame->onMouseMoved(right, kLButton | kShift);
    EXPECT_NEAR(slider->getValue(), 0.62f, 1e-5);
    frame->onMouseUp(right, 0);
    EXPECT_FALSE(slider->isDragging());
    EXPECT_EQ(listener.events.front().kind, 'b');
    EXPECT_EQ(listener.events.back().kind, 'e');

    // Shift at the press: 1/4000 per pixel.
    slider->setValue(0.5f);
    frame->onMouseDown(p, kLButton | kShift);
    CPoint up400(110, -290);
    frame->onMouseMoved(up400, kLButton | kShift);
    EXPECT_NEAR(slider->getValue(), 0.6f, 1e-5);
    frame->onMouseUp(up400, 0);
    EXPECT_EQ(frame->onMouseDown(p, kRButton), kMouseEventNotHandled);
}

TEST_F(CustomControlsTest, InvisibleSliderWheelIgnoresItsIncrementAndStopsAtTheEnds) {
    auto* slider = new CInvisibleSlider(CRect(0, 0, 20, 20), &listener, 61);
    slider->setWheelInc(0.0008f);
    frame->addView(slider);
    slider->setValue(0.5f);
    EXPECT_TRUE(frame->onWheel(CPoint(5, 5), 2.0f, 0));
    EXPECT_NEAR(slider->getValue(), 0.51f, 1e-6);
    frame->onWheel(CPoint(5, 5), -1.0f, kShift);
    EXPECT_NEAR(slider->getValue(), 0.5097f, 1e-6);
    slider->setValue(0.998f);
    frame->onWheel(CPoint(5, 5), 1.0f, 0);
    EXPECT_FLOAT_EQ(slider->getValue(), 1.0f);
    EXPECT_EQ(listener.kinds(), "bvebvebve");
    EXPECT_TRUE(slider->isTypeOf("CInvisibleSlider"));
    EXPECT_TRUE(slider->isTypeOf("CControl"));
}

TEST_F(CustomControlsTest, AnimKnobDrawsTruncatedFrameIntoItsDrawRect) {
    auto* knob = new OrvAnimKnob(CRect(10, 10, 45, 45), &listener, 15, 101, 37,
                                 makeStrip(101, 36, 37), CPoint(2, 2), CRect(11, 11, 44, 44));
    knob->getBackground()->forget();
    frame->addView(knob);
    EXPECT_FLOAT_EQ(knob->getZoomFactor(), 5.0f);
    knob->setValue(0.999f);
    EXPECT_EQ(knob->getFrameIndex(), 99);
    knob->setValue(1.0f);
    EXPECT_EQ(knob->getFrameIndex(), 100);
    knob->setValue(0.5f);
    cairo_surface_t* s = frame->renderToSurface();
    EXPECT_EQ(pixel(s, 20, 20), colourOf(50));
    EXPECT_NE(pixel(s, 10, 10), colourOf(50));  // the control's border is not drawn
    cairo_surface_destroy(s);

    // Linear drag: 200 px per range, 1000 px with shift.
    AEffGUIEditor::knobMode = kLinearMode;
    knob->setValue(0.0f);
    CPoint p(20, 20);
    frame->onMouseDown(p, kLButton);
    CPoint q(20, -80);
    frame->onMouseMoved(q, kLButton);
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5);
    frame->onMouseMoved(q, kLButton | kShift);  // shift pressed: no jump
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5);
    CPoint r(20, -180);
    frame->onMouseMoved(r, kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-5);
    frame->onMouseUp(r, 0);
}

TEST_F(CustomControlsTest, AnimKnobWithoutItsImageStillTakesTheMouseAndDrawsNothing) {
    auto* missing = new CBitmap(9999);
    ASSERT_FALSE(missing->isLoaded());
    auto* knob = new OrvAnimKnob(CRect(10, 10, 45, 45), &listener, 15, 101, 37, missing,
                                 CPoint(2, 2), CRect(11, 11, 44, 44));
    missing->forget();
    frame->addView(knob);
    cairo_surface_t* s = frame->renderToSurface();
    cairo_surface_destroy(s);
    AEffGUIEditor::knobMode = kLinearMode;
    CPoint p(20, 20);
    EXPECT_EQ(frame->onMouseDown(p, kLButton), kMouseEventHandled);
    CPoint q(20, 0);
    frame->onMouseMoved(q, kLButton);
    frame->onMouseUp(q, 0);
    EXPECT_NEAR(knob->getValue(), 0.1f, 1e-5);
    s = frame->renderToSurface();
    cairo_surface_destroy(s);
    EXPECT_FALSE(knob->isDirty());
}

}  // namespace
