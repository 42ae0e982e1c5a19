// The spring (type 0) and plate (type 1) reverb at the end of the signal path. Both run
// on sixteen circular lines of one power-of-two length that share one write position:
// group B (six lines, spring only), group C (six) and group A (four). Every read sits a
// fixed distance behind the write position, so the whole set advances by one counter.
//
// ReverbLines owns the memory (allocated only when the sample rate changes); Reverb is
// a plain record of pointers, positions, coefficients and filter states that the block
// may copy into a local and write back.
//
// Contract: per sample on the audio thread, inside the block, while RvbOn. Reads the
// mixed signal of both channels (RvbMode decides whether the dry share is in it) and
// RvbAmt; writes the mixed signal blended towards the reverb's output. RvbDamp is taken
// over between blocks (setDamping); RvbType moves the positions under the engine lock.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "Denormal.h"
#include "Stereo.h"

// Tells GCC that a span's loop reads no sample it writes (the spans are cut so), so it
// may run several samples at once. Other compilers go without the hint.
#if defined(__GNUC__) && !defined(__clang__)
#define LUMDEL_SPAN_LOOP _Pragma("GCC ivdep")
#else
#define LUMDEL_SPAN_LOOP
#endif

namespace lumdel {

// Line length - 1 for a sample rate: 0x7fff below 50000 Hz, 0xffff below 100000 Hz,
// 0x1ffff above.
int reverbMaskFor(double fs);

class ReverbLines {
public:
    static constexpr int kLines = 16;
    // Lines of a power-of-two length written at one shared position would all fall into
    // the same cache set; a gap of nine cache lines between them spreads them out.
    static constexpr std::size_t kGap = 72;

    void allocate(int mask);  // 16 lines of mask + 1 zeroed doubles
    double* line(int i) { return data_.get() + static_cast<std::size_t>(i) * stride(); }
    int mask() const { return mask_; }
    std::size_t stride() const { return mask_ + 1u + kGap; }
    std::size_t bytes() const { return data_ ? kLines * stride() * sizeof(double) : 0; }

private:
    std::unique_ptr<double[]> data_;
    int mask_ = 0;
};

// The output band-pass of one channel (V double) or of both at once (V Stereo). The
// coefficients C are plain numbers or, for a pair, the number in both lanes.
template <typename V>
struct ReverbBandPassOf {
    V x1{}, x2{}, y1{}, y2{};
    template <typename C>
    inline V step(V x, C b0, C b2, C a1, C a2) {
        const V y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = flush(y);
        return y;
    }
};
using ReverbBandPass = ReverbBandPassOf<double>;

// {a[0] - b[0], a[1] + b[1]}, exactly as the two scalar operations: one instruction where
// the CPU has it, else the left lane of b negated (exact) and added.
inline Stereo subAdd(Stereo a, Stereo b) {
#if defined(__SSE3__)
    return Stereo(__builtin_ia32_addsubpd(a.v, b.v));
#else
    constexpr std::int64_t kSign = static_cast<std::int64_t>(1ULL << 63);
    return a + Stereo((Double2)((Mask2)b.v ^ Mask2{kSign, 0}));
#endif
}

struct Reverb {
    static constexpr double kDenormalOffset = 1e-15;  // added to the reverb's input

    // Lines: B0..B5, C0..C5, A0..A3 (not owned).
    double* b[6] = {};
    double* c[6] = {};
    double* a[4] = {};
    int mask = 0;  // reverbMask
    std::size_t storageBytes = 0;  // the whole block of lines, starting at B0

    int type = 0;                  // rvbType
    int w = 0;                     // the shared write position (wB = wC)
    int distB[6] = {}, distC[6] = {}, distA[4] = {};  // write minus read, in samples

    double scale = 0;        // reverbScale (h)
    double gain0 = 0;        // reverbGain0: the common factor of the loop gains
    double gain1 = 0;        // reverbGain1 (k1)
    double gain2 = 0;        // reverbGain2 (k2)
    double lowpassCoef = 0;  // reverbLowpassCoef (cD)
    double amount = 0;       // reverbAmount (RvbAmt)
    double damping = 0.1;    // RvbDamp value the gains were computed from
    double placedRate = 0;   // rate and mask the positions were placed for (0: not yet)
    int placedMask = 0;

    double lp[6] = {};  // damping states
    double bpB0 = 0, bpB2 = 0, bpA1 = 0, bpA2 = 0;
    ReverbBandPassOf<Stereo> bp;  // left and right

