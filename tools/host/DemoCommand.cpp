// lumdel-host demo PLUGIN.so [DIR]
// Synthesises a short plucked phrase (no recorded audio involved), writes it to
// DIR/phrase.wav (default DIR: demo) and renders it through a few factory presets into
// DIR/<preset-name>.wav (lower case, spaces as dashes), each with a tail for the echoes.
// The phrase also feeds the side-chain, as on a stereo track, so ducked presets duck.
#include <sys/stat.h>

#include <cctype>
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

// The presets heard in the demo: plain, stereo, ambient, dub, flanger, drone, ducked.
const char* const kDemoPresets[] = {"Default",      "Ping Pong",  "Solaris", "Rub A Dub",
                                    "Meta Flanger", "Bass Drone", "Stalker"};

// "Rub A Dub" -> "rub-a-dub".
std::string fileNameOf(const std::string& preset) {
    std::string name;
    for (char c : preset) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!name.empty() && name.back() != '-')
            name += '-';
    }
    while (!name.empty() && name.back() == '-') name.pop_back();
    return name.empty() ? "preset" : name;
}

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
    PluginLibrary library(args[0]);
    if (!library.ok()) {
        std::fprintf(stderr, "lumdel-host demo: %s\n", library.error().c_str());
        return 1;
    }
    for (const char* preset : kDemoPresets) {
        RenderOptions options;
        options.preset = preset;
        options.tailSeconds = 5.0;
        AudioData output;
        const std::string path = dir + "/" + fileNameOf(preset) + ".wav";
        if (!render(library, phrase, &phrase, options, output, error) ||
            !writeAudioFile(path, output, error)) {
            std::fprintf(stderr, "lumdel-host demo: %s: %s\n", preset, error.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}

}  // namespace lumdel::host
