// The state-variable filter measured with sines around its cutoff.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/SvfFilter.h"

using lumdel::Stereo;
using lumdel::SvfFilter;

namespace {

constexpr double kFs = 44100.0;
constexpr double kPi = 3.14159265358979323846;

// Both channels through the filter, in place.
void processPair(SvfFilter& filter, double& l, double& r, int type) {
    Stereo x{l, r};
    filter.process(x, type);
    l = x[0];
    r = x[1];
}

struct FilterRig {
    std::vector<double> coef = std::vector<double>(SvfFilter::kCoefTableSize);
    std::vector<double> damp = std::vector<double>(SvfFilter::kDampTableSize);
    SvfFilter filter;
    FilterRig() {
        SvfFilter::buildCoefTable(coef.data());
        SvfFilter::buildDampTable(damp.data());
    }
    void coefficients(double cutoff, double reso, double factor = 1.0) {
        filter.computeCoefficients(cutoff, factor, kFs / 2.75, 2.0 / kFs, 0.0, 0.0, reso,
                                   coef.data(), damp.data());
    }
    // Gain for a sine at freq, after one second to settle. The level is small so that
    // the band state's cubic limit stays out of the way (it only bounds loud signals).
    double gainAt(double cutoff, double freq, int type, double reso = 0.05) {
        const double level = 0.001;
        filter.reset();
        double peak = 0;
        const int n = static_cast<int>(kFs) * 2;
        for (int i = 0; i < n; ++i) {
            coefficients(cutoff, reso);
            double l = level * std::sin(2 * kPi * freq * i / kFs), r = l;
            processPair(filter, l, r, type);
            if (i > n / 2) peak = std::max(peak, std::fabs(l));
            EXPECT_EQ(l, r);
        }
        return peak / level;
    }
};

double dB(double g) { return 20 * std::log10(g); }

}  // namespace

TEST(SvfFilterStage, LowPassPassesBelowAndCutsAboveCutoff) {
    FilterRig rig;
    EXPECT_NEAR(rig.gainAt(1000, 100, SvfFilter::kLowPass), 1.0, 0.02);
    EXPECT_GT(dB(rig.gainAt(1000, 1000, SvfFilter::kLowPass)), -4.0);
    // Second order: about 12 dB per octave above the cutoff.
    EXPECT_LT(dB(rig.gainAt(1000, 4000, SvfFilter::kLowPass)), -20.0);
    EXPECT_LT(dB(rig.gainAt(1000, 8000, SvfFilter::kLowPass)), -32.0);
}

TEST(SvfFilterStage, HighPassCutsBelowAndPassesAboveCutoff) {
    FilterRig rig;
    EXPECT_LT(dB(rig.gainAt(1000, 250, SvfFilter::kHighPass)), -20.0);
    EXPECT_GT(dB(rig.gainAt(1000, 1000, SvfFilter::kHighPass)), -4.0);
    EXPECT_NEAR(rig.gainAt(1000, 8000, SvfFilter::kHighPass), 1.0, 0.1);
}

TEST(SvfFilterStage, BandPassPeaksAtCutoff) {
    FilterRig rig;
    const double centre = rig.gainAt(1000, 1000, SvfFilter::kBandPass);
    EXPECT_GT(centre, rig.gainAt(1000, 250, SvfFilter::kBandPass) * 2);
    EXPECT_GT(centre, rig.gainAt(1000, 4000, SvfFilter::kBandPass) * 2);
    // Higher resonance narrows and raises the peak.
    EXPECT_GT(rig.gainAt(1000, 1000, SvfFilter::kBandPass, 0.9), centre * 3);
}

TEST(SvfFilterStage, DampingRangeAndCutoffLimit) {
    FilterRig rig;
    rig.coefficients(1000, 0.05);
    EXPECT_NEAR(rig.filter.damp, 1.055, 0.01);
    rig.coefficients(1000, 1.0);
    EXPECT_EQ(rig.filter.damp, 0.0);

    // Above fs/2.75 the filter works at fs/2.75.
    rig.coefficients(kFs / 2.75, 0.5);
    const double atLimit = rig.filter.f;
    rig.coefficients(30000, 0.5);
    EXPECT_EQ(rig.filter.f, atLimit);
    rig.coefficients(8000, 0.5, 8.0);  // modulation pushes 8 kHz three octaves up
    EXPECT_EQ(rig.filter.f, atLimit);
    // 2 sin(pi fc / (2 fs)) for the doubled rate.
    rig.coefficients(1000, 0.5);
    EXPECT_NEAR(rig.filter.f, 2 * std::sin(kPi * 1000 / (2 * kFs)), 1e-6);
}

