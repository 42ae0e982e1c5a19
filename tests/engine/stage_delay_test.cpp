// The delay-line stage on its own: where the taps put the echo and the feedback, the
// fade and jump of a time change, the clocked policy's speeds, and the histories the
// plain policy keeps for a switch to the clocked one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/DelayLine.h"

using namespace lumdel;

namespace {

struct LineRig {
    std::vector<double> memory[2];
    DelayLine line[2];
    std::vector<double> octave = std::vector<double>(kOctaveTableSize);

    explicit LineRig(int length, TapDistances taps, int writeTap = 0) {
        buildOctaveTable(octave.data());
        for (int c = 0; c < 2; ++c) {
            memory[c].assign(length, 0.0);
            line[c].buf = memory[c].data();
            line[c].length = length;
            line[c].writeTap = writeTap;
            line[c].placeTaps(taps);
        }
    }

    // Index of the largest |value|.
    static int peakAt(const std::vector<double>& v) {
        int at = 0;
        for (int i = 1; i < static_cast<int>(v.size()); ++i)
            if (std::fabs(v[i]) > std::fabs(v[at])) at = i;
        return at;
    }

    // A pulse into the left line (no feedback) through a policy; the left output. width
    // 0 is an impulse at 0; otherwise a triangle peaking at sample width.
    template <typename Policy>
    std::vector<double> pulse(Policy& policy, int n, int width = 0) {
        std::vector<double> out(n);
        for (int i = 0; i < n; ++i) {
            const double triangle = 1.0 - std::abs(i - width) / (1.0 * width);
            const double level = width == 0 ? (i == 0 ? 1.0 : 0.0) : std::max(0.0, triangle);
            const Stereo in{level, 0.0};
            out[i] = policy.step(line, in, Stereo{0.0, 0.0}, ClockRate{})[0];
        }
        return out;
    }
};

}  // namespace

TEST(DelayLineStage, InputIsHeardAfterPreDelayPlusDelayAndFeedbackAfterTheDelay) {
    // Write tap at the start of the line: both other taps wrap round its end.
    LineRig rig(1000, TapDistances{30, 200}, 0);
    EXPECT_EQ(rig.line[0].preTap, 970);
    EXPECT_EQ(rig.line[0].outTap, 770);
    PlainLines plain(rig.line);
    for (int i = 0; i < 500; ++i) {
        const Stereo in{i == 0 ? 1.0 : 0.0, 0.0};
        const Stereo fb{i == 10 ? 0.5 : 0.0, 0.0};
        const Stereo out = plain.step(rig.line, in, fb, ClockRate{});
        const double expected = i == 230 ? 1.0 : (i == 210 ? 0.5 : 0.0);
        ASSERT_EQ(out[0], expected) << i;
        ASSERT_EQ(out[1], 0.0) << i;
    }
}

TEST(DelayLineStage, PlainBlocksKeepTheHistoriesOfTheClockedMode) {
    LineRig rig(100, TapDistances{0, 10});
    PlainLines plain(rig.line);
    for (int i = 1; i <= 10; ++i)
        plain.step(rig.line, Stereo{1.0 * i, -1.0 * i}, Stereo{0.5 * i, 0.0}, ClockRate{});
    plain.end(rig.line);
    const double in[4] = {7, 8, 9, 10}, fb[4] = {3.5, 4, 4.5, 5};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(rig.line[0].inHist[k], in[k]);
        EXPECT_EQ(rig.line[1].inHist[k], -in[k]);
        EXPECT_EQ(rig.line[0].fbHist[k], fb[k]);
    }
}

TEST(DelayLineStage, ClockSpeedScalesTheTimeHeard) {
    // VcoMan 0 is unit speed: one tape sample per audio sample, with a sample of latency
    // on the write side and two on the read side (the interpolation's histories).
    const int delay = 400;
    {
        LineRig rig(4000, TapDistances{0, delay});
        ClockedLines unit(rig.line, 0.0, true, rig.octave.data());
        EXPECT_EQ(LineRig::peakAt(rig.pulse(unit, 2000)), delay + 3);
    }
    // The short path of an exact unit clock gives what the general one gives.
    {
        LineRig rig(4000, TapDistances{0, delay});
        // Off the grid: the general path.
        rig.line[0].nextTick = rig.line[1].nextTick = std::nextafter(1.0, 0.0);
        ClockedLines general(rig.line, 0.0, true, rig.octave.data());
        EXPECT_EQ(LineRig::peakAt(rig.pulse(general, 2000)), delay + 3);
    }
    // VcoMan +1 runs the tape at twice the speed, -1 at half: the time heard halves or
    // doubles (a pulse wide enough for the interpolation to see at either speed).
    for (double vcoMan : {1.0, -1.0}) {
        LineRig rig(4000, TapDistances{0, delay});
        ClockedLines clocked(rig.line, vcoMan, true, rig.octave.data());
        const int at = LineRig::peakAt(rig.pulse(clocked, 2000, 8));
        const double expected = 8 + (vcoMan > 0 ? delay / 2.0 : delay * 2.0);
        EXPECT_NEAR(at, expected, 6) << vcoMan;
    }
}

