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
    auto returned = makeDirectEffect();
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
