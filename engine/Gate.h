// The gate of each delay line: an envelope (1 ms attack, EnvSpeed release) on the
// line's output and a 1:3 downward expander below the threshold, applied 1 ms late
// through the lookahead ring so that it opens just ahead of an onset. It acts on the
// heard output only; the feedback is not gated.
#pragma once

#include <cmath>

#include "Denormal.h"

namespace lumdel {

inline double gateAttackCoefFor(double fs) { return 1.0 - std::exp(-1000.0 / fs); }

// 30 ms below EnvSpeed 0.03, else 1000 * e ms.
inline double gateReleaseCoefFor(double fs, double envSpeed) {
    const double ms = envSpeed < 0.03 ? 30.0 : 1000.0 * envSpeed;
    return 1.0 - std::exp(-1000.0 / (fs * ms));
}

struct Gate {
    double envL = 0, envR = 0;  // gateEnvL, gateEnvR

    void reset() { envL = envR = 0; }

    // Gain (already squared) for the detector input |v| against a linear threshold.
    static inline double gainFor(double absV, double& env, double threshold, double attack,
                                 double release) {
        env = flush(env + (absV - env) * (absV >= env ? attack : release));
        if (threshold < 1e-5 || !(env < threshold)) return 1.0;
        const double g = env / threshold;
        return g * g;
    }

    // a, b: the lines' outputs after the time-change fade.
    inline void step(double a, double b, double thresholdL, double thresholdR, double attack,
                     double release, double& gainL, double& gainR) {
        gainL = gainFor(std::fabs(a), envL, thresholdL, attack, release);
        gainR = gainFor(std::fabs(b), envR, thresholdR, attack, release);
    }
};

// The 1 ms delay of the heard delay output (int(fs/1000) samples). Buffers are handed
// over by the engine, which allocates them on a change of rate.
struct Lookahead {
    double* bufL = nullptr;
    double* bufR = nullptr;
    int length = 0;  // lookaheadLength
    int index = 0;   // lookaheadIndex

    void reset() {
        for (int i = 0; i < length; ++i) bufL[i] = bufR[i] = 0;
    }

    // Returns the values stored length samples ago and stores yL, yR in their place.
    // A length of 0 passes the input straight through.
    inline void step(double yL, double yR, double& oL, double& oR) {
        if (length <= 0) {
            oL = yL;
            oR = yR;
            return;
        }
        oL = bufL[index];
        oR = bufR[index];
        bufL[index] = yL;
        bufR[index] = yR;
        if (++index >= length) index = 0;
    }
};

}  // namespace lumdel