    // Points the record at freshly allocated lines; call setType afterwards.
    void attach(ReverbLines& lines);
    // Positions, scale, output band-pass and damping for type 0 or 1 at rate fs. Keeps
    // the lines' contents (a tail continues through the new topology). The type it
    // already has, at the rate and line length it was placed for, moves nothing.
    void setType(int newType, double fs);
    // Loop gains and damping coefficient for the RvbDamp value d and the current type.
    void setDamping(double d);
    // Zeroes the lines, the damping states and both band-pass states.
    void reset();
    // Zeroes the damping and band-pass states only (the lines are known to be silent).
    void resetFilters() {
        for (double& v : lp) v = 0;
        bp = ReverbBandPassOf<Stereo>();
    }
    bool finite() const { return std::isfinite(bp.y1[0]) && std::isfinite(bp.y1[1]); }

    // Read position of line Bi as an index (write position minus distance, wrapped).
    int readB(int i) const { return (w - distB[i]) & mask; }

    // The longest run the block hands over at once (see processRun).
    static constexpr int kMaxRun = 128;

    // One sample: mixed holds the mixed signals of both channels; they are blended
    // towards the reverb output by amount. Only called while RvbOn; otherwise the reverb
    // stands still.
    inline void process(Stereo& mixed) { processRun(&mixed, 1); }
    inline void process(double& L, double& R) {
        Stereo mixed{L, R};
        process(mixed);
        L = mixed[0];
        R = mixed[1];
    }

    // n samples (at most kMaxRun) in a row, each as process() would take it. Both types
    // run stage by stage over spans of the run (see spanFor); the spring's spans are as
    // long as its shortest allpass (57 samples at 44100 Hz).
    inline void processRun(Stereo* mixed, int n) {
        if (mask == 0 || n <= 0) return;  // no lines attached
        double x[kMaxRun];
        for (int t = 0; t < n; ++t) {
            mixed[t] = mixed[t] + kDenormalOffset;
            x[t] = mixed[t][0] + mixed[t][1];
        }
        ReverbBandPassOf<Stereo> band = bp;  // in registers while the run goes on
        if (type == 0) {
            springRun(x, mixed, n, band);
        } else {
            for (int done = 0; done < n;) {
                const int span = spanFor(n - done);
                plateSpanRun(x + done, mixed + done, span, band);
                w = (w + span) & mask;
                done += span;
            }
        }
        bp = band;
    }

private:
    static constexpr double kSpringLevel = 0.1625;  // the band-passed output's level
    static constexpr double kPlateLevel = 0.3;

    // The band-pass coefficients, the level and the amount in both lanes, taken once per
    // run or span: a loop short of registers then reads each from memory inside the
    // operation that needs it rather than with an instruction of its own.
    struct BlendCoefficients {
        Stereo b0, b2, a1, a2, level, amount;
    };
    BlendCoefficients blendCoefficients(double level) const {
        return {both(bpB0), both(bpB2), both(bpA1), both(bpA2), both(level), both(amount)};
    }
    // The output band-pass on the reverb's output taps, and the mixed signal blended
    // towards it by amount.
    static inline void blend(Stereo& mixed, Stereo taps, ReverbBandPassOf<Stereo>& band,
                             const BlendCoefficients& k) {
        const Stereo y = k.level * band.step(taps, k.b0, k.b2, k.a1, k.a2);
        mixed = mixed + (y - mixed) * k.amount;
    }

    // How many of the next `wanted` samples can go as one span: no read or write position
    // wraps inside it, and every line the type uses is read at least a span behind where
    // it is written, so that no stage reads what the same span writes.
    int spanFor(int wanted) const {
        int span = std::min(wanted, mask + 1 - w);
        const auto limit = [&](int dist) {
            span = std::min({span, dist, mask + 1 - ((w - dist) & mask)});
        };
        if (type == 0)
            for (int dist : distB) limit(dist);
        for (int dist : distC) limit(dist);
        for (int dist : distA) limit(dist);
        return std::max(span, 1);
    }

    // The spring over a run of n samples, span by span: the B lines' outputs damped
    // sample by sample, then the C allpasses, the B lines' writing and the output
    // allpasses over the whole span (no sample of a span depends on another there), then
    // the band-pass and the blend sample by sample. The damping of one span and the
    // band-pass of the span before it are two recursions that need nothing of each
    // other: they go through one loop, so that each runs while the other waits. The same
    // operations per sample as one sample at a time. x: the summed inputs; mixed: the
    // signals to blend.
    inline void springRun(const double* x, Stereo* mixed, int n,
                          ReverbBandPassOf<Stereo>& band) {
        double q[3][kMaxRun];          // the even B lines' damped outputs, by run position
        double oL[kMaxRun], oR[kMaxRun];  // the output allpasses' outputs, by run position
        const BlendCoefficients out = blendCoefficients(kSpringLevel);
        int last = 0, lastSpan = 0;    // the span whose band-pass is still to come
        for (int done = 0; done < n;) {
            const int span = spanFor(n - done);
            springDampAndBlend(q, done, span, oL, oR, mixed, last, lastSpan, band, out);
            springSpanRun(x + done, q, done, oL + done, oR + done, span);
            w = (w + span) & mask;
            last = done;
            lastSpan = span;
            done += span;
        }
        springDampAndBlend(q, n, 0, oL, oR, mixed, last, lastSpan, band, out);
    }

