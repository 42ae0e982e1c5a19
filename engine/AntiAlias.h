// The anti-alias low-pass ahead of the clocked lines: two cascaded second-order
// Butterworth sections at 14000 Hz (a fourth-order slope), direct form I, output flushed.
//
// Contract: per sample on the audio thread, inside the block, in the clocked mode only.
// Reads the gained (and possibly filtered) input of both channels; writes the line input
// u before the drive. In the plain mode it does not run: after each block its states
// settle on the last line input (settleOn), so that switching the clocked mode on starts
// without a step. The coefficients follow the rate (design, under the engine lock).
#pragma once

#include <cmath>

#include "MathConstants.h"
#include "Stereo.h"

namespace lumdel {

// States of one section for both channels.
struct StereoBiquad {
    Stereo x1{0.0, 0.0}, x2{0.0, 0.0}, y1{0.0, 0.0}, y2{0.0, 0.0};
};

struct AntiAlias {
    double b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0;  // aaB0, aaB1, aaB2, aaA1, aaA2
    StereoBiquad section[2];

    // 14000 Hz; at 28000 Hz and below that is at or above half the rate, so the design
    // moves to 0.45 fs there.
    void design(double fs) {
        double fc = 14000.0;
        if (fs <= 28000.0) fc = 0.45 * fs;
        const double k = 1.0 / std::tan(kPi * fc / fs);
        const double n = k * k + std::sqrt(2.0) * k + 1.0;
        b0 = 1.0 / n;
        b1 = 2.0 / n;
        b2 = 1.0 / n;
        a1 = 2.0 * (1.0 - k * k) / n;
        a2 = (k * k - std::sqrt(2.0) * k + 1.0) / n;
    }
    void reset() { section[0] = section[1] = StereoBiquad(); }
    bool finite() const {
        return std::isfinite(section[1].y1[0]) && std::isfinite(section[1].y1[1]);
    }

    inline Stereo step(Stereo x) { return run(run(x, section[0]), section[1]); }

    // Every state of both sections at the channel's last line input.
    void settleOn(Stereo u) {
        section[0].x1 = section[0].x2 = section[0].y1 = section[0].y2 = u;
        section[1].x1 = section[1].x2 = section[1].y1 = section[1].y2 = u;
    }

private:
    inline Stereo run(Stereo x, StereoBiquad& s) const {
        const Stereo y = flush(b0 * x + b1 * s.x1 + b2 * s.x2 - a1 * s.y1 - a2 * s.y2);
        s.x2 = s.x1;
        s.x1 = x;
        s.y2 = s.y1;
        s.y1 = y;
        return y;
    }
};

}  // namespace lumdel
