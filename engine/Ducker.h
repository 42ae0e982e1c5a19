// The ducker: an envelope of the side-chain (10 ms attack, EnvSpeed release) that holds
// the mixed signal at threshold/envelope while the key is above the threshold.
#pragma once

#include <cmath>

#include "Denormal.h"

namespace lumdel {

inline double duckAttackCoefFor(double fs) { return 1.0 - std::exp(-1000.0 / (fs * 10.0)); }

// 30 ms below EnvSpeed 0.01, else 3000 * e ms.
inline double duckReleaseCoefFor(double fs, double envSpeed) {
    const double ms = envSpeed < 0.01 ? 30.0 : 3000.0 * envSpeed;
    return 1.0 - std::exp(-1000.0 / (fs * ms));
}

// -30 dB at Ducking 0 up to 0 dB at 1.
inline double duckThresholdFor(double v) { return std::pow(10.0, 1.5 * v - 1.5); }

struct Ducker {
    double env = 0;  // duckEnv

    void reset() { env = 0; }

    // keyL, keyR: raw side-chain samples (no input gain). Returns the gain for the mix.
    inline double step(double keyL, double keyR, double threshold, double attack,
                       double release) {
        const double aL = std::fabs(keyL), aR = std::fabs(keyR);
        const double x = aL > aR ? aL : aR;
        env = flush(env + (x - env) * (x >= env ? attack : release));
        if (env > threshold) return threshold / (env > 0.0001 ? env : 0.0001);
        return 1.0;
    }
};

}  // namespace lumdel
