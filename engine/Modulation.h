// The modulation sources: a stereo envelope follower on the delay-line input, a stereo
// LFO with five shapes and a settable phase offset between its channels, and the blend
// of both into the two modulation signals. The left signal moves the filter cutoff and
// the left clocked line, the right one the resonance and the right clocked line.
//
// Contract: per sample on the audio thread, inside the block (ModulationSources::step).
// Reads |u| of both channels before the drive, the smoothed ModSrc and CutfMod and what
// acts at once (LFOWave, LROffset, ModSens, EnvSpeed, this block's phase increment);
// writes the modulation signals, the filter's cutoff factor and resonance source (used
// from the next sample on). Per block, before the first sample, the engine may lock the
// phase to the host position (LfoMode 2).
#pragma once

#include <cmath>

#include "Denormal.h"
#include "MathConstants.h"
#include "Random.h"
#include "Stereo.h"
#include "StereoLimit.h"

namespace lumdel {

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
    k = limitAbove(aboveOr(k, 0.0), 1.0);  // NaN gives 0
    k *= 9998.0;
    int i = static_cast<int>(k);
    double r = k - i;
    return (1.0 - r) * table[i] + r * table[i + 1];
}
// octaveAt of both channels, lane by lane the same values. The index (s + 1) / 2 * 9998
// is one multiplication by 4999 (halving is exact, so the product rounds the same),
// clamped to the table, and the whole and fractional parts are taken in one conversion
// each way for both lanes.
inline Stereo octaveAt(const double* table, Stereo s) {
    using Int2 = int __attribute__((vector_size(8)));
    Stereo k = (s + 1.0) * 4999.0;
    k = limitAbove(aboveOr(k, both(0.0)), both(9998.0));  // NaN gives 0
    const Int2 i = __builtin_convertvector(k.v, Int2);
    const Stereo r = k - Stereo(__builtin_convertvector(i, Double2));
    return (1.0 - r) * Stereo{table[i[0]], table[i[1]]} +
           r * Stereo{table[i[0] + 1], table[i[1] + 1]};
}

// Follower coefficient of a one-pole at 1000/timeMs Hz.
inline double envelopeCoefFor(double timeMs, double fs) {
    return 1.0 - std::exp(-kTwoPi * 1000.0 / (timeMs * fs));
}

struct EnvelopeFollower {
    Stereo env{0.0, 0.0};  // envL, envR

    void reset() { env = Stereo{0.0, 0.0}; }

    // s: |uL|, |uR| before the drive. Same coefficient for rise and fall.
    inline void step(Stereo s, double modSens, double coef) { step(s, both(modSens), both(coef)); }
    inline void step(Stereo s, Stereo modSens, Stereo coef) {
        env = flush(env + (s * modSens - env) * coef);
    }
    // Bipolar forms: silence gives -1.
    Stereo bipolar() const { return 2.0 * env - Stereo{1.0, 1.0}; }
};

struct Lfo {
    enum Wave { kSine = 0, kSquare = 1, kTriangle = 2, kSaw = 3, kRandom = 4 };

    double phase = 0;  // lfoPhase, radians -pi..pi
    Stereo prevPhase{0.0, 0.0};
    Stereo out{0.0, 0.0};
    Stereo target{0.0, 0.0};  // square and random targets