    // The damping low-passes of B0, B2 and B4 over a span: where they read, their
    // states and coefficient, and one sample's step.
    struct SpringDamping {
        const double *r0, *r2, *r4;
        double lp0, lp2, lp4, cd;
        // Sample t of the span; the damped outputs into q at run position i.
        inline void step(int t, double (*q)[kMaxRun], int i) {
            lp0 += (r0[t] - lp0) * cd;
            lp2 += (r2[t] - lp2) * cd;
            lp4 += (r4[t] - lp4) * cd;
            q[0][i] = lp0;
            q[1][i] = lp2;
            q[2][i] = lp4;
        }
    };

    // The damping of the B lines' outputs over n samples from the write position w
    // (into q from run position at) and, side by side, the band-pass and the blend of
    // the m samples from run position from.
    inline void springDampAndBlend(double (*q)[kMaxRun], int at, int n, const double* oL,
                                   const double* oR, Stereo* mixed, int from, int m,
                                   ReverbBandPassOf<Stereo>& band,
                                   const BlendCoefficients& out) {
        SpringDamping damping{b[0] + ((w - distB[0]) & mask), b[2] + ((w - distB[2]) & mask),
                              b[4] + ((w - distB[4]) & mask), lp[0], lp[2], lp[4],
                              lowpassCoef};
        const int common = std::min(n, m);
        for (int t = 0; t < common; ++t) {
            damping.step(t, q, at + t);
            blend(mixed[from + t], Stereo{oL[from + t], oR[from + t]}, band, out);
        }
        for (int t = common; t < n; ++t) damping.step(t, q, at + t);
        for (int t = common; t < m; ++t)
            blend(mixed[from + t], Stereo{oL[from + t], oR[from + t]}, band, out);
        lp[0] = damping.lp0;
        lp[2] = damping.lp2;
        lp[4] = damping.lp4;
    }

    // The spring's allpasses over one span of n samples from the shared write position w:
    // six allpasses on the C lines, the B lines written from them and the input, the
    // output sums and the two allpasses in series per channel on the A lines. x: the
    // summed inputs of the span; q: the damped outputs by run position, the span's from
    // position from; oL, oR: the output allpasses' outputs over the span.
    inline void springSpanRun(const double* x, const double (*q)[kMaxRun], int from,
                              double* oL, double* oR, int n) {
        const int wi = w;
        const auto at = [&](double* line, int dist) { return line + ((wi - dist) & mask); };
        constexpr double g = 0.7071;
        const double* q0 = q[0] + from;
        const double* q2 = q[1] + from;
        const double* q4 = q[2] + from;
        const double* q1 = at(b[1], distB[1]);
        const double* q3 = at(b[3], distB[3]);
        const double* q5 = at(b[5], distB[5]);

        const double* rc[6];
        double* wc[6];
        double* wb[6];
        for (int i = 0; i < 6; ++i) {
            rc[i] = at(c[i], distC[i]);
            wc[i] = c[i] + wi;
            wb[i] = b[i] + wi;
        }
        const double* tapL = at(b[3], distB[1]);
        const double* tapR = at(b[1], distB[1]);
        const double* ra[4];
        double* wa[4];
        for (int i = 0; i < 4; ++i) {
            ra[i] = at(a[i], distA[i]);
            wa[i] = a[i] + wi;
        }
        const double k1 = gain1, k2 = gain2;
LUMDEL_SPAN_LOOP
        for (int t = 0; t < n; ++t) {
            const double in[6] = {q0[t], q1[t], q2[t], q3[t], q4[t], q5[t]};
            double y[6];
            for (int i = 0; i < 6; ++i) {
                y[i] = rc[i][t] - g * in[i];
                wc[i][t] = in[i] + g * y[i];
            }
            const double b1 = y[1] * k1 + y[0];
            const double b3 = y[3] * k1 * 0.975 + y[2];
            const double b5 = y[5] * k1 * 0.95 + y[4];
            wb[0][t] = (y[1] * k2 + y[0]) * k1 + x[t];
            wb[1][t] = b1;
            wb[2][t] = (y[3] * k2 + y[2]) * k1 * 0.975 + x[t];
            wb[3][t] = b3;
            wb[4][t] = (y[5] * k2 + y[4]) * k1 * 0.95 + x[t];
            wb[5][t] = b5;
            const double sL = tapL[t] + b1 + b5;
            const double sR = tapR[t] + b3 + b5;

            const double uL = ra[0][t] - g * sL;
            wa[0][t] = g * uL + sL;
            oL[t] = ra[2][t] - g * uL;
            wa[2][t] = g * oL[t] + uL;
            const double uR = ra[1][t] - g * sR;
            wa[1][t] = g * uR + sR;
            oR[t] = ra[3][t] - g * uR;
            wa[3][t] = g * oR[t] + uR;
        }
    }

