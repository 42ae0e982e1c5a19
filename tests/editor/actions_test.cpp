// What the panel's controls do to the effect, driven through the frame's mouse events
// (or, for knobs, by the value the toolkit hands the editor).
#include <gtest/gtest.h>

#include <cmath>

#include "PanelFixture.h"
#include "editor/OrvOnOffButton.h"
#include "core/ParameterTable.h"

using namespace lumdel;
using namespace lumdel::test;

namespace {

constexpr double kLinkX = 73, kLinkY = 80;
constexpr double kRightX = 69, kRightY = 116;
constexpr double kLeftX = 69, kLeftY = 38;
constexpr double kPreNumX = 99, kPreDenX = 135, kPreY = 33;
constexpr double kMainNumX = 99, kMainDenX = 135, kMainY = 122;
constexpr double kModNumX = 305, kModDenX = 341, kModY = 122;

class ActionsTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        ASSERT_TRUE(openOffscreen());
        editor->unlinkChannels();
    }
    // The toolkit's way of reporting a knob turned to v.
    void turn(std::int32_t tag, float v) {
        CControl* c = editor->control(tag);
        c->beginEdit();
        c->setValue(v);
        c->valueChanged();
        c->endEdit();
    }
    void beatMode(bool on) { orv->setParameter(kDlyModeL, on ? 0.75f : 0.25f); }
    float lfoHz() const { return std::pow(16.0f, param(kLFORate)) - 1.0f; }
};

TEST_F(ActionsTest, LinkedPanKnobsMirrorAndUnlinkedOnesDoNot) {
    click(kLinkX, kLinkY);
    ASSERT_TRUE(editor->linkActive());
    turn(panel_tag::kFbPan, 0.2f);
    EXPECT_FLOAT_EQ(param(kFbPanL), 0.2f);
    EXPECT_FLOAT_EQ(param(kFbPanR), 0.8f);
    turn(panel_tag::kFbGain, 0.4f);
    EXPECT_FLOAT_EQ(param(kFbGainR), 0.4f);
    click(kLinkX, kLinkY);
    ASSERT_FALSE(editor->linkActive());
    turn(panel_tag::kFbPan, 0.3f);
    EXPECT_FLOAT_EQ(param(kFbPanL), 0.3f);
    EXPECT_FLOAT_EQ(param(kFbPanR), 0.8f);
}

TEST_F(ActionsTest, ChannelKnobEditsBracketBothChannelsWhileLinked) {
    click(kLinkX, kLinkY);
    host->edits.clear();
    turn(panel_tag::kDlyGate, 0.5f);
    ASSERT_EQ(host->edits.size(), 4u);
    EXPECT_EQ(host->edits[0].index, kDlyGateL);
    EXPECT_TRUE(host->edits[0].begin);
    EXPECT_EQ(host->edits[1].index, kDlyGateR);
    EXPECT_TRUE(host->edits[1].begin);
    EXPECT_EQ(host->edits[2].index, kDlyGateR);
    EXPECT_FALSE(host->edits[2].begin);
    EXPECT_EQ(host->edits[3].index, kDlyGateL);
    EXPECT_FALSE(host->edits[3].begin);
    EXPECT_EQ(editor->editTag(), -1);
}

TEST_F(ActionsTest, LampsOfTheShownChannelAndSingleParameters) {
    click(264, 47);  // feedback phase lamp
    EXPECT_FLOAT_EQ(param(kFbInvL), 0.75f);
    EXPECT_FLOAT_EQ(param(kFbInvR), orv->getParameter(kFbInvR));
    click(kRightX, kRightY);
    click(264, 77);  // input mute lamp, right channel
    EXPECT_GE(toStep(param(kMuteInR), 2), 0);
    EXPECT_EQ(toStep(param(kMuteInR), 2), toStep(value(panel_tag::kMuteIn), 2));
    const float bypass = param(kBypass);
    click(348, 63);
    EXPECT_NE(toStep(param(kBypass), 2), toStep(bypass, 2));
    click(367, 84);  // the LFO shape column, top: the first shape
    EXPECT_FLOAT_EQ(param(kLFOWave), 0.0f);
}

