// Drive ceiling, the gate's 1:3 expansion with its lookahead, and the ducker.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/Drive.h"
#include "engine/Ducker.h"
#include "engine/Gate.h"
#include "engine/Lookahead.h"

using namespace lumdel;

namespace {
constexpr double kFs = 44100.0;
double dB(double g) { return 20 * std::log10(g); }
}  // namespace

TEST(DriveStage, WindowByRate) {
    EXPECT_EQ(driveWindowFor(22050), 2);
    EXPECT_EQ(driveWindowFor(25000), 2);
    EXPECT_EQ(driveWindowFor(44100), 4);
    EXPECT_EQ(driveWindowFor(50000), 4);
    EXPECT_EQ(driveWindowFor(96000), 8);
    EXPECT_EQ(driveWindowFor(100000), 8);
    EXPECT_EQ(driveWindowFor(192000), 16);
}

TEST(DriveStage, FullScaleSineAtMaximumDriveIsHeldNearOneSixteenth) {
    for (double fs : {44100.0, 96000.0}) {
        Drive drive;
        drive.setWindow(driveWindowFor(fs));
        double peak = 0;
        for (int block = 0; block < 100; ++block) {
            drive.beginBlock();
            for (int i = 0; i < 512; ++i) {
                const int n = block * 512 + i;
                double l = std::sin(2 * M_PI * 100 * n / fs), r = -l;
                drive.step(l, r, 16.0, true);
                if (block > 10) peak = std::max(peak, std::fabs(l));
                ASSERT_EQ(l, -r);
            }
        }
        // The window lags a rising edge a little, so near the zero crossings a sine
        // slips slightly above 1/16 (more so at higher frequencies).
        EXPECT_GT(peak, 1.0 / 16 - 0.002) << fs;
        EXPECT_LT(peak, 1.0 / 16 + 0.012) << fs;
    }
}

TEST(DriveStage, CeilingFollowsTheGainAndSmallSignalsBend) {
    // Below a window mean of 2 the gain is 1 - m/4: continuous with 1/m at m = 2.
    EXPECT_DOUBLE_EQ(Drive::gainFor(8.0, 4), 0.5);
    EXPECT_DOUBLE_EQ(Drive::gainFor(8.0001, 4), 4 / 8.0001);
    EXPECT_DOUBLE_EQ(Drive::gainFor(0.0, 4), 1.0);
    // A steady level comes out at 1/driveGain once above the knee.
    Drive drive;
    drive.setWindow(4);
    drive.beginBlock();
    double l = 0, r = 0;
    for (int i = 0; i < 16; ++i) {
        l = 0.9, r = 0.9;
        drive.step(l, r, 4.0, true);
    }
    EXPECT_NEAR(l, 0.25, 1e-12);
}

TEST(DriveStage, OffPassesUnchangedWhateverTheRingsHold) {
    Drive drive;
    drive.setWindow(4);
    drive.beginBlock();
    for (int i = 0; i < 100; ++i) {
        double l = 0.8, r = -0.3;
        drive.step(l, r, 16.0, false);
        ASSERT_EQ(l, 0.8);
        ASSERT_EQ(r, -0.3);
    }
    // The rings learned the signal all the same, so switching on acts at once.
    double l = 0.8, r = -0.3;
    drive.step(l, r, 16.0, true);
    EXPECT_NEAR(l, 0.8 / (16 * 0.8), 1e-12);
    // Block sums start over from the rings.
    const double running = drive.sum[0];
    drive.beginBlock();
    EXPECT_NEAR(drive.sum[0], running, 1e-12);
}

TEST(GateStage, SixDecibelsUnderThresholdComesOutTwelveQuieter) {
    // DlyGate 0.5: threshold 0.25. A steady level 6 dB below (0.125) is lowered by
    // 12 dB, landing 18 dB under the threshold (1:3 expansion).
    const double threshold = 0.5 * 0.5;
    const double level = threshold / 2;
    Gate gate;
    Stereo g{0.0, 0.0};
    for (int i = 0; i < 44100; ++i)
        g = gate.step({level, -level}, {threshold, threshold}, gateAttackCoefFor(kFs),
                      gateReleaseCoefFor(kFs, 0.5));
    EXPECT_NEAR(dB(level * g[0]) - dB(level), -12.04, 0.05);
    EXPECT_NEAR(dB(level * g[0]) - dB(threshold), -18.06, 0.05);
    EXPECT_EQ(g[0], g[1]);
    // Above the threshold it is open.
    for (int i = 0; i < 44100; ++i)
        g = gate.step({0.5, 0.5}, {threshold, threshold}, gateAttackCoefFor(kFs),
                      gateReleaseCoefFor(kFs, 0.5));
    EXPECT_EQ(g[0], 1.0);
}

