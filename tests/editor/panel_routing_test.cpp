// What the effect tells the editor: parameter changes reach the one control that shows
// them (only for the shown channel), the tempo reaches the tempo slider, the channel
// link follows preset loads; all of it while open, closed, and from another thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "PanelFixture.h"
#include "core/ParameterTable.h"

using namespace lumdel;
using namespace lumdel::test;

namespace {

using PanelRoutingTest = PanelTest;

TEST_F(PanelRoutingTest, ChannelParametersShowOnlyForTheShownChannel) {
    ASSERT_TRUE(openOffscreen());
    orv->setParameter(kFbGainL, 0.2f);
    const float before = value(panel_tag::kFbGain);
    orv->setParameter(kFbGainR, 0.8f);
    EXPECT_EQ(value(panel_tag::kFbGain), before);
    click(69, 116);  // RIGHT
    EXPECT_FLOAT_EQ(value(panel_tag::kFbGain), 0.8f);
    orv->setParameter(kFbGainL, 0.3f);
    EXPECT_FLOAT_EQ(value(panel_tag::kFbGain), 0.8f);
    orv->setParameter(kDlyPanR, 0.35f);
    EXPECT_FLOAT_EQ(value(panel_tag::kDlyPan), 0.35f);
}

TEST_F(PanelRoutingTest, SlidersTakeTheSquareRoot) {
    ASSERT_TRUE(openOffscreen());
    orv->setParameter(kDlyTimeL, 0.25f);
    EXPECT_FLOAT_EQ(value(panel_tag::kDlyTime), 0.5f);
    orv->setParameter(kLFORate, 0.09f);
    EXPECT_FLOAT_EQ(value(kLFORate), 0.3f);
    orv->setTempoNorm(90.0f / 370.0f);  // 120 BPM
    EXPECT_NEAR(value(panel_tag::kTempo), std::sqrt(90.0f / 370.0f), 1e-6);
    EXPECT_NEAR(value(panel_tag::kTempo), 0.4932f, 1e-4);
}

TEST_F(PanelRoutingTest, SingleParametersReachTheirControlsAndReadoutOnesReachNone) {
    ASSERT_TRUE(openOffscreen());
    for (int index : {kInput, kOutput, kMix, kLFOWave, kCutoff, kRvbAmt, kBypass, kVcoOn,
                      kLfoMode, kFltType, kDucking, kResoMod}) {
        orv->setParameter(index, 0.61f);
        EXPECT_FLOAT_EQ(value(index), 0.61f) << index;
    }
    // Indices shown only by the readout change no control.
    std::vector<float> before;
    for (int i = 0; i < Editor::kNumControls; ++i) before.push_back(editor->controlAt(i)->getValue());
    for (int index : {int(kDlyNumL), int(kDlyDenR), int(kLfoNum), int(kLfoDen), int(kPreNumL),
                      int(kPreDenR), 70, 119})
        orv->setParameter(index, 0.4f);
    for (int i = 0; i < Editor::kNumControls; ++i)
        EXPECT_EQ(editor->controlAt(i)->getValue(), before[i]) << "slot " << i;
}

TEST_F(PanelRoutingTest, WhileClosedOnlyTheLinkFlagChanges) {
    orv->setParameter(kCutoff, 0.1f);
    editor->linkChannels();
    EXPECT_TRUE(editor->linkActive());
    editor->tempoChanged(200.0f);
    editor->unlinkChannels();
    EXPECT_FALSE(editor->linkActive());
    editor->linkChannels();
    ASSERT_TRUE(openOffscreen());
    EXPECT_FLOAT_EQ(value(panel_tag::kLink), 1.0f);
    EXPECT_FLOAT_EQ(value(kCutoff), 0.1f);
    closeEditor();
    orv->setParameter(kCutoff, 0.9f);  // nothing to show it on
    ASSERT_TRUE(openOffscreen());
    EXPECT_FLOAT_EQ(value(kCutoff), 0.9f);
}

TEST_F(PanelRoutingTest, PresetLoadUnlinksAndRelinksMatchingChannels) {
    ASSERT_TRUE(openOffscreen());
    // A preset whose channels differ leaves the link off.
    orv->setCurrentPreset(0);
    const bool linked0 = orv->channelsLinked();
    EXPECT_EQ(editor->linkActive(), linked0);
    EXPECT_EQ(value(panel_tag::kLink), linked0 ? 1.0f : 0.0f);
    // Make preset 5's channels match: the load links them.
    orv->setCurrentPreset(5);
    for (int left : {kFbGainL, kFbPanL, kDlyPanL, kDlyGateL, kFbInvL, kMuteInL, kDlyInvL,
                     kDlyModeL, kRangeL, kDlyNumL, kDlyDenL, kDlyTimeL, kPreNumL, kPreDenL}) {
        const bool mirrored = left == kFbPanL || left == kDlyPanL;
        const float v = orv->getParameter(left);
        orv->setParameter(left + 1, mirrored ? 1.0f - v : v);
    }
    editor->unlinkChannels();
    orv->setCurrentPreset(5);
    ASSERT_TRUE(orv->channelsLinked());
    EXPECT_TRUE(editor->linkActive());
    EXPECT_EQ(value(panel_tag::kLink), 1.0f);
}

TEST_F(PanelRoutingTest, FastAutomationFromAnotherThreadOnlyStoresValues) {
    ASSERT_TRUE(openOffscreen());
    std::atomic<bool> stop{false};
    std::thread automation([&] {
        unsigned seed = 7;
        for (int round = 0; round < 400 && !stop; ++round)
            for (int index = 0; index < kNumParams; ++index) {
                if (index == kRvbType) continue;  // takes the engine lock
                seed = seed * 1103515245u + 12345u;
                host->setParameter(index, static_cast<float>((seed >> 8) % 1000) / 999.0f);
            }
    });
    for (int i = 0; i < 40; ++i) {
        ticks += 20;
        idle();
    }
    automation.join();
    for (int index : {kInput, kCutoff, kBypass, kLFOWave})
        EXPECT_FLOAT_EQ(value(index), orv->getParameter(index)) << index;
    EXPECT_FLOAT_EQ(value(panel_tag::kFbGain), orv->getParameter(kFbGainL));
    idle();
}

}  // namespace
