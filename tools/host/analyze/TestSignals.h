// The test material the preset analysis plays, synthesised (no recorded audio): three
// musical inputs at 120 BPM, a click, a steady sine and a stepped tone/noise for the
// dynamics. All mono at 44100 Hz; the analysis feeds them to both channels.
#pragma once

#include <vector>

namespace lumdel::analyze {

constexpr int kRate = 44100;
constexpr double kTempo = 120.0;

using Mono = std::vector<float>;

// Two bars of kick, snare and eighth-note hats, peaking at -6 dBFS.
Mono drumLoop();
// Two bars of a sustained minor chord of detuned saws with a soft attack, peaking at -6 dBFS.
Mono sawPad();
// Two bars of plucked notes with rests between them, peaking at -6 dBFS.
Mono pluckPhrase();
// A 10 ms burst of noise decaying in 2 ms, peaking at -6 dBFS, from frame `at` on, in
// `frames` of silence: a click long enough for a gate to open on.
Mono click(int at, int frames);
// A sine of `hz` at `dbfs` peak for `frames`, with a 10 ms fade-in.
Mono sine(double hz, double dbfs, int frames);
// Loud and silent seconds in turn (loud, silent, loud, silent): a 441 Hz tone with noise,
// peaking at -6 dBFS.
Mono steppedToneNoise();

}  // namespace lumdel::analyze
