// Spring and plate reverb: geometry per rate, damping values, amount blend, tails.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/Reverb.h"

using namespace lumdel;

namespace {

struct ReverbRig {
    ReverbLines lines;
    Reverb reverb;
    double fs;
    ReverbRig(double rate, int type, double damp = 0.1, double amount = 1.0) : fs(rate) {
        lines.allocate(reverbMaskFor(rate));
        reverb.attach(lines);
        reverb.setDamping(damp);
        reverb.setType(type, rate);
        reverb.amount = amount;
    }
    // Feeds an impulse on the left, then silence; returns the left output.
    std::vector<double> impulse(int n, double level = 0.5) {
        std::vector<double> out(n);
        for (int i = 0; i < n; ++i) {
            double l = i == 0 ? level : 0.0, r = 0.0;
            reverb.process(l, r);
            out[i] = l;
        }
        return out;
    }
};

double energy(const std::vector<double>& v, int from, int to) {
    double e = 0;
    for (int i = from; i < to; ++i) e += v[i] * v[i];
    return e;
}

}  // namespace

TEST(ReverbStage, LineLengthsByRate) {
    EXPECT_EQ(reverbMaskFor(44100), 0x7fff);
    EXPECT_EQ(reverbMaskFor(48000), 0x7fff);
    EXPECT_EQ(reverbMaskFor(96000), 0xffff);
    EXPECT_EQ(reverbMaskFor(192000), 0x1ffff);
}

TEST(ReverbStage, SpringDistancesAt44100And96000) {
    ReverbRig rig(44100, 0);
    const Reverb& r = rig.reverb;
    EXPECT_NEAR(r.scale, 0.14545, 1e-5);
    const int b[6] = {2384, 2384, 2874, 2874, 3466, 3466};
    const int c[6] = {75, 75, 63, 63, 57, 57};
    const int a[4] = {380, 374, 310, 315};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.distB[i], b[i]) << i;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.distC[i], c[i]) << i;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(r.distA[i], a[i]) << i;
    // Positions as index values: the write position starts at the mask.
    EXPECT_EQ(r.w, 0x7fff);
    EXPECT_EQ(r.readB(0), 0x7fff - 2384);

    ReverbRig fast(96000, 0);
    EXPECT_EQ(fast.reverb.mask, 0xffff);
    EXPECT_EQ(fast.reverb.distB[0], 5188);
    EXPECT_EQ(fast.reverb.distB[0],
              static_cast<int>(std::ceil(96000 / 303187.5 * 32767 * 0.5)));
}

TEST(ReverbStage, PlateDistancesAt44100And96000) {
    ReverbRig rig(44100, 1);
    const Reverb& r = rig.reverb;
    EXPECT_NEAR(r.scale, 0.0067293, 1e-7);
    const int c[6] = {10708, 8959, 11089, 8433, 10310, 9840};
    const int a[4] = {2107, 790, 1540, 595};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.distC[i], c[i]) << i;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(r.distA[i], a[i]) << i;

    ReverbRig fast(96000, 1);
    const double h = 96000 * 44.1 * 5 / 1445024700.0;
    EXPECT_EQ(fast.reverb.distC[2], static_cast<int>(std::ceil(h * 3295698.3066 * 0.5)));
    EXPECT_LT(fast.reverb.distC[2], fast.reverb.mask);
}

TEST(ReverbStage, DampingValues) {
    ReverbRig spring(44100, 0, 1.0);
    EXPECT_NEAR(spring.reverb.gain1, 0.35 * std::sqrt(0.56), 1e-12);
    EXPECT_NEAR(spring.reverb.gain2, 0.15 * std::sqrt(0.56), 1e-12);
    EXPECT_NEAR(spring.reverb.lowpassCoef, 0.2, 1e-12);
    spring.reverb.setDamping(0.0);
    EXPECT_NEAR(spring.reverb.gain1, 0.7 * std::pow(0.5, 0.01) * std::sqrt(0.56), 1e-12);
    EXPECT_NEAR(spring.reverb.lowpassCoef, 0.72, 1e-12);

    ReverbRig plate(44100, 1, 1.0);
    EXPECT_NEAR(plate.reverb.gain1, 0.5, 1e-12);
    EXPECT_NEAR(plate.reverb.gain2, 0.8409, 1e-4);
    EXPECT_NEAR(plate.reverb.lowpassCoef, 0.4, 1e-12);
    plate.reverb.setDamping(0.0);
    EXPECT_NEAR(plate.reverb.gain1, 0.9931, 1e-4);
    EXPECT_NEAR(plate.reverb.lowpassCoef, 0.8, 1e-12);

    // A type change recomputes the damping for the new topology.
    plate.reverb.setDamping(1.0);
    plate.reverb.setType(0, 44100);
    EXPECT_NEAR(plate.reverb.gain1, 0.35 * std::sqrt(0.56), 1e-12);
}

