// The resonant state-variable filter: low-, band- or high-pass, run twice per sample
// with the input held (2x oversampling), with a cubic limit on the band state so that
// full resonance and loud signals saturate instead of exploding. One set of states
// serves whichever position (input, loop, output) is active.
//
// Contract: per sample on the audio thread, inside the block, while FltOn. The
// coefficients come first (from the smoothed Cutoff, Reso and ResoMod and the previous
// sample's modulation); then the filter runs in place on both channels: on the gained
// input (FltMode "in", the dry signal too), or on the lines' outputs after the fade
// ("fb": the feedback hears it, "fx": only the output does). The tables are built once.
#pragma once

#include <cmath>
#include <limits>

#include "Denormal.h"
#include "Stereo.h"
#include "StereoLimit.h"

namespace lumdel {

struct SvfFilter {
    static constexpr int kCoefTableSize = 8192;  // 2 sin(i q / 8191), q = pi/4 in float
    static constexpr int kDampTableSize = 4097;  // 2 (1 - (k/4095)^0.25)
    static constexpr double kCoefTableQuarterPi = 0.7853981852531433;

    enum Type { kLowPass = 0, kBandPass = 1, kHighPass = 2 };

    // Running state of both channels, zeroed by reset() and kept while the filter is off.
    Stereo low{0.0, 0.0}, band{0.0, 0.0}, high{0.0, 0.0};
    // Coefficients of the current sample (svfF, svfDamp).
    double f = 0, damp = 0;

    static void buildCoefTable(double* table) {
        for (int i = 0; i < kCoefTableSize; ++i)
            table[i] = 2.0 * std::sin(i * kCoefTableQuarterPi / 8191.0);
    }
    static void buildDampTable(double* table) {
        for (int k = 0; k < kDampTableSize; ++k)
            table[k] = 2.0 * (1.0 - std::pow(k / 4095.0, 0.25));
    }

    void reset() { *this = SvfFilter(); }
    bool finite() const {
        return std::isfinite(band[0]) && std::isfinite(band[1]) && std::isfinite(low[0]) &&
               std::isfinite(low[1]);
    }

    // What the coefficients read besides the settings: the rate's limits and the tables.
    struct Constants {
        double maxCutoff;    // fs / 2.75
        double invHalfRate;  // 2 / fs
        const double* coefTable;
        const double* dampTable;
        // The limit and scale of the cutoff as pairs whose right lanes leave the
        // resonance as it is (x * 1 and min(x, inf) are x).
        Stereo cutoffCeiling = {maxCutoff, std::numeric_limits<double>::infinity()};
        Stereo toTablePosition = {invHalfRate, 1.0};
    };

    // Once per sample while the filter is on. fc = cutoff * cutoffFactor, at most
    // maxCutoff (fs/2.75); resonance = resoModSource * resoMod + reso within 0.05..1.
    inline void computeCoefficients(double cutoff, double cutoffFactor, double maxCutoff,
                                    double invHalfRate, double resoModSource, double resoMod,
                                    double reso, const double* coefTable,
                                    const double* dampTable) {
        computeCoefficients({cutoff, resoMod}, {cutoffFactor, resoModSource}, reso,
                            Constants{maxCutoff, invHalfRate, coefTable, dampTable});
    }

    // The same with the cutoff and its factor in the left lanes and the resonance
    // modulation and its source in the right ones: both table positions are worked out
    // side by side, each lane by the operations of the scalar expression.
    inline void computeCoefficients(Stereo setting, Stereo modulation, double reso,
                                    const Constants& k) {
        // Left: fc, then p = fc * invHalfRate * 8191 within 0..8190.999999 (negative or
        // NaN: 0; i + 1 stays inside the table). Right: q within 0.05..1 (NaN: 0.05),
        // then its damping table position. p + 0 differs from p only for -0, which the
        // lower limit makes 0 in either case.
        Stereo v = limitAbove(setting * modulation, k.cutoffCeiling);
        v = v * k.toTablePosition * Stereo{8191.0, 1.0} + Stereo{0.0, reso};
        v = limitAbove(aboveOr(v, Stereo{0.0, 0.05}), Stereo{8190.999999, 1.0});
        v = v * Stereo{1.0, 4095.0};
        using Int4 = int __attribute__((vector_size(16)));
        const Int4 at = __builtin_ia32_cvttpd2dq(v.v);  // both truncated, as static_cast<int>
        const int i = at[0];
        const double r = v[0] - i;
        f = (1.0 - r) * k.coefTable[i] + r * k.coefTable[i + 1];
        damp = k.dampTable[at[1]];

        // At f <= 1 the limit (2/f - f/2 >= 1.5) is above every damping the table holds
        // (at most 2 (1 - 0.05^0.25), about 1.05): the division is left out there.
        if (f > 1.0) {
            double dampLimit = 2.0 / f - f * 0.5;
            if (dampLimit > 2.0) dampLimit = 2.0;
            if (damp > dampLimit) damp = dampLimit;
        }
    }

    // The band state is held within +-kBandKnee, where the cubic limit has its peak
    // (slope 1 - 0.225 b^2 reaches zero). Beyond it the cubic folds back, and near the
    // highest cutoffs that fold turns the loop unstable: a loud burst (or a loud input
    // after a loud feedback) would grow without end, to Inf in a few samples. Inside the
    // knee nothing changes; outside it the limit is flat instead of folding back.
    static constexpr double kBandKnee = 2.1081851067789197;  // sqrt(1 / 0.225)

    // One pass of the filter on both channels; returns the output of type kType.
    template <int kType>
    static inline Stereo pass(Stereo x, Stereo& low, Stereo& band, Stereo& high, double f,
                              double damp) {
        Stereo b = flush(band);
        b = limitBelow(limitAbove(b, both(kBandKnee)), both(-kBandKnee));
        low = low + f * b;
        high = x - damp * b - low;
        band = f * high + b - 0.075 * b * b * b;
        return kType == kLowPass ? low : (kType == kBandPass ? band : high);
    }

    // Two passes with the input held; the result is their mean.
    template <int kType>
    inline Stereo run(Stereo x) {
        const Stereo o1 = pass<kType>(x, low, band, high, f, damp);
        const Stereo o2 = pass<kType>(x, low, band, high, f, damp);
        return 0.5 * (o1 + o2);
    }

    // Filters both channels in place with this sample's coefficients. The type holds
    // through a block: its branch is always taken the same way.
    inline void process(Stereo& x, int type) {
        if (type == kLowPass)
            x = run<kLowPass>(x);
        else if (type == kBandPass)
            x = run<kBandPass>(x);
        else
            x = run<kHighPass>(x);
    }
};

}  // namespace lumdel