    // Zeroes the phase and outputs (reset of the engine); the targets stay.
    void reset() {
        phase = 0;
        prevPhase = out = Stereo{0.0, 0.0};
    }
    // suspend clears the targets.
    void clearTargets() { target = Stereo{0.0, 0.0}; }

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
        const Stereo w{wrap(phase - lrOffset), wrap(phase + lrOffset)};
        switch (wave) {
            case kSine:
                out = {sineTable[sineIndex(w[0], sineTableScale)],
                       sineTable[sineIndex(w[1], sineTableScale)]};
                break;
            case kSquare:
                target = {w[0] > 0.0 ? 1.0 : -1.0, w[1] > 0.0 ? 1.0 : -1.0};
                out = out + (target - out) * smooth;
                break;
            case kTriangle:
                out = triangle(w);
                break;
            case kSaw:
                out = out + (w / kPi - out) * smooth;
                break;
            case kRandom:
                // The left channel draws first; the right one shares its value while the
                // two phases coincide.
                if (w[0] > 0.0 && prevPhase[0] <= 0.0)
                    target[0] = 2.0 * rng.next() / Random::kMax - 1.0;
                if (std::fabs(w[0] - w[1]) < 0.001)
                    target[1] = target[0];
                else if (w[1] > 0.0 && prevPhase[1] <= 0.0)
                    target[1] = 2.0 * rng.next() / Random::kMax - 1.0;
                out = out + (target - out) * smooth;
                break;
            default:
                break;
        }
        prevPhase = w;
        advance(phaseInc);
    }

    // The phase advance alone (the end of step), for samples whose LFO output nobody
    // hears while the shape keeps no memory.
    inline void advance(double phaseInc) {
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

    static constexpr double kTriangleKnee = 1.5707963705062866;  // pi/2 in single precision
    static inline double triangle(double w) {
        constexpr double h = kTriangleKnee;
        if (w < -h) return -w / h - 2.0;
        if (w > h) return 2.0 - w / h;
        return w / h;
    }
    // triangle() of both channels with one division: -w / h is -(w / h) exactly.
    static inline Stereo triangle(Stereo w) {
        const Stereo h = both(kTriangleKnee);
        const Stereo q = w / h;
        return select(w < -h, -q - 2.0, select(w > h, 2.0 - q, q));
    }
};

// The blend of LFO and envelope and what it drives.
struct ModulationBlend {
    Stereo mod{0.0, 0.0};     // modL, modR
    double cutoffFactor = 1;  // 2^(3 cutfMod modL): the filter's cutoff multiplier
    double resoModSource = 0;

    void reset() { mod = Stereo{0.0, 0.0}; }

    inline void step(Stereo lfoOut, Stereo envelope, double modSrc, double cutfMod,
                     const double* octaveTable) {
        mod = (1.0 - modSrc) * lfoOut + modSrc * envelope;
        const double k = octaveAt(octaveTable, cutfMod * mod[0]);
        cutoffFactor = k * k * k;
        resoModSource = mod[1];
    }
    // What the filter's coefficients take: cutoff factor and resonance source.
    Stereo filterModulation() const { return {cutoffFactor, resoModSource}; }
};

// What the modulation reads once per block.
struct ModulationConstants {
    int wave;             // LFOWave step
    double lrOffset;      // LROffset in radians
    double phaseInc;      // this block's LFO increment
    double edgeSmooth;    // squareSmoothCoef
    const double* sine;   // sine table
    double sineScale;     // radians to sine-table index
    double modSens;       // follower input gain
    double envCoef;       // follower coefficient
    const double* octave; // octave table
    // The follower's gain and coefficient for both channels, from the two above.
    Stereo followerGain = {modSens, modSens};
    Stereo followerCoef = {envCoef, envCoef};
    // Sine and triangle keep no state between samples.
    bool memoryless() const { return wave == Lfo::kSine || wave == Lfo::kTriangle; }
};

// The whole modulation stage: follower, LFO with its random source, and the blend.
struct ModulationSources {
    EnvelopeFollower env;
    Lfo lfo;
    ModulationBlend blend;
    Random random;

    // The random source keeps its sequence.
    void reset() {
        env.reset();
        lfo.reset();
        blend.reset();
    }
    bool finite() const {
        return std::isfinite(env.env[0]) && std::isfinite(env.env[1]) &&
               std::isfinite(lfo.out[0]) && std::isfinite(lfo.out[1]);
    }

    // absU: |u| before the drive. heard: somebody uses this sample's modulation signals
    // (the filter, or clocked lines that follow them). When nobody does, the blend is
    // left out and shapes without memory only advance their phase; the follower always
    // runs, as it carries state.
    inline void step(Stereo absU, double modSrc, double cutfMod, bool heard,
                     const ModulationConstants& k) {
        env.step(absU, k.followerGain, k.followerCoef);
        if (heard || !k.memoryless())
            lfo.step(k.wave, k.lrOffset, k.phaseInc, k.edgeSmooth, k.sine, k.sineScale, random);
        else
            lfo.advance(k.phaseInc);
        if (heard) blend.step(lfo.out, env.bipolar(), modSrc, cutfMod, k.octave);
    }
};

}  // namespace lumdel