TEST(ReverbStage, AmountZeroPassesTheInput) {
    for (int type : {0, 1}) {
        ReverbRig rig(44100, type, 0.1, 0.0);
        for (int i = 0; i < 20000; ++i) {
            const double inL = std::sin(i * 0.01), inR = std::cos(i * 0.013);
            double l = inL, r = inR;
            rig.reverb.process(l, r);
            ASSERT_EQ(l, inL + 1e-15);
            ASSERT_EQ(r, inR + 1e-15);
        }
    }
}

TEST(ReverbStage, AmountBlendsTowardsTheScaledReverb) {
    // The reverb's own state does not depend on the amount, so runs with amount 1 and
    // 0.5 differ only in the blend: out(0.5) = (in + out(1)) / 2.
    for (int type : {0, 1}) {
        ReverbRig full(44100, type, 0.3, 1.0), half(44100, type, 0.3, 0.5);
        double peak = 0;
        for (int i = 0; i < 30000; ++i) {
            const double in = i < 100 ? std::sin(i * 0.3) : 0.0;
            double l1 = in, r1 = 0.5 * in, l2 = in, r2 = 0.5 * in;
            full.reverb.process(l1, r1);
            half.reverb.process(l2, r2);
            ASSERT_NEAR(l2, 0.5 * (in + 1e-15 + l1), 1e-12);
            ASSERT_NEAR(r2, 0.5 * (0.5 * in + 1e-15 + r1), 1e-12);
            peak = std::max(peak, std::fabs(l1));
            // The spring's first reflection needs its shortest B line (2384 samples):
            // with amount 1 the dry burst before it is gone from the output.
            if (type == 0 && i < 2300) {
                ASSERT_LT(std::fabs(l1), 1e-12) << i;
            }
        }
        EXPECT_GT(peak, 1e-3) << type;
        // With amount 1 nothing of the dry input is left at the output.
        EXPECT_LT(peak, 0.5) << type;
    }
}

TEST(ReverbStage, OutputBandPassPeaksWithUnitGain) {
    for (int type : {0, 1}) {
        ReverbRig rig(44100, type);
        const Reverb& r = rig.reverb;
        const double centre = type == 0 ? 800.0 : 2000.0;
        auto gainAt = [&](double f) {
            ReverbBandPass bp;
            double peak = 0;
            for (int i = 0; i < 44100; ++i) {
                double y = bp.step(std::sin(2 * M_PI * f * i / 44100.0), r.bpB0, r.bpB2, r.bpA1,
                                   r.bpA2);
                if (i > 22050) peak = std::max(peak, std::fabs(y));
            }
            return peak;
        };
        EXPECT_NEAR(gainAt(centre), 1.0, 0.01) << type;
        // Very low Q: a gentle slope on either side.
        EXPECT_LT(gainAt(centre / 8), 0.95) << type;
        EXPECT_LT(gainAt(centre / 32), 0.5) << type;
        EXPECT_LT(gainAt(std::min(centre * 8, 20000.0)), 0.95) << type;
    }
}

TEST(ReverbStage, TailsDecayAndStayFinite) {
    for (int type : {0, 1}) {
        for (double damp : {0.0, 1.0}) {
            ReverbRig rig(44100, type, damp);
            auto out = rig.impulse(44100 * 8);
            const double early = energy(out, 0, 44100);
            const double late = energy(out, 44100 * 7, 44100 * 8);
            EXPECT_GT(early, 0.0);
            EXPECT_LT(late, early * 1e-3) << "type " << type << " damp " << damp;
            for (double v : out) ASSERT_TRUE(std::isfinite(v));
        }
    }
    // More damping, shorter tail.
    ReverbRig open(44100, 1, 0.0), damped(44100, 1, 1.0);
    auto a = open.impulse(44100 * 2), b = damped.impulse(44100 * 2);
    EXPECT_GT(energy(a, 44100, 88200), energy(b, 44100, 88200));
}

TEST(ReverbStage, TypeChangeContinuesTheTailAndResetClearsIt) {
    ReverbRig rig(44100, 0);
    rig.impulse(20000);
    rig.reverb.setType(1, 44100);
    auto after = rig.impulse(20000, 0.0);
    EXPECT_GT(energy(after, 0, 20000), 1e-12);

    rig.reverb.reset();
    auto silent = rig.impulse(20000, 0.0);
    // Only the 1e-15 input offsets remain.
    for (double v : silent) ASSERT_LT(std::fabs(v), 1e-12);
}

