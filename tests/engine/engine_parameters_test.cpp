// Parameter application: curves, step rules, the delay-timing rules, tempo, the legacy
// switches, bad values, the smoothed settings; and the engine's sizes and constants per
// sample rate.
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "engine_direct.h"

using namespace lumdel;
using namespace lumdel::test;

class ParameterTest : public DirectTest {};

TEST_F(ParameterTest, CurvesOfLevelsCutoffAndRate) {
    effect->setParameter(kInput, 0.5f);
    EXPECT_DOUBLE_EQ(state().inputGain.target, 1.0);
    effect->setParameter(kInput, 1.0f);
    EXPECT_DOUBLE_EQ(state().inputGain.target, 4.0);
    effect->setParameter(kCutoff, 1.0f);
    EXPECT_DOUBLE_EQ(state().cutoff.target, 16000.0);
    effect->setParameter(kCutoff, 0.0f);
    EXPECT_DOUBLE_EQ(state().cutoff.target, 50.0);
    effect->setParameter(kLFORate, 0.0f);
    EXPECT_DOUBLE_EQ(state().lfoRateHz, 0.01);
    effect->setParameter(kDlyGateL, 0.5f);
    EXPECT_DOUBLE_EQ(state().channels.gateThreshold.target[0], 0.25);
    effect->setParameter(kMuteInL, 0.5f);
    EXPECT_EQ(state().channels.muteIn.target[0], 1.0);
    effect->setParameter(kMuteInL, 0.5001f);
    EXPECT_EQ(state().channels.muteIn.target[0], 0.0);
    setRate(22050.0f);
    effect->setParameter(kCutoff, 1.0f);
    EXPECT_DOUBLE_EQ(state().cutoff.target, 11025.0);
}

TEST_F(ParameterTest, SynchronisedTimesFollowTheTempo) {
    effect->setParameter(kDlyNumL, fromStep(0, 5));
    effect->setParameter(kDlyDenL, fromStep(3, 13));
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 500.0);
    effect->setParameter(kDlyNumL, fromStep(1, 5));
    effect->setParameter(kDlyDenL, fromStep(7, 13));
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 375.0);
    // 9/1 at 30 BPM: 72000 ms, held at 5000 and flagged.
    effect->setTempoNorm(0.0f);
    effect->setParameter(kDlyNumL, fromStep(4, 5));
    effect->setParameter(kDlyDenL, fromStep(0, 13));
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 5000.0);
    EXPECT_TRUE(effect->syncOutOfRange(1));
    EXPECT_FALSE(effect->syncOutOfRange(2));
    EXPECT_FLOAT_EQ(effect->getTempoNorm(), 0.0f);
    // LFO at 120 BPM, 1/96: 48 Hz, held at 15.
    effect->setTempoNorm(90.0f / 370.0f);
    effect->setParameter(kLfoMode, 0.5f);
    effect->setParameter(kLfoNum, fromStep(0, 5));
    effect->setParameter(kLfoDen, fromStep(12, 13));
    EXPECT_DOUBLE_EQ(state().lfoRateHz, 15.0);
    EXPECT_TRUE(effect->syncOutOfRange(4));
    // Pre-delay 9/2 is more than the delay.
    effect->setParameter(kPreNumL, fromStep(5, 6));
    effect->setParameter(kPreDenL, fromStep(1, 13));
    EXPECT_TRUE(effect->syncOutOfRange(8));
    EXPECT_FALSE(effect->syncOutOfRange(16));
    EXPECT_FALSE(effect->syncOutOfRange(3));
}

TEST_F(ParameterTest, FreeTimeRangesAndSyncSwitching) {
    // 500 ms synchronised, then free: range 1000 ms and time value 0.5.
    effect->setParameter(kDlyModeL, 0.0f);
    EXPECT_EQ(state().channels.range[0], 1);
    EXPECT_FLOAT_EQ(effect->getParameter(kRangeL), 0.5f);
    EXPECT_FLOAT_EQ(effect->getParameter(kDlyTimeL), 0.5f);
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 500.0);
    // Range 5000 ms, time 700 ms, then range 100 ms: held at 100 ms, value 1.
    effect->setParameter(kRangeL, fromStep(2, 3));
    effect->setParameter(kDlyTimeL, 0.14f);
    EXPECT_NEAR(state().channels.dlyTimeMs[0], 700.0, 1e-3);
    effect->setParameter(kRangeL, fromStep(0, 3));
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeNorm[0], 1.0);
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 100.0);
    // Back to sync: DlyTimeL changes are ignored and keep their value.
    effect->setParameter(kDlyModeL, 1.0f);
    const float before = effect->getParameter(kDlyTimeL);
    const double ms = state().channels.dlyTimeMs[0];
    effect->setParameter(kDlyTimeL, 0.9f);
    EXPECT_EQ(effect->getParameter(kDlyTimeL), before);
    EXPECT_EQ(state().channels.dlyTimeMs[0], ms);
}

