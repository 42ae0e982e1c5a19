// What a factory preset measurably does, from renders through the plug-in at 120 BPM with
// the test material of TestSignals.h, the key input fed the main input as on a stereo
// track. The wet signal is what the delay lines add: the output minus the output of the
// same preset with both line inputs muted.
#pragma once

#include <string>
#include <vector>

#include "Measure.h"
#include "tools/host/ParameterSettings.h"

namespace lumdel::host {
class PluginLibrary;
}

namespace lumdel::analyze {

struct Figures {
    int index = 0;
    std::string name;
    Echoes echoes;               // of a centred click, reverb off
    double t60 = 0.0;            // s
    double change[3] = {};       // loudness against bypass while playing (LU): drums, pad, pluck
    double meanChange = 0.0;     // their mean
    double peakDbfs = 0.0;       // loudest output sample over the three inputs
    double wetLevel = 0.0;       // loudness of the wet signal against the input (LU), pluck
    double correlation = 0.0;    // of the wet signal's sides, pluck
    double monoLoss = 0.0;       // dB, of the wet signal, pluck
    double brightness = 0.0;     // octaves: wet spectral centroid against the input's, pluck
    double thd[2] = {};          // % of the wet signal, 441 Hz sine at -18 and -6 dBFS
    double spread = 0.0;         // % of the wet -18 dBFS sine's power off its pitch (chorus, wobble)
    bool ducked = false;         // the preset's Ducking is below its top
    double duckLoud = 0.0;       // dB the key lowers the wet signal while loud
    double duckGap = 0.0;        // and in the gaps
};

// Analyses preset `index` of the plug-in, with `settings` applied after it; false (with
// error) when the plug-in cannot be loaded or has no such preset or parameter.
bool analyzePreset(host::PluginLibrary& library, int index,
                   const std::vector<host::Setting>& settings, Figures& figures,
                   std::string& error);

// The same for several presets, on two threads, in the order given.
bool analyzePresets(host::PluginLibrary& library, const std::vector<int>& indices,
                    const std::vector<host::Setting>& settings, std::vector<Figures>& figures,
                    std::string& error);

// A preset as a point: each coordinate scaled so that 1 is a plainly audible difference
// (an octave of echo time or decay, an octave of brightness, 6 LU of wet level, ...).
std::vector<double> features(const Figures& figures);
double featureDistance(const Figures& a, const Figures& b);

// One line per preset, under a header.
std::string tableHeader();
std::string tableRow(const Figures& figures);

}  // namespace lumdel::analyze