TEST(SvfFilterStage, FullResonanceRingsBounded) {
    FilterRig rig;
    for (double cutoff : {100.0, 1000.0, 16000.0}) {
        for (int type : {0, 1, 2}) {
            rig.filter.reset();
            double peakLate = 0;
            for (int i = 0; i < 44100 * 3; ++i) {
                rig.coefficients(cutoff, 1.0);
                double l = i == 0 ? 1.0 : 0.0, r = l;
                processPair(rig.filter, l, r, type);
                ASSERT_TRUE(std::isfinite(l));
                ASSERT_LT(std::fabs(l), 50.0) << cutoff << " type " << type;
                if (i > 44100 * 2) peakLate = std::max(peakLate, std::fabs(l));
            }
            // Zero damping: the ring decays only through the cubic limit, slowly.
            if (type == SvfFilter::kBandPass) {
                EXPECT_GT(peakLate, 1e-3) << cutoff;
            }
        }
    }
    // Driven hard at full resonance it saturates instead of exploding.
    rig.filter.reset();
    for (int i = 0; i < 44100; ++i) {
        rig.coefficients(1000, 1.0);
        double l = 4 * std::sin(2 * kPi * 1000 * i / kFs), r = l;
        processPair(rig.filter, l, r, SvfFilter::kBandPass);
        ASSERT_LT(std::fabs(l), 100.0);
    }
}

// Loud input at every cutoff and damping the coefficients allow: the states stay finite
// and bounded, and fall silent after the input stops. Near the highest cutoffs the
// cubic limit alone used to fold back and run away (a burst at 16 times full scale, or
// a half-scale signal after a loud feedback, reached Inf within a block).
TEST(SvfFilterStage, LoudInputNeverRunsAway) {
    FilterRig rig;
    std::uint32_t seed = 1;
    auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
    };
    int runs = 0;
    for (double cutoff = 200; cutoff <= kFs / 2.75 + 1; cutoff *= 1.5) {
        for (double reso : {0.05, 0.3, 0.6, 0.9, 1.0}) {
            for (double level : {1.0, 4.0, 16.0, 64.0}) {
                for (int type : {0, 1, 2}) {
                    rig.filter.reset();
                    double peak = 0;
                    for (int i = 0; i < 4000; ++i) {
                        rig.coefficients(cutoff, reso);
                        double l = level * noise(), r = level * (i % 100 < 50 ? 1.0 : -1.0);
                        processPair(rig.filter, l, r, type);
                        ASSERT_TRUE(std::isfinite(l) && std::isfinite(r))
                            << cutoff << " Hz reso " << reso << " level " << level << " type " << type;
                        peak = std::max({peak, std::fabs(l), std::fabs(r)});
                    }
                    EXPECT_LT(peak, 8 * level + 10) << cutoff << " Hz reso " << reso << " level " << level;
                    for (int i = 0; i < 44100 * 2; ++i) {
                        double l = 0, r = 0;
                        processPair(rig.filter, l, r, type);
                    }
                    EXPECT_LT(std::fabs(rig.filter.band[0]), 0.1) << cutoff << " Hz reso " << reso;
                    ++runs;
                }
            }
        }
    }
    EXPECT_GT(runs, 100);
}

TEST(SvfFilterStage, BadCoefficientInputsStayInsideTables) {
    FilterRig rig;
    const double nan = std::nan("");
    rig.filter.computeCoefficients(nan, 1.0, kFs / 2.75, 2.0 / kFs, nan, 1.0, nan,
                                   rig.coef.data(), rig.damp.data());
    EXPECT_TRUE(std::isfinite(rig.filter.f));
    EXPECT_TRUE(std::isfinite(rig.filter.damp));
    rig.filter.computeCoefficients(-500, 1.0, kFs / 2.75, 2.0 / kFs, 5.0, 5.0, -3.0,
                                   rig.coef.data(), rig.damp.data());
    EXPECT_EQ(rig.filter.f, 0.0);
    EXPECT_EQ(rig.filter.damp, 0.0);  // resonance limited to 1
    double l = 1, r = 1;
    processPair(rig.filter, l, r, 0);
    EXPECT_TRUE(std::isfinite(l));
}