TEST_F(ParameterTest, LegacySwitchesResetDriveAndCutoffModulation) {
    effect->setParameter(kDrive, 0.72f);
    effect->setParameter(kLegacyDrive, 0.2f);
    EXPECT_EQ(state().driveValue, 0.0);
    EXPECT_EQ(effect->getParameter(kLegacyDrive), 1.0f);
    effect->setParameter(kCutfMod, 0.9f);
    effect->setParameter(kLegacyCutfMod, 0.7f);  // upper half: nothing
    EXPECT_FLOAT_EQ(effect->getParameter(kCutfMod), 0.9f);
    effect->setParameter(kLegacyCutfMod, 0.3f);
    EXPECT_FLOAT_EQ(effect->getParameter(kCutfMod), 0.5f);

    // A preset with Drive 0.72 and 0 for index 43 ends with Drive 0, its store untouched.
    effect->preset(3).values[kDrive] = 0.72f;
    effect->preset(3).values[kLegacyDrive] = 0.0f;
    effect->setCurrentPreset(3);
    EXPECT_EQ(state().driveValue, 0.0);
    EXPECT_FLOAT_EQ(effect->preset(3).values[kDrive], 0.72f);
    effect->preset(3).values[kLegacyDrive] = 0.5f;
    effect->setCurrentPreset(3);
    EXPECT_FLOAT_EQ(static_cast<float>(state().driveValue), 0.72f);
}

// A range change rescales the free time; from a value sent far outside 0..1 that used to
// overflow to -Inf, which the host then read back (found by the image fuzzer).
TEST_F(ParameterTest, RangeChangeKeepsAnOutOfRangeTimeReadable) {
    effect->setParameter(kDlyModeL, 0.0f);
    for (float v : {-3e38f, 3e38f, -2.0f, 7.0f}) {
        effect->setParameter(kRangeL, 1.0f);  // 5000 ms
        effect->setParameter(kDlyTimeL, v);
        EXPECT_EQ(effect->getParameter(kDlyTimeL), v);
        effect->setParameter(kRangeL, 0.0f);  // the shortest range
        const float after = effect->getParameter(kDlyTimeL);
        EXPECT_TRUE(after >= 0.0f && after <= 1.0f) << v << " read back as " << after;
    }
}

// 500 ms at range 1000 is 0.1 at range 5000; taken through single precision that read
// "500.000007".
TEST_F(ParameterTest, RangeChangeKeepsTheTimeExact) {
    char text[64];
    effect->setParameter(kDlyModeL, 0.0f);
    effect->setParameter(kRangeL, fromStep(1, 3));
    effect->setParameter(kDlyTimeL, 0.5f);
    effect->setParameter(kRangeL, fromStep(2, 3));
    effect->getParameterDisplay(kDlyTimeL, text);
    EXPECT_STREQ(text, "500.000000");
    EXPECT_EQ(state().channels.dlyTimeMs[0], 500.0);
    EXPECT_EQ(state().channels.dlyTimeNorm[0], 0.1);
    // And back to the 1000 ms range: 0.5 again.
    effect->setParameter(kRangeL, fromStep(1, 3));
    EXPECT_EQ(state().channels.dlyTimeMs[0], 500.0);
    EXPECT_EQ(effect->getParameter(kDlyTimeL), 0.5f);
}

