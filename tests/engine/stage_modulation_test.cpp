// LFO shapes and their L/R offset, the envelope follower and the blend.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "engine/Modulation.h"

using namespace lumdel;

namespace {

struct LfoRig {
    std::vector<double> sine = std::vector<double>(kSineTableSize);
    Lfo lfo;
    Random rng{12345};
    double smooth = 1.0 - std::exp(-kTwoPi * 1000.0 / 44100.0);
    LfoRig() { buildSineTable(sine.data()); }
    void step(int wave, double offset, double inc) {
        lfo.step(wave, offset, inc, smooth, sine.data(), sineTableScaleValue(), rng);
    }
};

const double kInc = kTwoPi * 5.0 / 44100.0;  // 5 Hz

}  // namespace

TEST(LfoStage, CentreOffsetGivesIdenticalChannelsForEveryShape) {
    for (int wave = 0; wave < 5; ++wave) {
        LfoRig rig;
        for (int i = 0; i < 44100; ++i) {
            rig.step(wave, 0.0, kInc);
            ASSERT_EQ(rig.lfo.out[0], rig.lfo.out[1]) << "wave " << wave << " sample " << i;
        }
    }
}

TEST(LfoStage, MaximumOffsetPutsChannelsInOppositePhase) {
    for (int wave : {Lfo::kSine, Lfo::kSquare, Lfo::kTriangle}) {
        LfoRig rig;
        double worst = 0;
        for (int i = 0; i < 44100; ++i) {
            rig.step(wave, kPi / 2, kInc);
            // The smoothed square needs a moment after each edge.
            if (i > 100) worst = std::max(worst, std::fabs(rig.lfo.out[0] + rig.lfo.out[1]));
        }
        if (wave == Lfo::kSquare) {
            EXPECT_LT(worst, 0.3);
        } else {
            EXPECT_LT(worst, 0.01) << "wave " << wave;
        }
    }
    // The right channel leads the left by twice the offset.
    LfoRig rig;
    rig.step(Lfo::kTriangle, kPi / 4, 0.0);  // wL = -pi/4, wR = +pi/4
    EXPECT_NEAR(rig.lfo.out[0], -0.5, 1e-6);
    EXPECT_NEAR(rig.lfo.out[1], 0.5, 1e-6);
}

TEST(LfoStage, ShapesReachTheirExtremes) {
    for (int wave = 0; wave < 4; ++wave) {
        LfoRig rig;
        double lo = 2, hi = -2;
        for (int i = 0; i < 44100; ++i) {
            rig.step(wave, 0.0, kInc);
            lo = std::min(lo, rig.lfo.out[0]);
            hi = std::max(hi, rig.lfo.out[0]);
        }
        // The saw's jump is smoothed, so it turns just short of -1.
        const double tolerance = wave == Lfo::kSaw ? 0.02 : 0.01;
        EXPECT_NEAR(hi, 1.0, tolerance) << wave;
        EXPECT_NEAR(lo, -1.0, tolerance) << wave;
    }
    // Triangle: +1 at w = pi/2, -1 at w = -pi/2; sine: sin(w + pi).
    LfoRig rig;
    rig.lfo.phase = kPi / 2;
    rig.step(Lfo::kTriangle, 0.0, 0.0);
    EXPECT_NEAR(rig.lfo.out[0], 1.0, 1e-6);
    rig.lfo.phase = kPi / 2;
    rig.step(Lfo::kSine, 0.0, 0.0);
    EXPECT_NEAR(rig.lfo.out[0], -1.0, 1e-4);
}

TEST(LfoStage, SquareApproachesTargetExponentially) {
    LfoRig rig;
    rig.lfo.phase = 0.5;
    rig.step(Lfo::kSquare, 0.0, 0.0);
    EXPECT_NEAR(rig.lfo.out[0], rig.smooth, 1e-12);  // first step from 0 towards +1
    EXPECT_EQ(rig.lfo.target[0], 1.0);
    double prev = rig.lfo.out[0];
    for (int i = 0; i < 200; ++i) {
        rig.step(Lfo::kSquare, 0.0, 0.0);
        EXPECT_GT(rig.lfo.out[0], prev);
        EXPECT_LT(rig.lfo.out[0], 1.0);
        prev = rig.lfo.out[0];
    }
}

TEST(LfoStage, RandomShapeDrawsOnUpwardZeroCrossings) {
    LfoRig rig;
    std::set<double> targets;
    int changes = 0;
    double last = rig.lfo.target[0];
    const int cycles = 20;
    const int perCycle = static_cast<int>(44100 / 5.0);
    for (int i = 0; i < perCycle * cycles; ++i) {
        rig.step(Lfo::kRandom, 0.0, kInc);
        ASSERT_EQ(rig.lfo.target[0], rig.lfo.target[1]);  // centre: shared values
        ASSERT_GE(rig.lfo.target[0], -1.0);
        ASSERT_LE(rig.lfo.target[0], 1.0);
        if (rig.lfo.target[0] != last) ++changes;
        last = rig.lfo.target[0];
        targets.insert(last);
    }
    EXPECT_NEAR(changes, cycles, 1);
    EXPECT_GT(targets.size(), 10u);

    // With an offset each channel draws its own value.
    LfoRig apart;
    int differ = 0;
    for (int i = 0; i < perCycle * cycles; ++i) {
        apart.step(Lfo::kRandom, kPi / 4, kInc);
        if (apart.lfo.target[0] != apart.lfo.target[1]) ++differ;
    }
    EXPECT_GT(differ, perCycle * cycles / 2);
}