TEST_F(ActionsTest, KnobWheelStepsByAThirtySecondAndControlClickResets) {
    orv->setParameter(kCutoff, 0.5f);
    wheel(695, 46, 1.0f);
    EXPECT_FLOAT_EQ(param(kCutoff), 0.53125f);
    wheel(695, 46, -1.0f, kShift);
    EXPECT_FLOAT_EQ(param(kCutoff), 0.528125f);
    host->edits.clear();
    down(695, 46, kLButton | kControl);
    EXPECT_FLOAT_EQ(param(kCutoff), 1.0f);  // the Cutoff knob's default
    ASSERT_EQ(host->edits.size(), 2u);
    EXPECT_EQ(host->edits[0].index, kCutoff);
    // Slide switches reset too; the LFO shape column does not.
    orv->setParameter(kFltType, 1.0f);
    down(647, 61, kLButton | kControl);
    EXPECT_FLOAT_EQ(param(kFltType), 0.0f);
    orv->setParameter(kLFOWave, 0.8f);
    down(367, 84, kLButton | kControl);
    EXPECT_FLOAT_EQ(param(kLFOWave), 0.0f);  // a plain position pick at the top
}

TEST_F(ActionsTest, ChannelButtonsSwitchTheSharedControls) {
    const int lefts[] = {kFbPanL, kFbGainL, kDlyPanL, kDlyGateL, kFbInvL, kMuteInL, kDlyInvL,
                         kDlyModeL, kRangeL};
    const std::int32_t tags[] = {83, 84, 85, 86, 93, 96, 94, 88, 89};
    for (int i = 0; i < 9; ++i) {
        orv->setParameter(lefts[i], 0.0f);
        orv->setParameter(lefts[i] + 1, 1.0f);
    }
    orv->setParameter(kDlyTimeL, 0.04f);
    orv->setParameter(kDlyTimeR, 0.16f);
    click(kRightX, kRightY);
    EXPECT_TRUE(editor->channelRight());
    for (int i = 0; i < 9; ++i)
        EXPECT_FLOAT_EQ(value(tags[i]), param(lefts[i] + 1)) << tags[i];
    EXPECT_FLOAT_EQ(value(panel_tag::kDlyTime), std::sqrt(param(kDlyTimeR)));
    EXPECT_FLOAT_EQ(value(panel_tag::kRight), 0.0f);
    EXPECT_FLOAT_EQ(value(panel_tag::kLeft), 1.0f);
    // RIGHT again: only the RIGHT button's value, back to selected.
    click(kRightX, kRightY);
    EXPECT_TRUE(editor->channelRight());
    EXPECT_FLOAT_EQ(value(panel_tag::kRight), 0.0f);
    EXPECT_FLOAT_EQ(value(panel_tag::kLeft), 1.0f);
    click(kLeftX, kLeftY);
    EXPECT_FALSE(editor->channelRight());
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(value(tags[i]), param(lefts[i])) << tags[i];
    EXPECT_FLOAT_EQ(value(panel_tag::kLeft), 0.0f);
    EXPECT_FLOAT_EQ(value(panel_tag::kRight), 1.0f);
}

TEST_F(ActionsTest, ModifiedLinkClickCopiesAllFourteenPairs) {
    const int lefts[] = {kFbGainL, kFbPanL, kDlyPanL, kDlyGateL, kFbInvL, kMuteInL, kDlyInvL,
                         kDlyModeL, kRangeL, kDlyNumL, kDlyDenL, kDlyTimeL, kPreNumL, kPreDenL};
    // A plain click on the unlit lamp only turns the link on.
    orv->setParameter(kFbGainR, 0.9f);
    click(kLinkX, kLinkY);
    EXPECT_TRUE(editor->linkActive());
    EXPECT_FLOAT_EQ(param(kFbGainR), 0.9f);
    click(kLinkX, kLinkY);
    ASSERT_FALSE(editor->linkActive());

    orv->setParameter(kFbGainL, 0.3f);
    orv->setParameter(kFbPanL, 0.2f);
    orv->setParameter(kDlyPanL, 0.1f);
    orv->setParameter(kPreNumL, 0.9f);
    host->edits.clear();
    click(kLinkX, kLinkY, kLButton | kControl);
    EXPECT_TRUE(editor->linkActive());
    EXPECT_FLOAT_EQ(value(panel_tag::kLink), 0.75f);
    for (int left : lefts) {
        const bool mirrored = left == kFbPanL || left == kDlyPanL;
        EXPECT_NEAR(param(left + 1), mirrored ? 1.0f - param(left) : param(left), 1e-6) << left;
    }
    // Each copy is an automated edit of the other channel's index.
    ASSERT_EQ(host->edits.size(), 28u);
    EXPECT_EQ(host->edits[0].index, kFbGainR);
    EXPECT_EQ(host->edits[27].index, kPreDenR);

    // A right click on the lit lamp copies again and keeps link and lamp on.
    orv->setParameter(kFbGainL, 0.6f);
    click(kLinkX, kLinkY, kRButton);
    EXPECT_TRUE(editor->linkActive());
    EXPECT_EQ(toStep(value(panel_tag::kLink), 2), 1);
    EXPECT_FLOAT_EQ(param(kFbGainR), 0.6f);
}