TEST(ReverbStage, OutOfRangeDampingStaysStable) {
    for (double damp : {-5.0, 3.0, std::nan("")}) {
        ReverbRig rig(44100, 0, damp);
        auto out = rig.impulse(44100 * 4);
        EXPECT_TRUE(std::isfinite(rig.reverb.lowpassCoef));
        EXPECT_LT(std::fabs(out.back()), 1e-3) << damp;
    }
}

TEST(ReverbStage, UnattachedReverbDoesNothing) {
    Reverb reverb;
    reverb.setType(0, 44100);
    reverb.reset();
    double l = 0.5, r = 0.25;
    reverb.process(l, r);
    EXPECT_EQ(l, 0.5);
    EXPECT_EQ(r, 0.25);
}

// The block hands the reverb runs of samples. A run must sound exactly as the same
// samples one at a time: at rates where the lines are shorter than a run (a span that
// read what it wrote itself would differ), across the wrap of the lines (the first
// sample after placing wraps at once, and 40000 samples pass the end again), and with
// runs of every length up to the longest.
TEST(ReverbStage, RunsSoundAsSampleBySample) {
    for (double rate : {4096.0, 8000.0, 44100.0}) {
        for (int type : {0, 1}) {
            ReverbRig single(rate, type, 0.3, 0.7), runs(rate, type, 0.3, 0.7);
            unsigned seed = 7;
            std::vector<Stereo> in(40000);
            for (Stereo& v : in) {
                seed = seed * 1103515245u + 12345u;
                const double a = ((seed >> 8) & 0xffff) / 32768.0 - 1.0;
                v = Stereo{a, 0.5 * a};
            }
            std::vector<Stereo> expected = in, got = in;
            for (Stereo& v : expected) single.reverb.process(v);
            for (size_t at = 0, len = 1; at < got.size(); at += len, len = len % 128 + 1) {
                len = std::min(len, got.size() - at);
                runs.reverb.processRun(&got[at], static_cast<int>(len));
            }
            int differing = 0;
            for (size_t i = 0; i < in.size(); ++i)
                if (!(got[i] == expected[i])) ++differing;
            EXPECT_EQ(differing, 0) << "rate " << rate << " type " << type;
        }
    }
}

namespace {

// The reverb written out plainly, one sample at a time with wrapped indices, on lines of
// its own. It takes the geometry and coefficients from a placed Reverb (checked above);
// the stage, whatever it does to go faster, must sound exactly like it.
struct PlainReverb {
    int mask, w;
    std::vector<double> B[6], C[6], A[4];
    int rB[6], rC[6], rA[4];
    double lp[6] = {};
    double band[2][4] = {};  // per channel: x1, x2, y1, y2
    const Reverb& r;

