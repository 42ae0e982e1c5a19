// lumdel-host demo PLUGIN.so [DIR]
// Synthesises a short plucked phrase (no recorded audio involved), writes it to
// DIR/phrase.wav (default DIR: demo) and renders it through a few settings into
// DIR/<name>.wav, each with a tail for the echoes.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "Host.h"
#include "Render.h"

namespace lumdel::host {

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// Two bars at 120 BPM of plucked notes: a few decaying harmonics and a short click.
AudioData synthesisePhrase() {
    struct Note {
        double beat, midi, beats;
    };
    static const Note notes[] = {{0.0, 57, 0.5},  {0.5, 60, 0.5}, {1.0, 64, 0.5},
                                 {1.5, 67, 0.5},  {2.0, 69, 1.0}, {3.0, 67, 0.5},
                                 {3.5, 64, 0.5},  {4.0, 62, 1.0}, {5.0, 65, 0.5},
                                 {5.5, 69, 0.5},  {6.0, 72, 1.5}};
    const double secondsPerBeat = 0.5;
    const int frames = static_cast<int>(8 * secondsPerBeat * kRate);
    AudioData phrase;
    phrase.sampleRate = kRate;
    phrase.channels.assign(1, std::vector<float>(frames, 0.0f));
    unsigned seed = 7;
    for (const Note& note : notes) {
        const int start = static_cast<int>(note.beat * secondsPerBeat * kRate);
        const int length = static_cast<int>(note.beats * secondsPerBeat * kRate);
        const double hz = 440.0 * std::pow(2.0, (note.midi - 69) / 12.0);
        for (int i = 0; i < length && start + i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double env = std::exp(-t * 6.0) * std::min(1.0, i / 40.0) *
                               std::min(1.0, (length - i) / 400.0);
            double v = 0.0;
            for (int h = 1; h <= 4; ++h) v += std::sin(2 * kPi * hz * h * t) * std::exp(-t * 3.0 * h) / h;
            seed = seed * 1103515245u + 12345u;
            const double click = i < 200 ? (((seed >> 9) & 0x7fff) / 16384.0 - 1.0) * (1.0 - i / 200.0) : 0.0;
            phrase.channels[0][start + i] += static_cast<float>(0.35 * env * v + 0.05 * click);
        }
    }
    return phrase;
}

struct Variation {
    const char* name;
    std::vector<Setting> settings;
};

}  // namespace

int runDemo(const Args& args);
static const CommandRegistrar registerDemo{"demo", "demo PLUGIN.so [DIR]", runDemo};

int runDemo(const Args& args) {
    if (args.empty() || args.size() > 2) {
        std::fprintf(stderr, "usage: lumdel-host demo PLUGIN.so [DIR]\n");
        return 2;
    }
    const std::string dir = args.size() == 2 ? args[1] : "demo";
    mkdir(dir.c_str(), 0755);
    std::string error;
    const AudioData phrase = synthesisePhrase();
    if (!writeAudioFile(dir + "/phrase.wav", phrase, error)) {
        std::fprintf(stderr, "lumdel-host demo: %s\n", error.c_str());
        return 1;
    }
    const std::vector<Variation> variations = {
        {"default", {}},
        {"pingpong",
         {{"FbGainL", 0.6f}, {"FbGainR", 0.6f}, {"FbPanL", 1.0f}, {"FbPanR", 0.0f},
          {"DlyNumL", 0.3f}, {"DlyNumR", 0.3f}, {"DlyDenL", 0.577f}, {"DlyDenR", 0.577f},
          {"Mix", 0.4f}}},
        {"plate",
         {{"FbGainL", 0.45f}, {"FbGainR", 0.45f}, {"RvbOn", 1.0f}, {"RvbType", 0.75f},
          {"RvbAmt", 0.45f}, {"RvbMode", 0.75f}, {"Mix", 0.45f}}},
        {"filter-sweep",
         {{"FbGainL", 0.6f}, {"FbGainR", 0.6f}, {"FltOn", 1.0f}, {"FltMode", 0.5f},
          {"FltType", 0.5f}, {"Cutoff", 0.55f}, {"Reso", 0.3f}, {"CutfMod", 1.0f},
          {"ModSrc", 0.0f}, {"LfoMode", 0.5f}, {"LfoDen", 0.1f}, {"Mix", 0.5f}}},
        {"tape-wobble",
         {{"FbGainL", 0.55f}, {"FbGainR", 0.55f}, {"VcoMod", 0.56f}, {"LFOWave", 0.5f},
          {"LfoMode", 0.0f}, {"LFORate", 0.35f}, {"LROffset", 0.9f}, {"Drive", 0.3f},
          {"Mix", 0.5f}}},
    };
    PluginLibrary library(args[0]);
    for (const Variation& v : variations) {
        RenderOptions options;
        options.settings = v.settings;
        options.tailSeconds = 5.0;
        AudioData output;
        const std::string path = dir + "/" + v.name + ".wav";
        if (!render(library, phrase, nullptr, options, output, error) ||
            !writeAudioFile(path, output, error)) {
            std::fprintf(stderr, "lumdel-host demo: %s\n", error.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}

}  // namespace lumdel::host