TEST(LfoStage, PhaseStaysInRangeWhateverTheIncrement) {
    for (double inc : {0.0, kInc, 3.0, 100.0, 1e12, std::nan("")}) {
        LfoRig rig;
        for (int i = 0; i < 1000; ++i) {
            rig.step(Lfo::kSine, 0.3, inc);
            ASSERT_TRUE(std::isfinite(rig.lfo.out[0]));
            ASSERT_LE(std::fabs(rig.lfo.phase), kPi + 1e-9) << inc;
        }
    }
    // An offset far outside its range still reads inside the sine table.
    LfoRig rig;
    rig.step(Lfo::kSine, 50.0, kInc);
    EXPECT_TRUE(std::isfinite(rig.lfo.out[0]));
}

TEST(RandomSource, RangeAndIndependentInstances) {
    Random a(7), b(7), c(8);
    int lo = 40000, hi = -1;
    double sum = 0;
    bool cDiffers = false;
    for (int i = 0; i < 100000; ++i) {
        int x = a.next();
        ASSERT_EQ(x, b.next());
        if (c.next() != x) cDiffers = true;
        lo = std::min(lo, x);
        hi = std::max(hi, x);
        sum += x;
    }
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 32767);
    EXPECT_NEAR(sum / 100000, 16383.5, 200);
    EXPECT_TRUE(cDiffers);
}

TEST(EnvelopeStage, SilenceSitsAtTheBipolarFloor) {
    EnvelopeFollower env;
    const double coef = envelopeCoefFor(550, 44100);
    for (int i = 0; i < 44100; ++i) env.step({0.5, 0.25}, 4.0, coef);
    EXPECT_NEAR(env.env[0], 2.0, 1e-3);  // |u| times ModSens gain
    EXPECT_NEAR(env.env[1], 1.0, 1e-3);
    for (int i = 0; i < 44100 * 10; ++i) env.step({0.0, 0.0}, 4.0, coef);
    // The guard holds the decay far above the denormal range and far below hearing.
    EXPECT_LT(env.env[0], 1e-40);
    EXPECT_TRUE(std::isnormal(env.env[0]) || env.env[0] == 0.0);
    EXPECT_EQ(env.bipolar()[0], -1.0);
    EXPECT_EQ(env.bipolar()[1], -1.0);
}

TEST(ModulationBlendStage, EnvelopeOnlyInSilenceDrivesCutoffDownThreeOctaves) {
    std::vector<double> octave(kOctaveTableSize);
    buildOctaveTable(octave.data());
    ModulationBlend blend;
    blend.step({0.7, -0.2}, {-1.0, -1.0}, 1.0, 1.0, octave.data());
    EXPECT_EQ(blend.mod[0], -1.0);
    EXPECT_EQ(blend.mod[1], -1.0);
    EXPECT_NEAR(blend.cutoffFactor, 0.125, 1e-9);
    EXPECT_EQ(blend.resoModSource, -1.0);

    blend.step({0.5, -0.2}, {-1.0, -1.0}, 0.0, 0.0, octave.data());  // no cutoff modulation
    EXPECT_NEAR(blend.cutoffFactor, 1.0, 1e-9);
    EXPECT_EQ(blend.resoModSource, -0.2);
    blend.step({1.0, 0.0}, {0.0, 0.0}, 0.0, 1.0, octave.data());
    EXPECT_NEAR(blend.cutoffFactor, 8.0, 1e-9);
    blend.step({0.5, 0.0}, {0.0, 0.0}, 0.0, 1.0, octave.data());
    EXPECT_NEAR(blend.cutoffFactor, std::pow(2.0, 1.5), 1e-6);

    // The octave curve saturates at 0.5 and 2.
    EXPECT_NEAR(octaveAt(octave.data(), 5.0), 2.0, 1e-12);
    EXPECT_NEAR(octaveAt(octave.data(), -5.0), 0.5, 1e-12);
    EXPECT_NEAR(octaveAt(octave.data(), std::nan("")), 0.5, 1e-12);

    // The paired form (the clocks' speeds) gives each lane exactly the single value.
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> s = {-inf, -1.0, -0.99999, 0.0, 0.3, 0.99999, 1.0, 1.0001, inf,
                             std::nan("")};
    for (int k = 0; k <= 4000; ++k) s.push_back(-1.2 + k * 0.0006);
    for (std::size_t k = 0; k + 1 < s.size(); ++k) {
        const Stereo both = octaveAt(octave.data(), Stereo{s[k], s[k + 1]});
        EXPECT_EQ(both[0], octaveAt(octave.data(), s[k])) << s[k];
        EXPECT_EQ(both[1], octaveAt(octave.data(), s[k + 1])) << s[k + 1];
    }
}