TEST_F(ParameterTest, BadValuesChangeNothingOrStayInRange) {
    const double before = state().inputValue;
    effect->setParameter(kInput, std::numeric_limits<float>::quiet_NaN());
    effect->setParameter(kInput, std::numeric_limits<float>::infinity());
    EXPECT_EQ(state().inputValue, before);
    // A finite value out of range is kept as sent; the gain it gives stays within 0..4.
    effect->setParameter(kInput, 1e30f);
    EXPECT_EQ(state().inputValue, 1e30f);
    EXPECT_DOUBLE_EQ(state().inputGain.target, 4.0);
    effect->setParameter(kInput, -1e30f);
    EXPECT_EQ(effect->getParameter(kInput), -1e30f);
    EXPECT_DOUBLE_EQ(state().inputGain.target, 0.0);
    for (float v : {-7.0f, -0.01f, 1.0f, 1.5f, 1e30f, -1e30f}) {
        for (int index : {kLFOWave, kFltType, kFltMode, kDlyNumL, kDlyDenL, kRangeL, kLfoMode,
                          kLfoNum, kLfoDen, kPreNumL, kPreDenL, kRvbType, kFbInvL})
            effect->setParameter(index, v);
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
    effect->setParameter(kDlyModeL, 0.0f);
    effect->setParameter(kDlyTimeL, 50.0f);
    effect->setParameter(kFbGainL, 3.0f);  // a runaway loop
    effect->resume();
    std::vector<float> in(4096, 0.5f), out(4096);
    float* ins[4] = {in.data(), in.data(), in.data(), in.data()};
    float* outs[2] = {out.data(), out.data()};
    for (int i = 0; i < 400; ++i) effect->processReplacing(ins, outs, 4096);
    effect->setParameter(kFbGainL, 0.5f);
    std::vector<float> zero(4096, 0.0f);
    float* zs[4] = {zero.data(), zero.data(), zero.data(), zero.data()};
    for (int i = 0; i < 4; ++i) effect->processReplacing(zs, outs, 4096);
    for (float x : out) ASSERT_TRUE(std::isfinite(x));
}

// Values outside 0..1 read back as sent, but every setting derived from them stays
// within what 0..1 gives.
TEST_F(ParameterTest, OutOfRangeValuesAreKeptButTheirSettingsAreHeldInRange) {
    for (float v : {-1e6f, -1.0f, 2.0f, 40.0f, 1e30f}) {
        // Free times, so that DlyTimeL/R are taken.
        effect->setParameter(kDlyModeL, 0.0f);
        effect->setParameter(kDlyModeR, 0.0f);
        for (int index = 0; index < kNumParams; ++index) {
            if (index == kLegacyDrive || index == kLegacyCutfMod) continue;
            const float before = effect->getParameter(index);
            effect->setParameter(index, v);
            EXPECT_EQ(effect->getParameter(index), v) << "parameter " << index;
            effect->setParameter(index, before);
        }
        effect->setParameter(kDlyTimeL, v);
        EXPECT_GE(state().channels.dlyTimeSetMs[0], 0.0);
        EXPECT_LE(state().channels.dlyTimeSetMs[0], state().channels.rangeMs[0]);
        for (int index = 0; index < kNumParams; ++index)
            if (index != kLegacyDrive && index != kLegacyCutfMod) effect->setParameter(index, v);
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

TEST_F(ParameterTest, ChannelsLinkedAndCopyingTiming) {
    effect->setParameter(kFbPanL, 0.3f);
    effect->setParameter(kFbPanR, 0.705f);
    EXPECT_TRUE(effect->channelsLinked());
    effect->setParameter(kFbPanR, 0.72f);
    EXPECT_FALSE(effect->channelsLinked());

    effect->setParameter(kDlyModeR, 0.0f);
    effect->setParameter(kDlyTimeR, 0.3f);
    DirectHost::edits.clear();
    effect->copyChannelSettings(false);  // left to right: DlyModeR becomes 1
    ASSERT_GE(DirectHost::edits.size(), 3u);
    EXPECT_EQ(DirectHost::edits[0], (std::pair<int, int>{audioMasterBeginEdit, kDlyModeR}));
    EXPECT_EQ(DirectHost::edits[1], (std::pair<int, int>{audioMasterAutomate, kDlyModeR}));
    EXPECT_EQ(DirectHost::edits[2], (std::pair<int, int>{audioMasterEndEdit, kDlyModeR}));
    EXPECT_EQ(state().channels.dlySync[1], 1);
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[1], state().channels.dlyTimeMs[0]);
}

TEST_F(ParameterTest, TempoAtResumeIsClampedAndWithoutRecordKept) {
    DirectHost::time.tempo = 20.0;
    effect->resume();
    EXPECT_DOUBLE_EQ(effect->hostTempo(), 30.0);
    DirectHost::time.tempo = 500.0;
    effect->resume();
    EXPECT_DOUBLE_EQ(effect->hostTempo(), 400.0);
    DirectHost::haveTime = false;
    DirectHost::time.tempo = 90.0;
    effect->resume();
    EXPECT_DOUBLE_EQ(effect->hostTempo(), 400.0);
    std::vector<float> buf(64);
    float* io[4] = {buf.data(), buf.data(), buf.data(), buf.data()};
    effect->processReplacing(io, io, 64);
    EXPECT_FALSE(effect->hostTempoValid());
    DirectHost::haveTime = true;
    effect->processReplacing(io, io, 64);
    EXPECT_TRUE(effect->hostTempoValid());
    EXPECT_DOUBLE_EQ(effect->hostTempo(), 90.0);
}

// A host loading a project may report a tempo of 0, flagged valid: that is no tempo,
// neither at resume nor in a block; the last good one stays (120 before any). Tempos above
// 0 are still clamped at resume, so 20 BPM gives 30.
TEST_F(ParameterTest, TempoOfZeroOrNotANumberIsNoTempo) {
    const double notTempos[] = {0.0, -0.0, -5.0, std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity()};
    std::vector<float> buf(64);
    float* io[4] = {buf.data(), buf.data(), buf.data(), buf.data()};
    for (double bpm : notTempos) {
        DirectHost::time.tempo = bpm;
        effect->resume();
        EXPECT_DOUBLE_EQ(effect->hostTempo(), 120.0) << bpm;
        effect->processReplacing(io, io, 64);
        EXPECT_DOUBLE_EQ(effect->hostTempo(), 120.0) << bpm;
    }
    EXPECT_DOUBLE_EQ(state().channels.dlyTimeMs[0], 500.0);
    DirectHost::time.tempo = 90.0;
    effect->resume();
    DirectHost::time.tempo = 0.0;
    effect->suspend();
    effect->resume();
    EXPECT_DOUBLE_EQ(effect->hostTempo(), 90.0);
    EXPECT_NEAR(state().channels.dlyTimeMs[0], 2000.0 / 3.0, 1e-9);
    DirectHost::time.tempo = 20.0;
    effect->resume();
    EXPECT_DOUBLE_EQ(effect->hostTempo(), 30.0);
}

TEST_F(ParameterTest, SizesPerSampleRate) {
    struct Row {
        float rate;
        int line, lookahead, mask, window;
    };
    for (const Row& r : {Row{48000, 480001, 48, 0x7fff, 4}, Row{96000, 960001, 96, 0xffff, 8},
                         Row{192000, 1920001, 192, 0x1ffff, 16}, Row{0, 441001, 44, 0x7fff, 4},
                         Row{300000, 441001, 44, 0x7fff, 4}}) {
        setRate(r.rate);
        EXPECT_EQ(effect->engine().delayBufferLength(), r.line) << r.rate;
        EXPECT_EQ(effect->engine().lookaheadLength(), r.lookahead) << r.rate;
        EXPECT_EQ(effect->engine().reverbMask(), r.mask) << r.rate;
        EXPECT_EQ(effect->engine().driveWindow(), r.window) << r.rate;
    }
}

TEST_F(ParameterTest, EdgeSmoothingIs1000HzUntilTheFirstRateChange) {
    EXPECT_DOUBLE_EQ(state().squareSmoothCoef, 1.0 - std::exp(-2 * M_PI * 1000.0 / 44100.0));
    setRate(48000.0f);
    setRate(44100.0f);
    EXPECT_DOUBLE_EQ(state().squareSmoothCoef, 1.0 - std::exp(-2 * M_PI * 500.0 / 44100.0));
}

// An engine built at 44100 Hz and one that a host took to 48000 Hz and back sound the
// same (but for the LFO's edge smoothing, above): every rate constant comes from one
// place, whichever way the rate got there.
TEST_F(ParameterTest, RateConstantsAreTheSameWhicheverWayTheRateCame) {
    auto returned = std::make_unique<Orv>(&DirectHost::callback);
    for (float rate : {48000.0f, 44100.0f}) {
        returned->dispatcher(effSetSampleRate, 0, 0, nullptr, rate);
        returned->resume();
    }
    effect->resume();
    const EngineState& a = state();
    const EngineState& b = returned->engineState();
    for (auto field : {&EngineState::smoothCoef, &EngineState::fadeStep, &EngineState::maxCutoff,
                       &EngineState::invHalfRate, &EngineState::bypassStep,
                       &EngineState::holdStep, &EngineState::envCoef,
                       &EngineState::gateAttackCoef, &EngineState::gateReleaseCoef,
                       &EngineState::duckAttackCoef, &EngineState::duckReleaseCoef,
                       &EngineState::lfoPhaseInc})
        EXPECT_EQ(a.*field, b.*field);
    EXPECT_EQ(effect->engine().bufferBytes(), returned->engine().bufferBytes());

    // The same noise through both, clocked (anti-alias filter, drive), with the filter
    // in the loop, the gate and the reverb: the same samples.
    for (Orv* e : {effect.get(), returned.get()}) {
        for (auto [index, value] : {std::pair{kLFOWave, 0.1f}, {kVcoOn, 1.0f}, {kVcoMod, 0.7f},
                                    {kDrive, 0.5f}, {kFltOn, 1.0f}, {kFltMode, 0.5f},
                                    {kDlyGateL, 0.3f}, {kRvbOn, 1.0f}, {kFbGainL, 0.6f}})
            e->setParameter(index, value);
        e->suspend();
        e->resume();
    }
    std::vector<float> in(512), outA(512), outB(512);
    std::uint32_t seed = 7;
    for (int block = 0; block < 40; ++block) {
        for (float& x : in) {
            seed = seed * 1664525u + 1013904223u;
            x = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
        }
        float* ins[4] = {in.data(), in.data(), in.data(), in.data()};
        float* outsA[2] = {outA.data(), outA.data()};
        float* outsB[2] = {outB.data(), outB.data()};
        effect->processReplacing(ins, outsA, 512);
        returned->processReplacing(ins, outsB, 512);
        ASSERT_EQ(outA, outB) << "block " << block;
    }
}

// Every setting that glides follows its target at 30 Hz, each channel on its own lane,
// and jumps to it on suspend.
TEST_F(ParameterTest, EverySmoothedSettingGlidesAndSnaps) {
    struct Row {
        int index;
        float from, to;
        std::function<const Smoothed<double>&(const EngineState&)> single;
        int lane;  // for the channel pairs
        std::function<const Smoothed<Stereo>&(const EngineState&)> pair;
    };
    auto single = [](int index, auto member) {
        return Row{index, 0.2f, 0.8f, [member](const EngineState& e) -> const Smoothed<double>& {
                       return e.*member;
                   }, 0, nullptr};
    };
    // Left goes up, right goes down, so that lanes mixed up cannot pass.
    auto pair = [](int index, int lane, auto member) {
        return Row{index, lane == 0 ? 0.2f : 0.8f, lane == 0 ? 0.8f : 0.2f, nullptr, lane,
                   [member](const EngineState& e) -> const Smoothed<Stereo>& {
                       return e.channels.*member;
                   }};
    };
    const std::vector<Row> rows = {
        single(kInput, &Glides::inputGain),       single(kOutput, &Glides::outputGain),
        single(kMix, &Glides::mix),               single(kModSrc, &Glides::modSrc),
        single(kCutfMod, &Glides::cutfMod),       single(kResoMod, &Glides::resoMod),
        single(kCutoff, &Glides::cutoff),         single(kReso, &Glides::reso),
        single(kVcoMod, &Glides::vcoMod),         single(kDrive, &Glides::driveGain),
        pair(kFbGainL, 0, &ChannelGlides::fbGain), pair(kFbGainR, 1, &ChannelGlides::fbGain),
        pair(kFbPanL, 0, &ChannelGlides::fbPan),   pair(kFbPanR, 1, &ChannelGlides::fbPan),
        pair(kDlyPanL, 0, &ChannelGlides::dlyPan), pair(kDlyPanR, 1, &ChannelGlides::dlyPan),
        pair(kDlyGateL, 0, &ChannelGlides::gateThreshold),
        pair(kDlyGateR, 1, &ChannelGlides::gateThreshold),
        pair(kMuteInL, 0, &ChannelGlides::muteIn), pair(kMuteInR, 1, &ChannelGlides::muteIn),
    };
    auto valueOf = [this](const Row& r) {
        return r.single ? r.single(state()).value : r.pair(state()).value[r.lane];
    };
    auto targetOf = [this](const Row& r) {
        return r.single ? r.single(state()).target : r.pair(state()).target[r.lane];
    };
    for (const Row& r : rows) effect->setParameter(r.index, r.from);
    effect->suspend();
    std::vector<double> before;
    for (const Row& r : rows) {
        EXPECT_EQ(valueOf(r), targetOf(r)) << r.index;
        before.push_back(valueOf(r));
        effect->setParameter(r.index, r.to);
    }
    std::vector<float> io(64, 0.1f);
    float* ins[4] = {io.data(), io.data(), io.data(), io.data()};
    float* outs[2] = {io.data(), io.data()};
    effect->processReplacing(ins, outs, 64);
    // 64 samples of a 30 Hz one-pole: a quarter of the way.
    const double part = 1.0 - std::pow(std::exp(-2 * M_PI * 30.0 / 44100.0), 64);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const double expected = before[i] + (targetOf(rows[i]) - before[i]) * part;
        EXPECT_NEAR(valueOf(rows[i]), expected, 1e-9 * (1.0 + std::fabs(expected)))
            << rows[i].index;
    }
    effect->suspend();
    for (const Row& r : rows) EXPECT_EQ(valueOf(r), targetOf(r)) << r.index;
}

TEST_F(ParameterTest, MeterPeaksAreReadOnceAndFollowTheLatency) {
    DirectHost::latency = 100;
    effect->resume();
    EXPECT_EQ(effect->engine().meterBufferLength(), 100);
    std::vector<float> in(300, 0.0f), out(300);
    in[10] = 0.8f;
    in[20] = -0.9f;
    float* ins[4] = {in.data(), in.data(), in.data(), in.data()};
    float* outs[2] = {out.data(), out.data()};
    effect->processReplacing(ins, outs, 105);  // the peaks are seen 100 samples later
    float l = 0, r = 0;
    effect->readMeterPeaks(l, r);
    EXPECT_FLOAT_EQ(l, 0.0f);
    effect->processReplacing(ins, outs, 30);
    effect->readMeterPeaks(l, r);
    EXPECT_FLOAT_EQ(l, 0.9f);
    EXPECT_FLOAT_EQ(r, 0.9f);
    effect->readMeterPeaks(l, r);
    EXPECT_EQ(l, 0.0f);
    EXPECT_EQ(r, 0.0f);
    DirectHost::latency = 50000;  // out of range: 1024
    effect->resume();
    EXPECT_EQ(effect->engine().meterBufferLength(), 1024);
}

TEST_F(ParameterTest, LfoLocksToTheHostPositionInItsThirdMode) {
    effect->setParameter(kLfoMode, 0.9f);  // mode 2
    effect->setParameter(kLfoNum, fromStep(0, 5));
    effect->setParameter(kLfoDen, fromStep(0, 13));  // one cycle per whole note (4 beats)
    float* none[4] = {nullptr, nullptr, nullptr, nullptr};
    DirectHost::time.ppqPos = 1.0;  // a quarter of the cycle
    effect->processReplacing(none, none, 0);
    EXPECT_NEAR(effect->engine().lfoPhase(), M_PI / 2, 1e-12);
    DirectHost::time.ppqPos = 3.0;  // three quarters: above pi, so minus 2 pi
    effect->processReplacing(none, none, 0);
    EXPECT_NEAR(effect->engine().lfoPhase(), -M_PI / 2, 1e-12);
    // Without a position the LFO stands at 0 for the block.
    DirectHost::time.flags = kVstTempoValid;
    std::vector<float> buf(256, 0.0f);
    float* io[4] = {buf.data(), buf.data(), buf.data(), buf.data()};
    effect->processReplacing(io, io, 256);
    EXPECT_EQ(effect->engine().lfoPhase(), 0.0);
    // Modes 0 and 1 run free.
    effect->setParameter(kLfoMode, 0.5f);
    effect->processReplacing(io, io, 256);
    EXPECT_GT(effect->engine().lfoPhase(), 0.0);
}

TEST_F(ParameterTest, MemoryPerInstance) {
    const std::size_t at44 = effect->engine().bufferBytes();
    setRate(192000.0f);
    const std::size_t at192 = effect->engine().bufferBytes();
    RecordProperty("bytes_44100", std::to_string(at44));
    RecordProperty("bytes_192000", std::to_string(at192));
    std::printf("engine memory: %.2f MB at 44100 Hz, %.2f MB at 192000 Hz\n", at44 / 1048576.0,
                at192 / 1048576.0);
    EXPECT_GT(at44, 2u * 441001u * sizeof(double));
    EXPECT_LT(at44, 16u << 20);
    EXPECT_LT(at192, 64u << 20);
}