    explicit PlainReverb(const Reverb& placed) : mask(placed.mask), r(placed) {
        for (auto& line : B) line.assign(mask + 1, 0.0);
        for (auto& line : C) line.assign(mask + 1, 0.0);
        for (auto& line : A) line.assign(mask + 1, 0.0);
        place();
    }
    // The indices where the reverb has just placed its own; the lines keep their contents.
    void place() {
        w = r.w;
        for (int i = 0; i < 6; ++i) rB[i] = (w - r.distB[i]) & mask;
        for (int i = 0; i < 6; ++i) rC[i] = (w - r.distC[i]) & mask;
        for (int i = 0; i < 4; ++i) rA[i] = (w - r.distA[i]) & mask;
    }
    double lowpass(int i, double v) {
        lp[i] += (v - lp[i]) * r.lowpassCoef;
        return lp[i];
    }
    void advance() {
        w = (w + 1) & mask;
        for (int& i : rB) i = (i + 1) & mask;
        for (int& i : rC) i = (i + 1) & mask;
        for (int& i : rA) i = (i + 1) & mask;
    }
    void spring(double x, double& oL, double& oR) {
        const double g = 0.7071, k1 = r.gain1, k2 = r.gain2;
        double q[6], y[6];
        for (int i = 0; i < 6; ++i) q[i] = i % 2 ? B[i][rB[i]] : lowpass(i, B[i][rB[i]]);
        for (int i = 0; i < 6; ++i) {
            y[i] = C[i][rC[i]] - g * q[i];
            C[i][w] = q[i] + g * y[i];
        }
        B[0][w] = (y[1] * k2 + y[0]) * k1 + x;
        B[1][w] = y[1] * k1 + y[0];
        B[2][w] = (y[3] * k2 + y[2]) * k1 * 0.975 + x;
        B[3][w] = y[3] * k1 * 0.975 + y[2];
        B[4][w] = (y[5] * k2 + y[4]) * k1 * 0.95 + x;
        B[5][w] = y[5] * k1 * 0.95 + y[4];
        const double sL = B[3][rB[1]] + B[1][w] + B[5][w];
        const double sR = B[1][rB[1]] + B[3][w] + B[5][w];
        double t = A[0][rA[0]] - g * sL;
        A[0][w] = g * t + sL;
        oL = A[2][rA[2]] - g * t;
        A[2][w] = g * oL + t;
        t = A[1][rA[1]] - g * sR;
        A[1][w] = g * t + sR;
        oR = A[3][rA[3]] - g * t;
        A[3][w] = g * oR + t;
    }
    void plate(double x, double& sL, double& sR) {
        const double g = 0.7 * r.gain2, h = 0.7 * r.gain1;
        const double y1 = A[0][rA[0]] - g * x;
        A[0][w] = x + g * y1;
        const double y2 = A[1][rA[1]] + g * y1;
        A[1][w] = y1 - g * y2;
        const double y3 = A[2][rA[2]] - g * y2;
        A[2][w] = y2 + g * y3;
        const double s = A[3][rA[3]] + g * y3;
        A[3][w] = y3 - g * s;
        for (int i = 0; i < 6; ++i) {
            const double l = lowpass(i, C[i][rC[i]]);
            C[i][w] = i % 2 ? s + h * (l - h * s) : s - h * (h * s + l);
        }
        sL = C[3][rA[2]] + C[0][rA[0]] + C[4][w];
        sR = C[1][rA[1]] + C[2][rA[3]] + C[5][w];
    }
    double bandPass(double* s, double x) const {
        const double y = r.bpB0 * x + r.bpB2 * s[1] - r.bpA1 * s[2] - r.bpA2 * s[3];
        s[1] = s[0];
        s[0] = x;
        s[3] = s[2];
        s[2] = (y + 1e-30) - 1e-30;
        return y;
    }
    void process(Stereo& v) {
        const double L = v[0] + 1e-15, R = v[1] + 1e-15;
        double oL, oR;
        if (r.type == 0) spring(L + R, oL, oR); else plate(L + R, oL, oR);
        advance();
        const double level = r.type == 0 ? 0.1625 : 0.3;
        const double yL = level * bandPass(band[0], oL);
        const double yR = level * bandPass(band[1], oR);
        v = Stereo{L + (yL - L) * r.amount, R + (yR - R) * r.amount};
    }
};

}  // namespace

// Runs of every length up to the longest, at rates where the lines are shorter than a
// run and at the usual ones, through several wraps of the lines: every output sample
// equal to the plain sample-by-sample reverb's, for both types and for a type change in
// the middle of a tail.
TEST(ReverbStage, SoundsExactlyAsThePlainReverb) {
    for (double rate : {4096.0, 11025.0, 44100.0, 96000.0}) {
        for (int type : {0, 1}) {
            ReverbRig rig(rate, type, 0.3, 0.7);
            PlainReverb plain(rig.reverb);
            unsigned seed = 11;
            const int total = 3 * (rig.reverb.mask + 1) + 1000;
            std::vector<Stereo> in(total);
            for (size_t i = 0; i < in.size(); ++i) {
                seed = seed * 1103515245u + 12345u;
                const double a = ((seed >> 8) & 0xffff) / 32768.0 - 1.0;
                // Silence first (the lines hold only the tiny input offsets), then bursts
                // and silence, so that tails ring on their own too.
                in[i] = (i / 5000) % 3 == 0 ? Stereo{0.0, 0.0} : Stereo{a, -0.3 * a};
            }
            std::vector<Stereo> expected = in, got = in;
            int differing = 0;
            bool switched = false;
            for (size_t at = 0, len = 1; at < got.size(); at += len, len = len % 128 + 1) {
                len = std::min(len, got.size() - at);
                if (!switched && at >= got.size() / 2) {
                    // The other topology from the same line contents.
                    rig.reverb.setType(1 - type, rate);
                    plain.place();
                    switched = true;
                }
                rig.reverb.processRun(&got[at], static_cast<int>(len));
                for (size_t i = at; i < at + len; ++i) {
                    plain.process(expected[i]);
                    if (!(got[i] == expected[i])) ++differing;
                }
                // The states too: a difference far below the signal would not show in it.
                const ReverbBandPassOf<Stereo>& bp = rig.reverb.bp;
                if (!(bp.y1 == Stereo{plain.band[0][2], plain.band[1][2]}) ||
                    !(bp.y2 == Stereo{plain.band[0][3], plain.band[1][3]}))
                    ++differing;
                for (int i = 0; i < 6; ++i)
                    if (!(rig.reverb.lp[i] == plain.lp[i])) ++differing;
            }
            EXPECT_EQ(differing, 0) << "rate " << rate << " type " << type;
        }
    }
}
