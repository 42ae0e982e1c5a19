// The modulation sources: a stereo envelope follower on the delay-line input, a stereo
// LFO with five shapes and a settable phase offset between its channels, and the blend
// of both into the two modulation signals. The left signal moves the filter cutoff and
// the left clocked line, the right one the resonance and the right clocked line.
#pragma once

#include <cmath>

#include "Denormal.h"
#include "Random.h"

namespace lumdel {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

constexpr int kSineTableSize = 1000;     // one period, no interpolation
constexpr int kOctaveTableSize = 10000;  // 2^((k - 4999)/4999)

inline double sineTableScaleValue() { return 999.0 / kTwoPi; }

inline void buildSineTable(double* table) {
    const double scale = sineTableScaleValue();
    for (int i = 0; i < kSineTableSize; ++i) table[i] = std::sin(i / scale);
}

inline void buildOctaveTable(double* table) {
    for (int k = 0; k < kOctaveTableSize; ++k) table[k] = std::pow(2.0, (k - 4999) / 4999.0);
}

// 2^s for s in -1..1 (clamped) from the octave table with linear interpolation.
inline double octaveAt(const double* table, double s) {
    double k = (s + 1.0) * 0.5;
    if (!(k > 0.0)) k = 0.0;  // NaN too
    if (k > 1.0) k = 1.0;
    k *= 9998.0;
    int i = static_cast<int>(k);
    double r = k - i;
    return (1.0 - r) * table[i] + r * table[i + 1];
}

// Follower coefficient of a one-pole at 1000/timeMs Hz.
inline double envelopeCoefFor(double timeMs, double fs) {
    return 1.0 - std::exp(-kTwoPi * 1000.0 / (timeMs * fs));
}

struct EnvelopeFollower {
    double envL = 0, envR = 0;

    void reset() { envL = envR = 0; }

    // sL, sR: |uL|, |uR| before the drive. Same coefficient for rise and fall.
    inline void step(double sL, double sR, double modSens, double coef) {
        envL = flush(envL + (sL * modSens - envL) * coef);
        envR = flush(envR + (sR * modSens - envR) * coef);
    }
    double bipolarL() const { return 2.0 * envL - 1.0; }
    double bipolarR() const { return 2.0 * envR - 1.0; }
};

struct Lfo {
    enum Wave { kSine = 0, kSquare = 1, kTriangle = 2, kSaw = 3, kRandom = 4 };

    double phase = 0;  // lfoPhase, radians -pi..pi
    double prevPhaseL = 0, prevPhaseR = 0;
    double outL = 0, outR = 0;
    double targetL = 0, targetR = 0;  // square and random targets

    // Zeroes the phase and outputs (reset of the engine); the targets stay.
    void reset() {
        phase = prevPhaseL = prevPhaseR = outL = outR = 0;
    }
    // suspend clears the targets.
    void clearTargets() { targetL = targetR = 0; }

    static inline double wrap(double w) {
        if (w > kPi)
            w -= kTwoPi;
        else if (w < -kPi)
            w += kTwoPi;
        return w;
    }

    static inline int sineIndex(double w, double sineTableScale) {
        double p = (w + kPi) * sineTableScale;
        if (!(p > 0.0)) return 0;
        if (p >= kSineTableSize - 1) return kSineTableSize - 1;
        return static_cast<int>(p);
    }

    // One sample. lrOffset: radians between the channels (right leads by 2 lrOffset);
    // phaseInc: this block's increment; smooth: squareSmoothCoef.
    inline void step(int wave, double lrOffset, double phaseInc, double smooth,
                     const double* sineTable, double sineTableScale, Random& rng) {
        const double wL = wrap(phase - lrOffset);
        const double wR = wrap(phase + lrOffset);
        switch (wave) {
            case kSine:
                outL = sineTable[sineIndex(wL, sineTableScale)];
                outR = sineTable[sineIndex(wR, sineTableScale)];
                break;
            case kSquare:
                targetL = wL > 0.0 ? 1.0 : -1.0;
                outL += (targetL - outL) * smooth;
                targetR = wR > 0.0 ? 1.0 : -1.0;
                outR += (targetR - outR) * smooth;
                break;
            case kTriangle:
                outL = triangle(wL);
                outR = triangle(wR);
                break;
            case kSaw:
                outL += (wL / kPi - outL) * smooth;
                outR += (wR / kPi - outR) * smooth;
                break;
            case kRandom:
                if (wL > 0.0 && prevPhaseL <= 0.0)
                    targetL = 2.0 * rng.next() / Random::kMax - 1.0;
                if (std::fabs(wL - wR) < 0.001)
                    targetR = targetL;
                else if (wR > 0.0 && prevPhaseR <= 0.0)
                    targetR = 2.0 * rng.next() / Random::kMax - 1.0;
                outL += (targetL - outL) * smooth;
                outR += (targetR - outR) * smooth;
                break;
            default:
                break;
        }
        prevPhaseL = wL;
        prevPhaseR = wR;
        phase += phaseInc;
        if (phase > kPi) {
            phase -= kTwoPi;
            // An increment of more than a cycle per sample (or a non-finite one) would
            // leave the phase outside its range; bring it back rather than let it run.
            if (!(phase <= kPi)) phase = std::isfinite(phase) ? std::remainder(phase, kTwoPi) : 0.0;
        } else if (!(phase >= -kPi)) {
            phase = std::isfinite(phase) ? std::remainder(phase, kTwoPi) : 0.0;
        }
    }

    static inline double triangle(double w) {
        constexpr double h = 1.5707963705062866;  // pi/2 in single precision
        if (w < -h) return -w / h - 2.0;
        if (w > h) return 2.0 - w / h;
        return w / h;
    }
};

// The blend of LFO and envelope and what it drives.
struct ModulationBlend {
    double modL = 0, modR = 0;
    double cutoffFactor = 1;  // 2^(3 cutfMod modL): the filter's cutoff multiplier
    double resoModSource = 0;

    void reset() {
        modL = modR = 0;
    }

    inline void step(double lfoOutL, double lfoOutR, double eL, double eR, double modSrc,
                     double cutfMod, const double* octaveTable) {
        modL = (1.0 - modSrc) * lfoOutL + modSrc * eL;
        modR = (1.0 - modSrc) * lfoOutR + modSrc * eR;
        const double k = octaveAt(octaveTable, cutfMod * modL);
        cutoffFactor = k * k * k;
        resoModSource = modR;
    }
};

}  // namespace lumdel