TEST(DelayLineStage, TimeChangeFadesOutJumpsOnceAndFadesIn) {
    LineRig rig(1000, TapDistances{0, 100});
    DelayLine& line = rig.line[0];
    std::uint8_t pending = 1;
    const double step = std::pow(0.001, 10.0 / 44100.0);
    int jumps = 0;
    auto tapsNow = [&jumps](int channel) {
        EXPECT_EQ(channel, kLeft);
        ++jumps;
        return TapDistances{0, 300};
    };
    double gain = 1.0, lowest = 1.0;
    int samples = 0;
    for (; samples < 44100 && (pending || gain < 1.0); ++samples) {
        const double next = line.fade(pending, step, tapsNow, kLeft);
        if (pending) {
            EXPECT_LT(next, gain);  // falling until the jump
        }
        gain = next;
        lowest = std::min(lowest, gain);
    }
    EXPECT_EQ(jumps, 1);
    EXPECT_LE(lowest, 0.001);
    EXPECT_EQ(gain, 1.0);
    // About 100 ms down and 100 ms up.
    EXPECT_NEAR(samples, 2 * 4410, 10);
    EXPECT_EQ(line.outTap, (line.writeTap - 300 + 1000) % 1000);
    // A time set during the fade-in turns the fade round from the gain reached.
    pending = 1;
    while (pending) line.fade(pending, step, tapsNow, kLeft);
    for (int i = 0; i < 1000; ++i) line.fade(pending, step, tapsNow, kLeft);
    const double reached = line.fadeGain;
    EXPECT_GT(reached, 0.001);
    EXPECT_LT(reached, 1.0);
    pending = 1;
    EXPECT_EQ(line.fade(pending, step, tapsNow, kLeft), reached * step);
    EXPECT_EQ(jumps, 2);
}

// A short line taken round many times, its taps moved now and then as a time change
// moves them: every step stores, adds and reads where a plain ring with the same
// distances does, and no tap ever leaves the line.
TEST(DelayLineStage, TapsWrapAtTheEndOfTheLineWhereverTheyArePlaced) {
    const int length = 13;
    LineRig rig(length, TapDistances{3, 4}, 11);
    DelayLine& line = rig.line[0];
    std::vector<double> ring(length, 0.0);
    int write = 11, pre = 8, out = 4;
    for (int step = 0; step < 400; ++step) {
        if (step % 37 == 36) {
            const TapDistances d{step % 5, 1 + step % 7};
            line.placeTaps(d);
            pre = (write - d.pre + length) % length;
            out = (pre - d.delay + length) % length;
        }
        const double in = step + 1.0, fb = 0.25 * step;
        ring[write] = in;
        ring[pre] += fb;
        const double expected = ring[out];
        ASSERT_EQ(line.stepPlain(in, fb), expected) << step;
        write = (write + 1) % length;
        pre = (pre + 1) % length;
        out = (out + 1) % length;
        ASSERT_TRUE(line.writeTap >= 0 && line.writeTap < length) << step;
        ASSERT_TRUE(line.preTap >= 0 && line.preTap < length) << step;
        ASSERT_TRUE(line.outTap >= 0 && line.outTap < length) << step;
    }
}

// The clocked lines at unit speed, off the short path (their first tick a hair early):
// every tick writes the previous input and feedback and reads one tape sample, heard
// two samples later. On a
// short line taken round many times, the taps must store, add and read where a plain
// ring with the same distances does.
TEST(DelayLineStage, ClockedTapsWrapAtTheEndOfTheLine) {
    const int length = 13;
    LineRig rig(length, TapDistances{3, 4}, 11);
    for (DelayLine& line : rig.line) line.nextTick = std::nextafter(1.0, 0.0);
    ClockedLines clocked(rig.line, 0.0, true, rig.octave.data());
    std::vector<double> ring(length, 0.0), read;
    int write = 11, pre = 8, out = 4;
    double lastIn = 0.0, lastFb = 0.0;
    for (int step = 0; step < 400; ++step) {
        const double in = step + 1.0, fb = 0.25 * step;
        ring[write] = lastIn;
        ring[pre] += lastFb;
        read.push_back(ring[out]);
        write = (write + 1) % length;
        pre = (pre + 1) % length;
        out = (out + 1) % length;
        lastIn = in;
        lastFb = fb;
        const Stereo heard = clocked.step(rig.line, Stereo{in, in}, Stereo{fb, fb}, ClockRate{});
        const double expected = step >= 2 ? read[step - 2] : 0.0;
        ASSERT_NEAR(heard[0], expected, 1e-9) << step;
        ASSERT_NEAR(heard[1], expected, 1e-9) << step;
    }
    clocked.end(rig.line);
    EXPECT_EQ(rig.line[0].writeTap, write);
    EXPECT_EQ(rig.line[0].preTap, pre);
    EXPECT_EQ(rig.line[0].outTap, out);
}

// A time change while the clocked lines run: the taps jump from where the tape is, so
// sound already in the line is heard at the new time counted from when it went in.
TEST(DelayLineStage, ClockedLinesJumpFromWhereTheTapeIs) {
    LineRig rig(4000, TapDistances{0, 400});
    for (DelayLine& line : rig.line) line.nextTick = std::nextafter(1.0, 0.0);
    ClockedLines clocked(rig.line, 0.0, true, rig.octave.data());
    TimeFades fades(rig.line);
    StereoFlag pending{0, 0};
    const auto tapsNow = [](int) { return TapDistances{0, 300}; };
    std::vector<double> heard;
    for (int i = 0; i < 600; ++i) {
        if (i == 50) pending = StereoFlag{1, 1};
        const Stereo in{i == 0 ? 1.0 : 0.0, 0.0};
        const Stereo out = clocked.step(rig.line, in, Stereo{}, ClockRate{});
        heard.push_back(fades.step(clocked, rig.line, pending, out, 0.5, tapsNow)[0]);
    }
    EXPECT_EQ(pending[0], 0);
    EXPECT_EQ(LineRig::peakAt(heard), 300 + 3);
}
