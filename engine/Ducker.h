// The ducker: an envelope of the side-chain (10 ms attack, EnvSpeed release) that holds
// the mixed signal at threshold/envelope while the key is above the threshold.
//
// Contract: per sample on the audio thread, inside the block. Reads the raw key inputs
// (the host's side-chain samples, without input gain), the Ducking threshold and the
// coefficients; writes the gain for the mixed signal (after the reverb).
#pragma once

#include <cmath>

#include "Denormal.h"
#include "Stereo.h"

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
    bool finite() const { return std::isfinite(env); }

    // key: the raw side-chain samples (no input gain). Returns the gain for the mix.
    inline double step(Stereo key, double threshold, double attack, double release) {
        const Stereo a = magnitude(key);
        const double x = a[0] > a[1] ? a[0] : a[1];
        env = flush(env + (x - env) * (x >= env ? attack : release));
        if (env > threshold) return threshold / (env > 0.0001 ? env : 0.0001);
        return 1.0;
    }
};

}  // namespace lumdel
