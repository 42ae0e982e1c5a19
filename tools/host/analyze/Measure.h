// Measurements on rendered audio: loudness by ITU-R BS.1770 (libebur128), spectra,
// echo arrivals and their sides, decay time, stereo correlation and mono fold-down.
#pragma once

#include <string>
#include <vector>

#include "TestSignals.h"

namespace lumdel::analyze {

struct Stereo {
    std::vector<float> left, right;
    long frames() const { return static_cast<long>(left.size()); }
};

// a - b, frame by frame (b may be shorter: missing frames count as silence).
Stereo difference(const Stereo& a, const Stereo& b);

// Integrated, gated loudness (LUFS) of frames [from, to); -1000 for silence.
double loudness(const Stereo& audio, long from, long to);
// The same of a mono signal played on both channels.
double loudness(const Mono& audio);

// Energy-weighted correlation of left and right over [from, to): 1 for the same signal,
// 0 for unrelated or one-sided signals, -1 for opposite ones.
double correlation(const Stereo& audio, long from, long to);
// How much quieter the mono fold-down (L+R)/2 on both speakers is than the stereo
// signal, in dB: 0 for identical sides, 3 for one-sided or unrelated ones, more when the
// sides cancel.
double monoLoss(const Stereo& audio, long from, long to);

// Power spectrum of frames [from, from + n) through a Hann window, both channels added;
// n is a power of two. Bin k is k * kRate / n Hz.
std::vector<double> powerSpectrum(const Stereo& audio, long from, int n);
// Power of the bins between two frequencies.
double bandPower(const std::vector<double>& spectrum, double lowHz, double highHz);
// Power-weighted mean frequency of the bins from 40 Hz up, in Hz.
double centroid(const std::vector<double>& spectrum);

// Arrivals of the echoes of a click at frame `zero` in a wet signal.
struct Echoes {
    double firstMs[2] = {-1.0, -1.0};  // first arrival heard on the left, on the right
    std::string pattern;               // sides of the first repeats: L, R or B (both)
    std::vector<double> timesMs;       // their times
    bool alternates() const;           // at least four repeats, strictly L-R or R-L in turn
};
Echoes echoes(const Stereo& wet, long zero);

// Time for the wet signal to fall 60 dB (s): the slope of its upper envelope's corners
// (echo peaks, or a smooth decay) from the loudest down to 45 dB below it.
double decayTime(const Stereo& wet, long zero);

}  // namespace lumdel::analyze
