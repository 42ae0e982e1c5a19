// lumdel-host render PLUGIN.so IN OUT [--set NAME=VALUE ...] [--tempo BPM] [--key KEY]
//                                     [--tail SECONDS] [--double]
// Renders an audio file (WAV, FLAC or AIFF) through the plug-in at the file's own rate.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Commands.h"
#include "Host.h"
#include "Render.h"

namespace lumdel::host {

int runRender(const Args& args);
static const CommandRegistrar registerRender{
    "render",
    "render PLUGIN.so IN OUT [--set NAME=VALUE ...] [--tempo BPM] [--key KEY] [--tail SECONDS] "
    "[--double]",
    runRender};

int runRender(const Args& args) {
    std::vector<std::string> positional;
    RenderOptions options;
    std::string keyPath;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasNext = i + 1 < args.size();
        if (a == "--set" && hasNext) {
            Setting s;
            if (!parseSetting(args[++i], s)) {
                std::fprintf(stderr, "lumdel-host render: --set NAME=VALUE, got '%s'\n",
                             args[i].c_str());
                return 2;
            }
            options.settings.push_back(s);
        } else if (a == "--tempo" && hasNext) {
            options.tempo = std::atof(args[++i].c_str());
        } else if (a == "--key" && hasNext) {
            keyPath = args[++i];
        } else if (a == "--tail" && hasNext) {
            options.tailSeconds = std::atof(args[++i].c_str());
        } else if (a == "--double") {
            options.useDouble = true;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "lumdel-host render: unknown option '%s'\n", a.c_str());
            return 2;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 3) {
        std::fprintf(stderr,
                     "usage: lumdel-host render PLUGIN.so IN OUT [--set NAME=VALUE ...] "
                     "[--tempo BPM] [--key KEY] [--tail SECONDS] [--double]\n");
        return 2;
    }
    std::string error;
    AudioData input, key, output;
    if (!readAudioFile(positional[1], input, error) ||
        (!keyPath.empty() && !readAudioFile(keyPath, key, error))) {
        std::fprintf(stderr, "lumdel-host render: %s\n", error.c_str());
        return 1;
    }
    if (!keyPath.empty() && key.sampleRate != input.sampleRate)
        std::fprintf(stderr, "lumdel-host render: note: key file at %d Hz is used at %d Hz\n",
                     key.sampleRate, input.sampleRate);
    options.progress = isatty(STDERR_FILENO) != 0;
    PluginLibrary library(positional[0]);
    if (!render(library, input, keyPath.empty() ? nullptr : &key, options, output, error) ||
        !writeAudioFile(positional[2], output, error)) {
        std::fprintf(stderr, "lumdel-host render: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace lumdel::host
