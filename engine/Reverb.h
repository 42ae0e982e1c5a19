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

#include <cmath>
#include <cstddef>
#include <memory>

#include "Denormal.h"
#include "Stereo.h"

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

// The output band-pass of one channel (V double) or of both at once (V Stereo).
template <typename V>
struct ReverbBandPassOf {
    V x1{}, x2{}, y1{}, y2{};
    inline V step(V x, double b0, double b2, double a1, double a2) {
        const V y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = flush(y);
        return y;
    }
};
using ReverbBandPass = ReverbBandPassOf<double>;

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

    // One sample: mixed holds the mixed signals of both channels; they are blended
    // towards the reverb output by amount. Only called while RvbOn; otherwise the reverb
    // stands still.
    inline void process(Stereo& mixed) {
        if (mask == 0) return;  // no lines attached
        mixed = mixed + kDenormalOffset;
        const double x = mixed[0] + mixed[1];
        const Stereo out = type == 0 ? processSpring(x) : processPlate(x);
        mixed = mixed + (out - mixed) * amount;
        w = (w + 1) & mask;
    }
    inline void process(double& L, double& R) {
        Stereo mixed{L, R};
        process(mixed);
        L = mixed[0];
        R = mixed[1];
    }

private:
    inline double lowpass(int i, double v) {
        lp[i] += (v - lp[i]) * lowpassCoef;
        return lp[i];
    }

    // The spring's output for the summed input x, before the blend.
    inline Stereo processSpring(double x) {
        constexpr double g = 0.7071;
        const int wi = w;
        double q[6];
        q[0] = lowpass(0, b[0][(wi - distB[0]) & mask]);
        q[1] = b[1][(wi - distB[1]) & mask];
        q[2] = lowpass(2, b[2][(wi - distB[2]) & mask]);
        q[3] = b[3][(wi - distB[3]) & mask];
        q[4] = lowpass(4, b[4][(wi - distB[4]) & mask]);
        q[5] = b[5][(wi - distB[5]) & mask];
        double y[6];
        for (int i = 0; i < 6; ++i) {
            y[i] = c[i][(wi - distC[i]) & mask] - g * q[i];
            c[i][wi] = q[i] + g * y[i];
        }
        const double k1 = gain1, k2 = gain2;
        b[0][wi] = (y[1] * k2 + y[0]) * k1 + x;
        b[1][wi] = y[1] * k1 + y[0];
        b[2][wi] = (y[3] * k2 + y[2]) * k1 * 0.975 + x;
        b[3][wi] = y[3] * k1 * 0.975 + y[2];
        b[4][wi] = (y[5] * k2 + y[4]) * k1 * 0.95 + x;
        b[5][wi] = y[5] * k1 * 0.95 + y[4];

        const int rB1 = (wi - distB[1]) & mask;
        const double sL = b[3][rB1] + b[1][wi] + b[5][wi];
        const double sR = b[1][rB1] + b[3][wi] + b[5][wi];

        double t = a[0][(wi - distA[0]) & mask] - g * sL;
        a[0][wi] = g * t + sL;
        double u = a[2][(wi - distA[2]) & mask] - g * t;
        a[2][wi] = g * u + t;
        const double oL = u;
        t = a[1][(wi - distA[1]) & mask] - g * sR;
        a[1][wi] = g * t + sR;
        u = a[3][(wi - distA[3]) & mask] - g * t;
        a[3][wi] = g * u + t;
        const double oR = u;

        return 0.1625 * bp.step(Stereo{oL, oR}, bpB0, bpB2, bpA1, bpA2);
    }

    // The plate's output for the summed input x, before the blend.
    inline Stereo processPlate(double x) {
        const double g = 0.7 * gain2;
        const int wi = w;
        const int rA0 = (wi - distA[0]) & mask, rA1 = (wi - distA[1]) & mask;
        const int rA2 = (wi - distA[2]) & mask, rA3 = (wi - distA[3]) & mask;

        const double y1 = a[0][rA0] - g * x;
        a[0][wi] = x + g * y1;
        const double y2 = a[1][rA1] + g * y1;
        a[1][wi] = y1 - g * y2;
        const double y3 = a[2][rA2] - g * y2;
        a[2][wi] = y2 + g * y3;
        const double s = a[3][rA3] + g * y3;
        a[3][wi] = y3 - g * s;

        const double h = 0.7 * gain1;
        for (int i = 0; i < 6; i += 2) {
            const double lpe = lowpass(i, c[i][(wi - distC[i]) & mask]);
            c[i][wi] = s - h * (h * s + lpe);
            const double lpo = lowpass(i + 1, c[i + 1][(wi - distC[i + 1]) & mask]);
            c[i + 1][wi] = s + h * (lpo - h * s);
        }

        const double sL = c[3][rA2] + c[0][rA0] + c[4][wi];
        const double sR = c[1][rA1] + c[2][rA3] + c[5][wi];
        return 0.3 * bp.step(Stereo{sL, sR}, bpB0, bpB2, bpA1, bpA2);
    }
};

}  // namespace lumdel
