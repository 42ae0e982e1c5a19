// The gate of each delay line: an envelope (1 ms attack, EnvSpeed release) on the
// line's output and a 1:3 downward expander below the threshold. Its gains act 1 ms late
// (through the Lookahead ring), so that it opens just ahead of an onset. It acts on the
// heard output only; the feedback is not gated.
//
// Contract: per sample on the audio thread, inside the block. Reads both lines' outputs
// after the time-change fade and the smoothed DlyGateL/R thresholds; writes the gate
// gains of this sample (already squared). The coefficients come from EnvSpeed and the
// rate (gateAttackCoefFor, gateReleaseCoefFor).
#pragma once

#include <cmath>
#include <limits>

#include "Denormal.h"
#include "Stereo.h"
#include "StereoLimit.h"

namespace lumdel {

inline double gateAttackCoefFor(double fs) { return 1.0 - std::exp(-1000.0 / fs); }

// 30 ms below EnvSpeed 0.03, else 1000 * e ms.
inline double gateReleaseCoefFor(double fs, double envSpeed) {
    const double ms = envSpeed < 0.03 ? 30.0 : 1000.0 * envSpeed;
    return 1.0 - std::exp(-1000.0 / (fs * ms));
}

struct Gate {
    Stereo env{0.0, 0.0};  // gateEnvL, gateEnvR

    void reset() { env = Stereo{0.0, 0.0}; }
    bool finite() const { return std::isfinite(env[0]) && std::isfinite(env[1]); }

    // Gain (already squared) for the detector input |v| against a linear threshold.
    static inline double gainFor(double absV, double& env, double threshold, double attack,
                                 double release) {
        env = flush(env + (absV - env) * (absV >= env ? attack : release));
        if (threshold < 1e-5 || !(env < threshold)) return 1.0;
        const double g = env / threshold;
        return g * g;
    }

    // lines: both lines' outputs after the time-change fade. gainFor on both channels.
    inline Stereo step(Stereo lines, Stereo threshold, double attack, double release) {
        const Stereo absV = magnitude(lines);
        env = flush(env + (absV - env) * select(absV >= env, both(attack), both(release)));
        // Open where the envelope is not below the threshold, and always where the
        // threshold is below 1e-5: against -inf nothing is below.
        constexpr double kNone = -std::numeric_limits<double>::infinity();
        const Mask2 open =
            notBelow(env, select(threshold < both(1e-5), both(kNone), threshold));
        if (bothLanes(open)) return both(1.0);  // most samples: no division
        const Stereo g = env / threshold;
        return select(open, both(1.0), g * g);
    }
};

}  // namespace lumdel
