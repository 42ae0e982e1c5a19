// The drive: a soft limiter on the delay-line input driven by the mean of |u| * gain
// over a short window (2 to 16 samples by sample rate). For a steady signal the output
// peaks at 1/driveGain: higher Drive lowers the ceiling from 1 to 1/16 and bends the
// curve earlier. Dry path and feedback are never driven.
//
// Contract: per sample on the audio thread, inside the block. Reads the line input u of
// both channels (after the anti-alias filter) and the smoothed driveGain; writes u
// multiplied by the drive's gain while the drive is on (Drive value above 0). Its rings
// learn |u| * driveGain whether it is on or not, so that switching it on acts at once.
// The window follows the sample rate (setWindow, under the engine lock).
#pragma once

#include <cmath>

#include "Stereo.h"

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

    // driveBufL, driveBufR: |u| * driveGain, left and right side by side per position.
    Stereo ring[kRingSize] = {};
    int index = 0;                // driveIndex
    int window = 4;               // driveWindow
    // Running window sums; beginBlock() recomputes them from the rings.
    Stereo sum{0.0, 0.0};
    // Per block, for both channels: the window length as a number, twice it (where the
    // gain turns from 1 - m/4 to 1/m) and the exact reciprocal of this power of two
    // (sum * 0.25 / n and sum * 0.25 * (1 / n) are the same number).
    Stereo n{4.0, 4.0}, twiceN{8.0, 8.0}, invN{0.25, 0.25};
    int mask = 3;  // window - 1

    void reset() {
        for (int i = 0; i < kRingSize; ++i) ring[i] = Stereo{0.0, 0.0};
        sum = Stereo{0.0, 0.0};
    }
    // A change of rate: new window, position 0.
    void setWindow(int n) {
        window = (n == 2 || n == 4 || n == 8 || n == 16) ? n : 4;
        index = 0;
        setConstants();
    }
    bool finite() const { return std::isfinite(sum[0]) && std::isfinite(sum[1]); }

    // Once per block, before the first sample: the sums start exact every block.
    inline void beginBlock() {
        Stereo s{0.0, 0.0};
        for (int i = 0; i < window; ++i) s = s + ring[i];
        sum = s;
        setConstants();
    }
    void setConstants() {
        n = both(window);
        twiceN = both(2.0 * window);
        invN = both(1.0 / window);
        mask = window - 1;
    }

    static inline double gainFor(double sum, int n) {
        return sum > 2.0 * n ? n / sum : 1.0 - sum * 0.25 / n;
    }
    // gainFor of both channels at once.
    inline Stereo gain() const {
        return select(sum > twiceN, n / sum, 1.0 - sum * 0.25 * invN);
    }

    static inline Stereo learned(Stereo u, double driveGain) {
        return magnitude(u) * driveGain;
    }

    // Per sample: the rings learn |u| * driveGain; only when on is u multiplied by the
    // gain. Take |u| for the envelope follower before.
    inline void step(Stereo& u, double driveGain, bool on) {
        const Stereo v = learned(u, driveGain);
        sum = sum + (v - ring[index]);
        ring[index] = v;
        index = (index + 1) & mask;
        if (on) u = u * gain();
    }
    inline void step(double& uL, double& uR, double driveGain, bool on) {
        Stereo u{uL, uR};
        step(u, driveGain, on);
        uL = u[0];
        uR = u[1];
    }

    // Sample i of the block: step() while the drive is on, learn() while it is off.
    inline void run(int i, Stereo& u, double driveGain, bool on) {
        if (on)
            step(u, driveGain, true);
        else
            learn(i, u, driveGain);
    }

    // While the drive is off the rings need only what they would hold at the next block:
    // sample i of the block goes where the index will have passed, and the index moves
    // on once after the block (skip); the sums are rebuilt at the next block's start.
    inline void learn(int i, Stereo u, double driveGain) {
        ring[(index + i) & mask] = learned(u, driveGain);
    }
    void skip(int frames) { index = (index + frames) & mask; }
};

}  // namespace lumdel