    // The plate over one span of n samples from the shared write position w: the
    // allpasses over the whole span first, then sample by sample the combs, the output
    // taps, the band-pass and the blend (so that the damping and the band-pass recursions
    // run side by side), with the same operations per sample as one sample at a time.
    // x: the summed inputs; mixed: the signals to blend.
    inline void plateSpanRun(const double* x, Stereo* mixed, int n,
                             ReverbBandPassOf<Stereo>& band) {
        const int wi = w;
        const auto at = [&](double* line, int dist) { return line + ((wi - dist) & mask); };

        // Four allpasses in series with alternating sign. Within a span the samples are
        // independent of each other (every line is read a span or more behind its
        // writing), so the loop takes several samples per instruction.
        const double g = 0.7 * gain2;
        double s[kMaxRun];
        {
            const double* r0 = at(a[0], distA[0]);
            const double* r1 = at(a[1], distA[1]);
            const double* r2 = at(a[2], distA[2]);
            const double* r3 = at(a[3], distA[3]);
            double* w0 = a[0] + wi;
            double* w1 = a[1] + wi;
            double* w2 = a[2] + wi;
            double* w3 = a[3] + wi;
LUMDEL_SPAN_LOOP
            for (int t = 0; t < n; ++t) {
                const double y1 = r0[t] - g * x[t];
                w0[t] = x[t] + g * y1;
                const double y2 = r1[t] + g * y1;
                w1[t] = y1 - g * y2;
                const double y3 = r2[t] - g * y2;
                w2[t] = y2 + g * y3;
                s[t] = r3[t] + g * y3;
                w3[t] = y3 - g * s[t];
            }
        }

        // Six damped combs fed with s, their damping states side by side in three pairs
        // (lines 0|1, 2|3, 4|5). An even line writes s - h (h s + lp), an odd one
        // s + h (lp - h s): per pair {lp - (-h s), lp + (-h s)} (the same sums, as
        // subtracting is adding the negated value), times h, then {s - that, s + that}.
        const Stereo h = both(0.7 * gain1);
        const double cd = lowpassCoef;
        Stereo damped[3] = {Stereo{lp[0], lp[1]}, Stereo{lp[2], lp[3]}, Stereo{lp[4], lp[5]}};
        const double* rc[6];
        double* wc[6];
        for (int i = 0; i < 6; ++i) {
            rc[i] = at(c[i], distC[i]);
            wc[i] = c[i] + wi;
        }
        // Output taps: read at the allpasses' distances and at the write position.
        const double* l0 = at(c[3], distA[2]);
        const double* l1 = at(c[0], distA[0]);
        const double* r0 = at(c[1], distA[1]);
        const double* r1 = at(c[2], distA[3]);
        const BlendCoefficients out = blendCoefficients(kPlateLevel);
        for (int t = 0; t < n; ++t) {
            const Stereo st = both(s[t]);
            const Stereo minusHs = -(h * st);
            Stereo fed;
            for (int p = 0; p < 3; ++p) {
                const Stereo v{rc[2 * p][t], rc[2 * p + 1][t]};
                damped[p] = damped[p] + (v - damped[p]) * cd;
                fed = subAdd(st, h * subAdd(damped[p], minusHs));
                wc[2 * p][t] = fed[0];
                wc[2 * p + 1][t] = fed[1];
            }
            const Stereo taps{l0[t] + l1[t] + fed[0], r0[t] + r1[t] + fed[1]};
            blend(mixed[t], taps, band, out);
        }
        for (int p = 0; p < 3; ++p) {
            lp[2 * p] = damped[p][0];
            lp[2 * p + 1] = damped[p][1];
        }
    }
};

}  // namespace lumdel