TEST_F(ActionsTest, FromTheRightChannelTheCopyGoesLeft) {
    click(kRightX, kRightY);
    orv->setParameter(kFbPanR, 0.7f);
    orv->setParameter(kDlyGateR, 0.45f);
    orv->setParameter(kFbPanL, 0.5f);
    click(kLinkX, kLinkY, kRButton);
    EXPECT_TRUE(editor->linkActive());
    EXPECT_NEAR(param(kFbPanL), 0.3f, 1e-6);
    EXPECT_FLOAT_EQ(param(kDlyGateL), 0.45f);
    EXPECT_NEAR(param(kFbPanR), 0.7f, 1e-6);
    // Linked lamps of the right channel set both.
    click(264, 112);  // delay phase lamp
    EXPECT_EQ(toStep(param(kDlyInvL), 2), toStep(param(kDlyInvR), 2));
    EXPECT_EQ(toStep(param(kDlyInvR), 2), toStep(value(panel_tag::kDlyInv), 2));
}

TEST_F(ActionsTest, MainStepsInBeatModeWrapAround) {
    beatMode(true);
    orv->setParameter(kDlyNumL, fromStep(4, 5));
    click(kMainNumX, kMainY);
    EXPECT_FLOAT_EQ(param(kDlyNumL), 0.1f);
    click(kMainNumX, kMainY, kLButton | kShift);
    EXPECT_FLOAT_EQ(param(kDlyNumL), 0.9f);
    orv->setParameter(kDlyDenL, fromStep(12, 13));
    click(kMainDenX, kMainY);
    EXPECT_FLOAT_EQ(param(kDlyDenL), fromStep(0, 13));
    click(kMainDenX, kMainY, kLButton | kControl);
    EXPECT_FLOAT_EQ(param(kDlyDenL), fromStep(12, 13));
    // Each step is an automated edit.
    host->edits.clear();
    click(kMainDenX, kMainY);
    ASSERT_EQ(host->edits.size(), 2u);
    EXPECT_EQ(host->edits[0].index, kDlyDenL);
}

TEST_F(ActionsTest, FineTimeNudgesAreClamped) {
    beatMode(false);
    orv->setParameter(kDlyTimeL, 0.0005f);
    click(kMainNumX, kMainY);
    EXPECT_FLOAT_EQ(param(kDlyTimeL), 0.0f);
    orv->setParameter(kDlyTimeL, 0.95f);
    click(kMainDenX, kMainY, kLButton | kControl);
    EXPECT_FLOAT_EQ(param(kDlyTimeL), 1.0f);
    orv->setParameter(kDlyTimeL, 0.5f);
    click(kMainDenX, kMainY, kLButton | kShift);
    EXPECT_NEAR(param(kDlyTimeL), 0.51f, 1e-6);
    click(kMainNumX, kMainY);
    EXPECT_NEAR(param(kDlyTimeL), 0.509f, 1e-6);
}

TEST_F(ActionsTest, LinkedTimeEditsCopyTheChannel) {
    beatMode(false);
    click(kLinkX, kLinkY);
    orv->setParameter(kDlyTimeL, 0.3f);
    click(kMainDenX, kMainY);
    EXPECT_NEAR(param(kDlyTimeR), param(kDlyTimeL), 0.011f);
    EXPECT_NEAR(param(kDlyTimeL), 0.301f, 1e-6);
    // Pre-delay steps carry both fraction halves over.
    orv->setParameter(kPreNumL, fromStep(2, 6));
    orv->setParameter(kPreDenL, fromStep(5, 13));
    click(kPreNumX, kPreY);
    EXPECT_FLOAT_EQ(param(kPreNumL), fromStep(3, 6));
    EXPECT_FLOAT_EQ(param(kPreNumR), fromStep(3, 6));
    EXPECT_FLOAT_EQ(param(kPreDenR), fromStep(5, 13));
    click(kPreDenX, kPreY, kLButton | kShift);
    EXPECT_FLOAT_EQ(param(kPreDenL), fromStep(4, 13));
    EXPECT_FLOAT_EQ(param(kPreDenR), fromStep(4, 13));
    // Pre-delay numerator wraps over its six steps.
    orv->setParameter(kPreNumL, fromStep(5, 6));
    click(kPreNumX, kPreY);
    EXPECT_FLOAT_EQ(param(kPreNumL), fromStep(0, 6));
}

