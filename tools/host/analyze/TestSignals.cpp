#include "TestSignals.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lumdel::analyze {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kBeat = static_cast<int>(kRate * 60.0 / kTempo);
constexpr int kTwoBars = 8 * kBeat;

// A small deterministic noise source, -1..1.
struct Noise {
    std::uint32_t state = 22222u;
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

void normalise(Mono& x, double peakDbfs) {
    float peak = 0.0f;
    for (float v : x) peak = std::max(peak, std::fabs(v));
    if (peak <= 0.0f) return;
    const float gain = static_cast<float>(std::pow(10.0, peakDbfs / 20.0)) / peak;
    for (float& v : x) v *= gain;
}

// A saw with its jump smoothed by a polynomial step (PolyBLEP), so it barely aliases.
struct Saw {
    double phase = 0.0, increment = 0.0;
    double next() {
        double v = 2.0 * phase - 1.0;
        if (phase < increment) {
            const double t = phase / increment;
            v -= t + t - t * t - 1.0;
        } else if (phase > 1.0 - increment) {
            const double t = (phase - 1.0) / increment;
            v -= t * t + t + t + 1.0;
        }
        phase += increment;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

}  // namespace

Mono drumLoop() {
    Mono x(kTwoBars, 0.0f);
    Noise noise;
    const int eighth = kBeat / 2;
    for (int step = 0; step < 16; ++step) {
        const int start = step * eighth;
        const bool kick = step % 4 == 0 || step == 7;
        const bool snare = step % 4 == 2;
        double hp = 0.0, previous = 0.0;
        for (int i = 0; i < eighth; ++i) {
            const double t = static_cast<double>(i) / kRate;
            double v = 0.0;
            if (kick) {
                const double hz = 50.0 + 70.0 * std::exp(-t * 30.0);
                v += std::sin(2.0 * kPi * hz * t) * std::exp(-t * 9.0);
            }
            const double n = noise.next();
            if (snare) v += (0.5 * n + 0.4 * std::sin(2.0 * kPi * 190.0 * t)) * std::exp(-t * 18.0);
            hp = 0.8 * (hp + n - previous);  // hats: high-passed noise
            previous = n;
            v += 0.25 * hp * std::exp(-t * 60.0);
            x[start + i] += static_cast<float>(v);
        }
    }
    normalise(x, -6.0);
    return x;
}

Mono sawPad() {
    Mono x(kTwoBars, 0.0f);
    const double chord[3] = {220.0, 261.63, 329.63};
    const double detune[3] = {-0.006, 0.0, 0.0065};
    Saw voices[9];
    for (int v = 0; v < 9; ++v) {
        voices[v].increment = chord[v / 3] * (1.0 + detune[v % 3]) / kRate;
        voices[v].phase = 0.37 * v - std::floor(0.37 * v);
    }
    for (int i = 0; i < kTwoBars; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double env = std::min(1.0, t / 0.3) * std::min(1.0, (kTwoBars - i) / (0.05 * kRate));
        double v = 0.0;
        for (Saw& s : voices) v += s.next();
        x[i] = static_cast<float>(env * v);
    }
    normalise(x, -6.0);
    return x;
}

Mono pluckPhrase() {
    struct Note {
        double beat, midi, beats;
    };
    // Notes and rests: the gaps let the echoes be heard on their own.
    static const Note notes[] = {{0.0, 57, 0.5}, {0.5, 64, 0.5}, {1.0, 69, 0.5},
                                 {3.0, 67, 0.5}, {3.5, 64, 0.5}, {4.0, 62, 1.0},
                                 {6.0, 65, 0.5}, {6.5, 69, 0.5}};
    Mono x(kTwoBars, 0.0f);
    Noise noise;
    for (const Note& note : notes) {
        const int start = static_cast<int>(note.beat * kBeat);
        const int length = static_cast<int>(note.beats * kBeat);
        const double hz = 440.0 * std::pow(2.0, (note.midi - 69) / 12.0);
        for (int i = 0; i < length && start + i < kTwoBars; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double env = std::exp(-t * 6.0) * std::min(1.0, i / 40.0) *
                               std::min(1.0, (length - i) / 400.0);
            double v = 0.0;
            for (int h = 1; h <= 5; ++h)
                v += std::sin(2.0 * kPi * hz * h * t) * std::exp(-t * 3.0 * h) / h;
            const double pick = i < 200 ? noise.next() * (1.0 - i / 200.0) : 0.0;
            x[start + i] += static_cast<float>(env * v + 0.15 * pick);
        }
    }
    normalise(x, -6.0);
    return x;
}

Mono click(int at, int frames) {
    Mono x(frames, 0.0f);
    Noise noise;
    const int length = kRate / 100;
    for (int i = 0; i < length && at + i < frames; ++i)
        if (at + i >= 0) x[at + i] = static_cast<float>(noise.next() * std::exp(-i / (0.002 * kRate)));
    normalise(x, -6.0);
    return x;
}

Mono sine(double hz, double dbfs, int frames) {
    Mono x(frames, 0.0f);
    const double amplitude = std::pow(10.0, dbfs / 20.0);
    const double fade = 0.01 * kRate;
    for (int i = 0; i < frames; ++i)
        x[i] = static_cast<float>(amplitude * std::min(1.0, i / fade) *
                                  std::sin(2.0 * kPi * hz * i / kRate));
    return x;
}

Mono steppedToneNoise() {
    Mono x(4 * kRate, 0.0f);
    Noise noise;
    for (int second : {0, 2})
        for (int i = 0; i < kRate; ++i) {
            const double edge = std::min({1.0, i / 200.0, (kRate - i) / 200.0});
            const double v = 0.7 * std::sin(2.0 * kPi * 441.0 * i / kRate) + 0.3 * noise.next();
            x[second * kRate + i] = static_cast<float>(edge * v);
        }
    normalise(x, -6.0);
    return x;
}

}  // namespace lumdel::analyze
