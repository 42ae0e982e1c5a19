// Parameter application on the plug-in core alone (no host format, no editor, no
// settings folder): the delay-timing rules, tempo, bad values. What each curve makes of
// a value is pinned by the parameter fingerprint.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "LoopbackHost.h"
#include "core/ParameterTable.h"
#include "core/PluginCore.h"

using namespace lumdel;

namespace {

class CoreParameterTest : public ::testing::Test {
protected:
    void SetUp() override {
        core = std::make_unique<PluginCore>(host);
        host.core = core.get();
        // As the plug-in starts: factory preset 0.
        for (int i = 0; i < kNumParams; ++i)
            core->applyParameter(i, static_cast<float>(kParams[i].preset0));
        core->resume();
    }
    const EngineState& state() const { return core->engineState(); }

    LoopbackHost host;
    std::unique_ptr<PluginCore> core;
};

}  // namespace

TEST_F(CoreParameterTest, SynchronisedTimesFollowTheTempo) {
    core->applyParameter(kDlyNumL, fromStep(0, 5));
    core->applyParameter(kDlyDenL, fromStep(3, 13));
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 500.0);
    core->applyParameter(kDlyNumL, fromStep(1, 5));
    core->applyParameter(kDlyDenL, fromStep(7, 13));
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 375.0);
    // 9/1 at 30 BPM: 72000 ms, held at 5000 and flagged.
    core->setTempoNorm(0.0f);
    core->applyParameter(kDlyNumL, fromStep(4, 5));
    core->applyParameter(kDlyDenL, fromStep(0, 13));
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 5000.0);
    EXPECT_TRUE(core->syncOutOfRange(1));
    EXPECT_FALSE(core->syncOutOfRange(2));
    EXPECT_FLOAT_EQ(core->tempoNorm(), 0.0f);
    // LFO at 120 BPM, 1/96: 48 Hz, held at 15.
    core->setTempoNorm(90.0f / 370.0f);
    core->applyParameter(kLfoMode, 0.5f);
    core->applyParameter(kLfoNum, fromStep(0, 5));
    core->applyParameter(kLfoDen, fromStep(12, 13));
    EXPECT_DOUBLE_EQ(state().lfoRateHz, 15.0);
    EXPECT_TRUE(core->syncOutOfRange(4));
    // Pre-delay 9/2 is more than the delay.
    core->applyParameter(kPreNumL, fromStep(5, 6));
    core->applyParameter(kPreDenL, fromStep(1, 13));
    EXPECT_TRUE(core->syncOutOfRange(8));
    EXPECT_FALSE(core->syncOutOfRange(16));
    EXPECT_FALSE(core->syncOutOfRange(3));
}

TEST_F(CoreParameterTest, FreeTimeRangesAndSyncSwitching) {
    // 500 ms synchronised, then free: range 1000 ms and time value 0.5.
    core->applyParameter(kDlyModeL, 0.0f);
    EXPECT_EQ(state().channels.range[0], 1);
    EXPECT_FLOAT_EQ(core->getParameter(kRangeL), 0.5f);
    EXPECT_FLOAT_EQ(core->getParameter(kDlyTimeL), 0.5f);
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 500.0);
    // Range 5000 ms, time 700 ms, then range 100 ms: held at 100 ms, value 1.
    core->applyParameter(kRangeL, fromStep(2, 3));
    core->applyParameter(kDlyTimeL, 0.14f);
    EXPECT_NEAR(state().channels.dlyTimeMs[0], 700.0, 1e-3);
    core->applyParameter(kRangeL, fromStep(0, 3));
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeNorm[0], 1.0);
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 100.0);
    // Back to sync: DlyTimeL changes are ignored and keep their value.
    core->applyParameter(kDlyModeL, 1.0f);
    const float before = core->getParameter(kDlyTimeL);
    const double ms = state().channels.dlyTimeMs[0];
    core->applyParameter(kDlyTimeL, 0.9f);
    EXPECT_EQ(core->getParameter(kDlyTimeL), before);
    EXPECT_EQ(state().channels.dlyTimeMs[0], ms);
}

