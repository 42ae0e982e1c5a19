// lumdel-host render PLUGIN IN OUT [--format vst2|lv2|clap] [--preset N|NAME] [--assign NAME=CONTROLLER ...]
//                                     [--set NAME=VALUE ...] [--cc CH:CTRL:VALUE@FRAME ...]
//                                     [--midi FILE] [--tempo BPM] [--key KEY]
//                                     [--tail SECONDS] [--double] [--no-transport]
// Renders an audio file (WAV, FLAC or AIFF) through the plug-in at the file's own rate.
// PLUGIN is a VST 2.4 library (.so), an LV2 bundle directory (.lv2) or a CLAP file
// (.clap); --format names the format when the path does not tell.
// The preset is selected first, then the assignments are made, then the settings applied;
// control changes reach the plug-in in the block that holds their frame.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Commands.h"
#include "PluginInstance.h"
#include "Render.h"

namespace lumdel::host {

namespace {

const char* const kUsage =
    "usage: lumdel-host render PLUGIN IN OUT [--format vst2|lv2|clap] [--preset N|NAME]\n"
    "           [--assign NAME=CONTROLLER ...]\n"
    "           [--set NAME=VALUE ...] [--cc CHANNEL:CONTROLLER:VALUE@FRAME ...] [--midi FILE]\n"
    "           [--tempo BPM] [--key KEY] [--tail SECONDS] [--double] [--no-transport]\n"
    "  --format    the plug-in's format; by default .lv2 (or a directory) is LV2, .clap\n"
    "              CLAP, anything else VST 2.4\n"
    "  --preset    factory preset by number or name (case-insensitive), applied first\n"
    "  --assign    MIDI controller 0-127 for a parameter, made after the preset\n"
    "  --set       normalised parameter value, applied after the preset and assignments\n"
    "  --cc        a control change on channel 1-16 at an input frame\n"
    "  --midi      a text file of control changes: one 'FRAME CHANNEL CONTROLLER VALUE'\n"
    "              a line, '#' starts a comment\n"
    "  --no-transport  the host gives no tempo or position (the plug-in's own tempo)\n";

int usageError(const char* what, const std::string& detail) {
    std::fprintf(stderr, "lumdel-host render: %s '%s'\n%s", what, detail.c_str(), kUsage);
    return 2;
}

bool positiveNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && value >= 0.0;
}

}  // namespace

int runRender(const Args& args);
static const CommandRegistrar registerRender{
    "render",
    "render PLUGIN IN OUT [--format vst2|lv2|clap] [--preset N|NAME] [--assign NAME=CONTROLLER ...] "
    "[--set NAME=VALUE ...] [--cc CHANNEL:CONTROLLER:VALUE@FRAME ...] [--midi FILE] "
    "[--tempo BPM] [--key KEY] [--tail SECONDS] [--double] [--no-transport]",
    runRender};

int runRender(const Args& args) {
    std::vector<std::string> positional;
    RenderOptions options;
    std::string keyPath;
    bool formatGiven = false;
    Format format = Format::Vst2;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasNext = i + 1 < args.size();
        if (a == "--set" && hasNext) {
            Setting s;
            if (!parseSetting(args[++i], s)) return usageError("--set NAME=VALUE, got", args[i]);
            options.settings.push_back(s);
        } else if (a == "--format" && hasNext) {
            if (!parseFormat(args[++i], format)) return usageError("--format vst2|lv2|clap, got", args[i]);
            formatGiven = true;
        } else if (a == "--preset" && hasNext) {
            options.preset = args[++i];
            if (options.preset.empty()) return usageError("--preset N|NAME, got", "");
        } else if (a == "--assign" && hasNext) {
            Assignment assignment;
            if (!parseAssignment(args[++i], assignment))
                return usageError("--assign NAME=CONTROLLER (0-127), got", args[i]);
            options.assignments.push_back(assignment);
        } else if (a == "--cc" && hasNext) {
            ControlEvent event;
            if (!parseControlEvent(args[++i], event))
                return usageError("--cc CHANNEL(1-16):CONTROLLER(0-127):VALUE(0-127)@FRAME, got",
                                  args[i]);
            options.events.push_back(event);
        } else if (a == "--midi" && hasNext) {
            std::string error;
            if (!readControlEvents(args[++i], options.events, error))
                return usageError("--midi:", error);
        } else if (a == "--tempo" && hasNext) {
            if (!positiveNumber(args[++i], options.tempo) || options.tempo <= 0.0)
                return usageError("--tempo BPM, got", args[i]);
        } else if (a == "--key" && hasNext) {
            keyPath = args[++i];
        } else if (a == "--tail" && hasNext) {
            if (!positiveNumber(args[++i], options.tailSeconds))
                return usageError("--tail SECONDS, got", args[i]);
        } else if (a == "--double") {
            options.useDouble = true;
        } else if (a == "--no-transport") {
            options.transport = false;
        } else if (!a.empty() && a[0] == '-') {
            return usageError(hasNext ? "unknown option" : "unknown or incomplete option", a);
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 3) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    if (!formatGiven) format = formatOfPath(positional[0]);
    std::string error;
    {
        // A preset, parameter or controller the plug-in does not have is a bad argument.
        std::unique_ptr<PluginInstance> probe =
            openPlugin(positional[0], format, 44100.0, options.blockSize, error);
        if (!probe) {
            std::fprintf(stderr, "lumdel-host render: %s\n", error.c_str());
            return 1;
        }
        if (!checkRenderOptions(*probe, options, error)) return usageError("bad argument:", error);
    }
    AudioData input, key, output;
    if (!readAudioFile(positional[1], input, error) ||
        (!keyPath.empty() && !readAudioFile(keyPath, key, error))) {
        std::fprintf(stderr, "lumdel-host render: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<PluginInstance> plugin =
        openPlugin(positional[0], format, input.sampleRate, options.blockSize, error);
    if (!plugin) {
        std::fprintf(stderr, "lumdel-host render: %s\n", error.c_str());
        return 1;
    }
    if (!keyPath.empty() && key.sampleRate != input.sampleRate)
        std::fprintf(stderr, "lumdel-host render: note: key file at %d Hz is used at %d Hz\n",
                     key.sampleRate, input.sampleRate);
    const long frames = input.frames() + static_cast<long>(options.tailSeconds * input.sampleRate);
    for (const ControlEvent& e : options.events)
        if (e.frame >= frames)
            std::fprintf(stderr, "lumdel-host render: note: control change at frame %ld is "
                         "after the end (%ld frames) and is not sent\n", e.frame, frames);
    options.progress = isatty(STDERR_FILENO) != 0;
    if (!render(*plugin, input, keyPath.empty() ? nullptr : &key, options, output, error) ||
        !writeAudioFile(positional[2], output, error)) {
        std::fprintf(stderr, "lumdel-host render: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace lumdel::host