TEST(GateStage, ZeroThresholdIsOpenAndSilenceDecays) {
    Gate gate;
    Stereo g = gate.step({0.0, 0.0}, {0.0, 0.0}, 0.1, 0.1);
    EXPECT_EQ(g[0], 1.0);
    EXPECT_EQ(g[1], 1.0);
    // Silence under a threshold closes it completely.
    for (int i = 0; i < 44100 * 5; ++i)
        g = gate.step({0.0, 0.0}, {0.1, 0.1}, gateAttackCoefFor(kFs),
                      gateReleaseCoefFor(kFs, 0.0));
    EXPECT_LT(g[0], 1e-20);
}

TEST(GateStage, ReleaseCoefficients) {
    // 30 ms below EnvSpeed 0.03, otherwise 1000 e ms.
    EXPECT_DOUBLE_EQ(gateReleaseCoefFor(kFs, 0.02), 1 - std::exp(-1000 / (kFs * 30)));
    EXPECT_DOUBLE_EQ(gateReleaseCoefFor(kFs, 0.5), 1 - std::exp(-1000 / (kFs * 500)));
    EXPECT_DOUBLE_EQ(gateAttackCoefFor(kFs), 1 - std::exp(-1000 / kFs));
}

TEST(LookaheadStage, DelaysByItsLength) {
    Stereo ring[44];
    Lookahead la{ring, 44, 0};
    for (int i = 0; i < 200; ++i) {
        const Stereo o = la.step({i + 1.0, -(i + 1.0)});
        ASSERT_EQ(o[0], i < 44 ? 0.0 : i + 1.0 - 44);
        ASSERT_EQ(o[1], -o[0]);
    }
    la.reset();
    EXPECT_EQ(la.step({1.0, 1.0})[0], 0.0);
    Lookahead none;
    const Stereo o = none.step({0.5, 0.25});
    EXPECT_EQ(o[0], 0.5);
    EXPECT_EQ(o[1], 0.25);
}

TEST(DuckerStage, LowersAboveThresholdOnly) {
    const double threshold = duckThresholdFor(0.0);  // -30 dB
    EXPECT_NEAR(threshold, std::pow(10.0, -1.5), 1e-15);
    EXPECT_DOUBLE_EQ(duckThresholdFor(1.0), 1.0);
    const double att = duckAttackCoefFor(kFs), rel = duckReleaseCoefFor(kFs, 0.1);

    Ducker ducker;
    double duck = 0;
    for (int i = 0; i < 44100; ++i) duck = ducker.step({0.01, -0.02}, threshold, att, rel);
    EXPECT_EQ(duck, 1.0);  // key below -30 dB
    for (int i = 0; i < 44100; ++i) duck = ducker.step({0.1, -0.5}, threshold, att, rel);
    EXPECT_NEAR(duck, threshold / 0.5, 1e-6);  // larger key channel, held at threshold
    // Released after the key stops (300 ms release).
    for (int i = 0; i < 44100 * 3; ++i) duck = ducker.step({0, 0}, threshold, att, rel);
    EXPECT_EQ(duck, 1.0);
}

TEST(DuckerStage, ThresholdAtMaximumLeavesFullScaleAlone) {
    Ducker ducker;
    const double att = duckAttackCoefFor(kFs), rel = duckReleaseCoefFor(kFs, 0.0);
    for (int i = 0; i < 44100; ++i) {
        const double s = std::sin(i * 0.05);
        ASSERT_EQ(ducker.step({s, -s}, 1.0, att, rel), 1.0);
    }
    EXPECT_DOUBLE_EQ(duckReleaseCoefFor(kFs, 0.005), 1 - std::exp(-1000 / (kFs * 30)));
    EXPECT_DOUBLE_EQ(duckReleaseCoefFor(kFs, 0.5), 1 - std::exp(-1000 / (kFs * 1500)));
}