// A range change rescales the free time; from a value sent far outside 0..1 that used to
// overflow to -Inf, which the host then read back (found by the image fuzzer).
TEST_F(CoreParameterTest, RangeChangeKeepsAnOutOfRangeTimeReadable) {
    core->applyParameter(kDlyModeL, 0.0f);
    for (float v : {-3e38f, 3e38f, -2.0f, 7.0f}) {
        core->applyParameter(kRangeL, 1.0f);  // 5000 ms
        core->applyParameter(kDlyTimeL, v);
        EXPECT_EQ(core->getParameter(kDlyTimeL), v);
        core->applyParameter(kRangeL, 0.0f);  // the shortest range
        const float after = core->getParameter(kDlyTimeL);
        EXPECT_TRUE(after >= 0.0f && after <= 1.0f) << v << " read back as " << after;
    }
}

// 500 ms at range 1000 is 0.1 at range 5000; taken through single precision that read
// "500.000007".
TEST_F(CoreParameterTest, RangeChangeKeepsTheTimeExact) {
    char text[64];
    core->applyParameter(kDlyModeL, 0.0f);
    core->applyParameter(kRangeL, fromStep(1, 3));
    core->applyParameter(kDlyTimeL, 0.5f);
    core->applyParameter(kRangeL, fromStep(2, 3));
    core->parameterDisplay(kDlyTimeL, text);
    EXPECT_STREQ(text, "500.000000");
    EXPECT_EQ(state().channels.dlyTimeMs[0], 500.0);
    EXPECT_EQ(state().channels.dlyTimeNorm[0], 0.1);
    // And back to the 1000 ms range: 0.5 again.
    core->applyParameter(kRangeL, fromStep(1, 3));
    EXPECT_EQ(state().channels.dlyTimeMs[0], 500.0);
    EXPECT_EQ(core->getParameter(kDlyTimeL), 0.5f);
}

TEST_F(CoreParameterTest, BadValuesChangeNothingOrStayInRange) {
    const double before = state().inputValue;
    core->applyParameter(kInput, std::numeric_limits<float>::quiet_NaN());
    core->applyParameter(kInput, std::numeric_limits<float>::infinity());
    EXPECT_EQ(state().inputValue, before);
    // A finite value out of range is kept as sent; the gain it gives stays within 0..4.
    core->applyParameter(kInput, 1e30f);
    EXPECT_EQ(state().inputValue, 1e30f);
    EXPECT_DOUBLE_EQ(state().inputGain.target, 4.0);
    core->applyParameter(kInput, -1e30f);
    EXPECT_EQ(core->getParameter(kInput), -1e30f);
    EXPECT_DOUBLE_EQ(state().inputGain.target, 0.0);
    for (float v : {-7.0f, -0.01f, 1.0f, 1.5f, 1e30f, -1e30f}) {
        for (int index : {kLFOWave, kFltType, kFltMode, kDlyNumL, kDlyDenL, kRangeL, kLfoMode,
                          kLfoNum, kLfoDen, kPreNumL, kPreDenL, kRvbType, kFbInvL})
            core->applyParameter(index, v);
        EXPECT_GE(state().lfoWave, 0);
        EXPECT_LE(state().lfoWave, 4);
        EXPECT_GE(state().channels.dlyDen[0], 0);
        EXPECT_LE(state().channels.dlyDen[0], 12);
        EXPECT_GE(state().channels.range[0], 0);
        EXPECT_LE(state().channels.range[0], 2);
        EXPECT_GE(state().channels.preNum[0], 0);
        EXPECT_LE(state().channels.preNum[0], 5);
        EXPECT_GE(state().rvbType, 0);
        EXPECT_LE(state().rvbType, 1);
    }
    // A free time far outside its range still runs (the taps stay inside the line).
    core->applyParameter(kDlyModeL, 0.0f);
    core->applyParameter(kDlyTimeL, 50.0f);
    core->applyParameter(kFbGainL, 3.0f);  // a runaway loop
    core->resume();
    std::vector<float> in(4096, 0.5f), out(4096);
    float* ins[4] = {in.data(), in.data(), in.data(), in.data()};
    float* outs[2] = {out.data(), out.data()};
    for (int i = 0; i < 400; ++i) core->process(ins, outs, 4096);
    core->applyParameter(kFbGainL, 0.5f);
    std::vector<float> zero(4096, 0.0f);
    float* zs[4] = {zero.data(), zero.data(), zero.data(), zero.data()};
    for (int i = 0; i < 4; ++i) core->process(zs, outs, 4096);
    for (float x : out) ASSERT_TRUE(std::isfinite(x));
}

