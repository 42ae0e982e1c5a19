// The one-instruction limits and the paired forms of the filter's coefficients and the
// gate, bit for bit against the plain expressions they stand for: NaN, infinities,
// signed zeros and values on the limits included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/Gate.h"
#include "engine/StereoLimit.h"
#include "engine/SvfFilter.h"

using lumdel::both;
using lumdel::Stereo;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const std::vector<double> kEdges = {kNaN, -kInf, -2.0, -1.0, -0.0, 0.0, 1e-310,
                                    0.05,  0.5,   1.0,  2.0,  kInf};

std::uint64_t bits(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// The same number, or NaN on both sides.
::testing::AssertionResult same(double got, double want) {
    if (bits(got) == bits(want) || (std::isnan(got) && std::isnan(want)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got << " where " << want << " was due";
}

// Values the compiler cannot see through.
double opaque(double v) {
    volatile double o = v;
    return o;
}

// The filter's coefficients written out one value at a time.
void scalarCoefficients(double cutoff, double cutoffFactor, double maxCutoff,
                        double invHalfRate, double resoModSource, double resoMod, double reso,
                        const double* coefTable, const double* dampTable, double& f,
                        double& damp) {
    double fc = cutoff * cutoffFactor;
    if (fc > maxCutoff) fc = maxCutoff;
    double p = fc * invHalfRate * 8191.0;
    if (!(p > 0.0)) p = 0.0;
    if (p > 8190.999999) p = 8190.999999;
    const int i = static_cast<int>(p);
    const double r = p - i;
    f = (1.0 - r) * coefTable[i] + r * coefTable[i + 1];
    double q = resoModSource * resoMod + reso;
    if (!(q >= 0.05)) q = 0.05;
    if (q > 1.0) q = 1.0;
    damp = dampTable[static_cast<int>(q * 4095.0)];
    if (f > 1.0) {
        double dampLimit = 2.0 / f - f * 0.5;
        if (dampLimit > 2.0) dampLimit = 2.0;
        if (damp > dampLimit) damp = dampLimit;
    }
}

}  // namespace

TEST(StereoLimits, AgreeWithTheChoicesTheyStandFor) {
    for (double x : kEdges) {
        for (double limit : kEdges) {
            if (std::isnan(limit)) continue;
            const Stereo v{opaque(x), opaque(-x)};
            const Stereo l = both(opaque(limit));
            for (int c = 0; c < 2; ++c) {
                const double vc = v[c];
                EXPECT_TRUE(same(lumdel::limitAbove(v, l)[c], vc > limit ? limit : vc))
                    << vc << " " << limit;
                EXPECT_TRUE(same(lumdel::limitBelow(v, l)[c], vc < limit ? limit : vc))
                    << vc << " " << limit;
                EXPECT_TRUE(same(lumdel::aboveOr(v, l)[c], vc > limit ? vc : limit))
                    << vc << " " << limit;
                const bool notBelow = lumdel::laneBits(lumdel::notBelow(v, l)) >> c & 1;
                EXPECT_EQ(notBelow, !(vc < limit)) << vc << " " << limit;
            }
            EXPECT_TRUE(same(lumdel::limitAbove(opaque(x), limit), x > limit ? limit : x));
            EXPECT_TRUE(same(lumdel::aboveOr(opaque(x), limit), x > limit ? x : limit));
        }
    }
    // The same with values the compiler sees (a scalar max of a constant NaN once came
    // out as NaN here).
    EXPECT_EQ(lumdel::aboveOr(std::nan(""), 0.0), 0.0);
    EXPECT_TRUE(std::isnan(lumdel::limitAbove(std::nan(""), 1.0)));
    EXPECT_EQ(lumdel::aboveOr(Stereo{std::nan(""), -1.0}, both(0.0))[0], 0.0);
    EXPECT_EQ(lumdel::limitBelow(Stereo{-3.0, std::nan("")}, both(-1.0))[0], -1.0);
}

TEST(StereoLimits, FilterCoefficientsAreThoseOfTheScalarFormula) {
    std::vector<double> coef(lumdel::SvfFilter::kCoefTableSize);
    std::vector<double> damp(lumdel::SvfFilter::kDampTableSize);
    lumdel::SvfFilter::buildCoefTable(coef.data());
    lumdel::SvfFilter::buildDampTable(damp.data());
    std::mt19937 rng(15);
    std::uniform_real_distribution<double> wide(-2.0, 2.0);
    for (double fs : {44100.0, 96000.0, 8000.0}) {
        const double maxCutoff = fs / 2.75, invHalfRate = 2.0 / fs;
        for (int n = 0; n < 20000; ++n) {
            // Mostly ordinary settings, now and then an edge in any of the inputs.
            double in[5] = {std::fabs(wide(rng)) * 12000.0, std::exp2(3.0 * wide(rng)),
                            wide(rng), std::fabs(wide(rng)) * 0.5, std::fabs(wide(rng)) * 0.5};
            if (n % 7 == 0) in[n / 7 % 5] = kEdges[n / 35 % kEdges.size()];
            if (n % 11 == 0) in[n / 11 % 5] = kEdges[n / 55 % kEdges.size()] * 1e5;
            double wantF, wantDamp;
            scalarCoefficients(in[0], in[1], maxCutoff, invHalfRate, in[2], in[3], in[4],
                               coef.data(), damp.data(), wantF, wantDamp);
            lumdel::SvfFilter filter;
            filter.computeCoefficients({opaque(in[0]), opaque(in[3])},
                                       {opaque(in[1]), opaque(in[2])}, opaque(in[4]),
                                       {maxCutoff, invHalfRate, coef.data(), damp.data()});
            ASSERT_TRUE(same(filter.f, wantF)) << n << " at " << fs;
            ASSERT_TRUE(same(filter.damp, wantDamp)) << n << " at " << fs;
        }
    }
}

TEST(StereoLimits, GateStepIsGainForOnEachChannel) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> level(-1.0, 1.0);
    const double thresholds[] = {0.0, 5e-6, 1e-5, 0.09, 0.25, 1.0, kNaN};
    for (double tl : thresholds) {
        for (double tr : thresholds) {
            lumdel::Gate gate;
            double envL = 0.0, envR = 0.0;
            for (int i = 0; i < 3000; ++i) {
                // Loud, then quiet enough to close, with a NaN now and then.
                const double scale = i < 1000 ? 1.0 : 0.01;
                double l = level(rng) * scale, r = level(rng) * scale;
                if (i == 2500) l = kNaN;
                const Stereo g = gate.step({l, r}, {tl, tr}, 0.02, 0.001);
                const double wantL = lumdel::Gate::gainFor(std::fabs(l), envL, tl, 0.02, 0.001);
                const double wantR = lumdel::Gate::gainFor(std::fabs(r), envR, tr, 0.02, 0.001);
                ASSERT_TRUE(same(g[0], wantL)) << i << " " << tl << " " << tr;
                ASSERT_TRUE(same(g[1], wantR)) << i << " " << tl << " " << tr;
                ASSERT_TRUE(same(gate.env[0], envL));
                ASSERT_TRUE(same(gate.env[1], envR));
            }
        }
    }
}