TEST_F(ActionsTest, DelayTimeSliderCurveAndBeatModeReturn) {
    beatMode(false);
    turn(panel_tag::kDlyTime, 0.5f);
    EXPECT_FLOAT_EQ(param(kDlyTimeL), 0.25f);
    turn(panel_tag::kDlyTime, 0.0316f);
    EXPECT_FLOAT_EQ(param(kDlyTimeL), 0.0f);
    beatMode(true);
    const float time = param(kDlyTimeL);
    turn(panel_tag::kDlyTime, 0.9f);
    EXPECT_FLOAT_EQ(param(kDlyTimeL), time);
    EXPECT_FLOAT_EQ(value(panel_tag::kDlyTime), std::sqrt(time));
}

TEST_F(ActionsTest, RangeSwitchActsOnlyInFreeTime) {
    beatMode(false);
    click(126, 61);  // right end: 5 s
    EXPECT_EQ(toStep(param(kRangeL), 3), 2);
    beatMode(true);
    const float range = param(kRangeL);
    click(106, 61);
    EXPECT_FLOAT_EQ(param(kRangeL), range);
    EXPECT_FLOAT_EQ(value(panel_tag::kRange), range);
    // The time mode switch sends the mode and takes range and time back.
    click(111, 94);  // left: time
    EXPECT_EQ(toStep(param(kDlyModeL), 2), 0);
    EXPECT_FLOAT_EQ(value(panel_tag::kRange), param(kRangeL));
    EXPECT_FLOAT_EQ(value(panel_tag::kDlyTime), std::sqrt(param(kDlyTimeL)));
}

TEST_F(ActionsTest, ModulationStepsAndRateSlider) {
    orv->setParameter(kLfoMode, 0.0f);  // free rate
    orv->setParameter(kLFORate, std::log10(1.01f) / std::log10(16.0f));
    click(kModNumX, kModY);
    EXPECT_NEAR(lfoHz(), 0.01f, 1e-5);
    click(kModDenX, kModY, kLButton | kControl);  // still 0.001 Hz
    EXPECT_NEAR(lfoHz(), 0.011f, 1e-5);
    orv->setParameter(kLFORate, 1.0f);
    click(kModDenX, kModY);
    EXPECT_NEAR(lfoHz(), 15.0f, 1e-3);

    turn(kLFORate, 0.5f);
    EXPECT_FLOAT_EQ(param(kLFORate), 0.25f);
    turn(kLFORate, 0.0f);
    EXPECT_NEAR(param(kLFORate), 0.003589f, 1e-6);

    orv->setParameter(kLfoMode, 0.5f);  // tempo-related
    const float rate = param(kLFORate);
    turn(kLFORate, 0.9f);
    EXPECT_FLOAT_EQ(param(kLFORate), rate);
    EXPECT_FLOAT_EQ(value(kLFORate), std::sqrt(rate));
    orv->setParameter(kLfoNum, fromStep(4, 5));
    click(kModNumX, kModY);
    EXPECT_FLOAT_EQ(param(kLfoNum), fromStep(0, 5));
    orv->setParameter(kLfoDen, fromStep(0, 13));
    click(kModDenX, kModY, kLButton | kShift);
    EXPECT_FLOAT_EQ(param(kLfoDen), fromStep(12, 13));
}

TEST_F(ActionsTest, TempoSliderOnlyWithoutAHostTempo) {
    ASSERT_FALSE(orv->hostTempoValid());
    down(330, 35);
    move(330, 35 - 2000, kLButton);  // dragged far up: the top
    up(330, -1965, 0);
    EXPECT_NEAR(orv->hostTempo(), 400.0, 1e-3);
    EXPECT_FLOAT_EQ(value(panel_tag::kTempo), 1.0f);

    host->setTempo(120.0);
    host->start();
    host::Buffers<float> in(4, 64), out(2, 64);
    host->process(in.get(), out.get(), 64);
    ASSERT_TRUE(orv->hostTempoValid());
    const double tempo = orv->hostTempo();
    down(330, 35);
    move(330, 500, kLButton);
    up(330, 500, 0);
    EXPECT_EQ(orv->hostTempo(), tempo);
}

}  // namespace
