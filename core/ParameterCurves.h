// The value curves of the parameter rows: how a normalised value becomes its engine
// setting. Inline, so that each row's store folds its own curve.
#pragma once

#include <cmath>

#include "ParameterTable.h"
#include "engine/Ducker.h"
#include "engine/MathConstants.h"

namespace lumdel {

// The value a derived setting is computed from: what the host sent, held within 0..1.
// (The value itself is stored as sent; getParameter gives it back unchanged.)
inline float unit(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// v² formed in single precision, then widened.
inline double squareOf(float v) { return static_cast<double>(v * v); }

// The setting a continuous row's curve makes of value (not finite: leave all as it is).
inline double settingOf(Curve curve, float value, double sampleRate) {
    const double v = unit(value);
    switch (curve) {
        case Curve::Linear: return v;
        case Curve::Square: return squareOf(unit(value));
        case Curve::FourSquares: return 4.0 * squareOf(unit(value));
        case Curve::Bipolar: return (v - 0.5) * 2.0;
        case Curve::HalfTurn: return (v - 0.5) * kPi;
        case Curve::Octaves4: return std::pow(2.0, 4.0 * v);
        case Curve::LfoRate: {
            const double rate = std::pow(16.0, v) - 1.0;
            return rate < 0.01 ? 0.01 : rate;
        }
        case Curve::Cutoff: {
            double hz = 64.0 * std::pow(2.0, 8.0 * v) - 14.0;
            if (hz > 16000.0) hz = 16000.0;
            if (hz > sampleRate * 0.5) hz = sampleRate * 0.5;
            return hz;
        }
        case Curve::ResoFloor: return v < 0.05 ? 0.05 : v;
        case Curve::EnvTime: return 100.0 + 900.0 * v;
        case Curve::DuckThreshold: return duckThresholdFor(v);
        case Curve::OpenToHalf: return v > 0.5 ? 0.0 : 1.0;
        default: return v;
    }
}

}  // namespace lumdel
