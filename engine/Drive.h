// The drive: a soft limiter on the delay-line input driven by the mean of |u| * gain
// over a short window (2 to 16 samples by sample rate). For a steady signal the output
// peaks at 1/driveGain: higher Drive lowers the ceiling from 1 to 1/16 and bends the
// curve earlier. Dry path and feedback are never driven.
#pragma once

namespace lumdel {

// Window length, a power of two: 2 up to 25000 Hz, 4 up to 50000, 8 up to 100000, else 16.
inline int driveWindowFor(double fs) {
    if (fs <= 25000.0) return 2;
    if (fs <= 50000.0) return 4;
    if (fs <= 100000.0) return 8;
    return 16;
}

struct Drive {
    static constexpr int kRingSize = 16;

    double bufL[kRingSize] = {};  // driveBufL
    double bufR[kRingSize] = {};  // driveBufR
    int index = 0;                // driveIndex
    int window = 4;               // driveWindow
    // Running window sums; beginBlock() recomputes them from the rings.
    double sumL = 0, sumR = 0;

    void reset() {
        for (int i = 0; i < kRingSize; ++i) bufL[i] = bufR[i] = 0;
        sumL = sumR = 0;
    }
    // A change of rate: new window, position 0.
    void setWindow(int n) {
        window = (n == 2 || n == 4 || n == 8 || n == 16) ? n : 4;
        index = 0;
    }

    // Once per block, before the first sample: the sums start exact every block.
    inline void beginBlock() {
        sumL = sumR = 0;
        for (int i = 0; i < window; ++i) {
            sumL += bufL[i];
            sumR += bufR[i];
        }
    }

    static inline double gainFor(double sum, int n) {
        return sum > 2.0 * n ? n / sum : 1.0 - sum * 0.25 / n;
    }

    // Per sample: the rings always learn |u| * driveGain; only when on (Drive value
    // above 0) is u multiplied by the gain. Take |u| for the envelope follower before.
    inline void step(double& uL, double& uR, double driveGain, bool on) {
        const double vL = (uL < 0 ? -uL : uL) * driveGain;
        const double vR = (uR < 0 ? -uR : uR) * driveGain;
        sumL += vL - bufL[index];
        bufL[index] = vL;
        sumR += vR - bufR[index];
        bufR[index] = vR;
        index = (index + 1) & (window - 1);
        if (on) {
            uL *= gainFor(sumL, window);
            uR *= gainFor(sumR, window);
        }
    }
};

}  // namespace lumdel