// Values outside 0..1 read back as sent, but every setting derived from them stays
// within what 0..1 gives.
TEST_F(CoreParameterTest, OutOfRangeValuesAreKeptButTheirSettingsAreHeldInRange) {
    for (float v : {-1e6f, -1.0f, 2.0f, 40.0f, 1e30f}) {
        // Free times, so that DlyTimeL/R are taken.
        core->applyParameter(kDlyModeL, 0.0f);
        core->applyParameter(kDlyModeR, 0.0f);
        for (int index = 0; index < kNumParams; ++index) {
            if (index == kLegacyDrive || index == kLegacyCutfMod) continue;
            const float before = core->getParameter(index);
            core->applyParameter(index, v);
            EXPECT_EQ(core->getParameter(index), v) << "parameter " << index;
            core->applyParameter(index, before);
        }
        core->applyParameter(kDlyTimeL, v);
        EXPECT_GE(state().channels.dlyTimeSetMs[0], 0.0);
        EXPECT_LE(state().channels.dlyTimeSetMs[0], state().channels.rangeMs[0]);
        for (int index = 0; index < kNumParams; ++index)
            if (index != kLegacyDrive && index != kLegacyCutfMod) core->applyParameter(index, v);
        const EngineState& e = state();
        const bool high = v > 1.0f;
        for (double gain : {e.inputGain.target, e.outputGain.target})
            EXPECT_DOUBLE_EQ(gain, high ? 4.0 : 0.0);
        const ChannelSettings& ch = e.channels;
        for (double unit : {e.mix.target, ch.fbGain.target[0], ch.fbGain.target[1],
                            ch.fbPan.target[0], ch.fbPan.target[1], ch.dlyPan.target[0],
                            ch.dlyPan.target[1], e.modSrc.target, ch.gateThreshold.target[0],
                            ch.gateThreshold.target[1], e.reverbAmount})
            EXPECT_DOUBLE_EQ(unit, high ? 1.0 : 0.0);
        for (double depth : {e.cutfMod.target, e.resoMod.target, e.vcoMan, e.vcoMod.target})
            EXPECT_DOUBLE_EQ(depth, high ? 1.0 : -1.0);
        EXPECT_GE(e.cutoff.target, 50.0);
        EXPECT_LE(e.cutoff.target, 16000.0);
        EXPECT_GE(e.reso.target, 0.05);
        EXPECT_LE(e.reso.target, 1.0);
        EXPECT_DOUBLE_EQ(e.driveGain.target, high ? 16.0 : 1.0);
        EXPECT_DOUBLE_EQ(e.modSens, high ? 16.0 : 1.0);
        EXPECT_GE(e.lfoRateHz, 0.01);
        EXPECT_LE(e.lfoRateHz, 15.0);
        EXPECT_DOUBLE_EQ(e.envTimeMs, high ? 1000.0 : 100.0);
        EXPECT_LE(std::fabs(e.lrOffset), M_PI / 2 + 1e-12);
        EXPECT_GE(e.duckThreshold, 0.0316);
        EXPECT_LE(e.duckThreshold, 1.0);
    }
}

