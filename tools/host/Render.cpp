#include "Render.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "Host.h"
#include "PluginInstance.h"
#include "Vst2Instance.h"

namespace lumdel::host {

namespace {

float sampleOf(const AudioData& data, int channel, long i) {
    if (data.channels.empty() || i >= data.frames()) return 0.0f;
    const int c = std::min(channel, static_cast<int>(data.channels.size()) - 1);
    return data.channels[c][i];
}

void drawProgress(long done, long total) {
    const int width = 40;
    const int filled = total > 0 ? static_cast<int>(width * done / total) : width;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                 width - filled, "", total > 0 ? static_cast<int>(100 * done / total) : 100);
    if (done >= total) std::fprintf(stderr, "\n");
}

// A whole decimal number in [low, high]; false for anything else.
bool parseInt(const std::string& text, long low, long high, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || !end || *end != '\0' || v < low || v > high) return false;
    value = v;
    return true;
}

constexpr long kMaxFrame = 1L << 40;

template <typename T>
void runBlocks(PluginInstance& plugin, const AudioData& input, const AudioData* key, long total,
               const RenderOptions& options, AudioData& output) {
    const int block = std::max(1, options.blockSize);
    Buffers<T> in(4, block), out(2, block);
    // Events in frame order (stable, so equal frames keep their given order).
    std::vector<ControlEvent> events = options.events;
    std::stable_sort(events.begin(), events.end(),
                     [](const ControlEvent& a, const ControlEvent& b) { return a.frame < b.frame; });
    size_t next = 0;
    std::vector<BlockControlChange> due;
    long lastDrawn = -1;
    for (long start = 0; start < total; start += block) {
        const int len = static_cast<int>(std::min<long>(block, total - start));
        due.clear();
        for (; next < events.size() && events[next].frame < start + len; ++next) {
            const ControlEvent& e = events[next];
            due.push_back({static_cast<int>(e.frame - start), e.channel - 1, e.controller,
                           e.value});
        }
        plugin.controlChanges(due);
        for (int i = 0; i < len; ++i) {
            const long n = start + i;
            in.data[0][i] = static_cast<T>(sampleOf(input, 0, n));
            in.data[1][i] = static_cast<T>(sampleOf(input, 1, n));
            in.data[2][i] = static_cast<T>(key ? sampleOf(*key, 0, n) : 0.0f);
            in.data[3][i] = static_cast<T>(key ? sampleOf(*key, 1, n) : 0.0f);
        }
        if constexpr (sizeof(T) == sizeof(float))
            plugin.process(in.get(), out.get(), len);
        else
            plugin.processDouble(in.get(), out.get(), len);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < len; ++i)
                output.channels[c][start + i] = static_cast<float>(out.data[c][i]);
        if (options.progress) {
            const long percent = 100 * (start + len) / total;
            if (percent != lastDrawn) {
                drawProgress(start + len, total);
                lastDrawn = percent;
            }
        }
    }
}

// Preset, assignments and settings, in that order, on a loaded instance.
bool applyOptions(PluginInstance& plugin, const RenderOptions& options, std::string& error) {
    if (!options.preset.empty()) {
        const int index = findPreset(plugin, options.preset);
        if (index < 0) {
            error = "no preset '" + options.preset + "'";
            return false;
        }
        if (!plugin.selectPreset(index, error)) return false;
    }
    for (const Assignment& a : options.assignments) {
        const int index = findParameter(plugin, a.parameter);
        if (index < 0) {
            error = "unknown parameter '" + a.parameter + "'";
            return false;
        }
        if (!plugin.assignController(index, a.controller)) {
            error = std::string("controller assignments need the VST 2.4 build (") +
                    formatName(plugin.format()) + " gives the host no way to make them)";
            return false;
        }
    }
    return applySettings(plugin, options.settings, error);
}

}  // namespace

bool parseControlEvent(const std::string& text, ControlEvent& event) {
    const auto c1 = text.find(':');
    const auto c2 = c1 == std::string::npos ? c1 : text.find(':', c1 + 1);
    const auto at = c2 == std::string::npos ? c2 : text.find('@', c2 + 1);
    if (at == std::string::npos) return false;
    long channel, controller, value, frame;
    if (!parseInt(text.substr(0, c1), 1, 16, channel) ||
        !parseInt(text.substr(c1 + 1, c2 - c1 - 1), 0, 127, controller) ||
        !parseInt(text.substr(c2 + 1, at - c2 - 1), 0, 127, value) ||
        !parseInt(text.substr(at + 1), 0, kMaxFrame, frame))
        return false;
    event = {frame, static_cast<int>(channel), static_cast<int>(controller),
             static_cast<int>(value)};
    return true;
}

bool readControlEvents(const std::string& path, std::vector<ControlEvent>& events,
                       std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::vector<ControlEvent> read;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string w; words >> w;) fields.push_back(w);
        if (fields.empty()) continue;
        long frame, channel, controller, value;
        if (fields.size() != 4 || !parseInt(fields[0], 0, kMaxFrame, frame) ||
            !parseInt(fields[1], 1, 16, channel) || !parseInt(fields[2], 0, 127, controller) ||
            !parseInt(fields[3], 0, 127, value)) {
            error = path + ":" + std::to_string(number) +
                    ": expected FRAME CHANNEL(1-16) CONTROLLER(0-127) VALUE(0-127)";
            return false;
        }
        read.push_back({frame, static_cast<int>(channel), static_cast<int>(controller),
                        static_cast<int>(value)});
    }
    events.insert(events.end(), read.begin(), read.end());
    return true;
}

bool parseAssignment(const std::string& text, Assignment& assignment) {
    const auto eq = text.find('=');
    long controller;
    if (eq == std::string::npos || eq == 0 || !parseInt(text.substr(eq + 1), 0, 127, controller))
        return false;
    assignment = {text.substr(0, eq), static_cast<int>(controller)};
    return true;
}

int presetCount(Host& host) {
    // Plug-ins that keep their own bank answer effGetProgramNameIndexed beyond
    // numPrograms; others only up to it.
    constexpr int kMaxPresets = 1024;
    int count = 0;
    char name[256];
    while (count < kMaxPresets) {
        std::memset(name, 0, sizeof name);
        if (!host.dispatch(effGetProgramNameIndexed, count, -1, name)) break;
        ++count;
    }
    return std::max(count, host.effect() ? static_cast<int>(host.effect()->numPrograms) : 0);
}

int findPreset(Host& host, const std::string& preset) {
    const int count = presetCount(host);
    long number;
    if (parseInt(preset, 0, count - 1, number)) return static_cast<int>(number);
    for (int i = 0; i < count; ++i) {
        char name[256] = {};
        if (host.dispatch(effGetProgramNameIndexed, i, -1, name) &&
            strcasecmp(name, preset.c_str()) == 0)
            return i;
    }
    return -1;
}

bool selectPreset(Host& host, int index, std::string& error) {
    AEffect* effect = host.effect();
    if (!effect || index < 0) {
        error = "no such preset";
        return false;
    }
    if ((effect->flags & effFlagsProgramChunks) != 0) {
        // A chunk headed by format, identifier, count and current index: the plug-in's
        // own chunk with another current index selects and applies that preset.
        void* data = nullptr;
        const VstIntPtr size = host.dispatch(effGetChunk, 0, 0, &data);
        if (data && size >= 16) {
            std::vector<unsigned char> chunk(static_cast<unsigned char*>(data),
                                             static_cast<unsigned char*>(data) + size);
            std::int32_t id, count;
            std::memcpy(&id, chunk.data() + 4, 4);
            std::memcpy(&count, chunk.data() + 8, 4);
            if (id == effect->uniqueID && index < count) {
                const std::int32_t current = index;
                std::memcpy(chunk.data() + 12, &current, 4);
                if (host.dispatch(effSetChunk, 0, size, chunk.data()) == 0) return true;
                error = "the plug-in refused its own chunk";
                return false;
            }
        }
    }
    if (index < effect->numPrograms) {
        host.dispatch(effSetProgram, 0, index);
        return true;
    }
    error = "cannot select preset " + std::to_string(index) + " of this plug-in";
    return false;
}

bool checkRenderOptions(PluginInstance& plugin, const RenderOptions& options,
                        std::string& error) {
    return applyOptions(plugin, options, error);
}

bool checkRenderOptions(PluginLibrary& library, const RenderOptions& options, std::string& error) {
    if (!library.ok()) {
        error = library.error();
        return false;
    }
    Vst2Instance plugin(library.entry(), 44100.0, options.blockSize);
    if (!plugin.ok()) {
        error = plugin.error();
        return false;
    }
    return applyOptions(plugin, options, error);
}

bool render(PluginLibrary& library, const AudioData& input, const AudioData* key,
            const RenderOptions& options, AudioData& output, std::string& error) {
    if (!library.ok()) {
        error = library.error();
        return false;
    }
    return render(library.entry(), input, key, options, output, error);
}

bool render(AEffect* (*entry)(audioMasterCallback), const AudioData& input, const AudioData* key,
            const RenderOptions& options, AudioData& output, std::string& error) {
    Vst2Instance plugin(entry, input.sampleRate, options.blockSize);
    if (!plugin.ok()) {
        error = plugin.error();
        return false;
    }
    return render(plugin, input, key, options, output, error);
}

bool render(PluginInstance& plugin, const AudioData& input, const AudioData* key,
            const RenderOptions& options, AudioData& output, std::string& error) {
    if (!applyOptions(plugin, options, error)) return false;
    plugin.setTransport(options.transport, options.tempo, 0.0);
    if (!plugin.start(error)) return false;
    const long tail = static_cast<long>(std::max(0.0, options.tailSeconds) * input.sampleRate);
    const long total = input.frames() + tail;
    output.sampleRate = input.sampleRate;
    output.channels.assign(2, std::vector<float>(static_cast<size_t>(total)));
    if (options.useDouble)
        runBlocks<double>(plugin, input, key, total, options, output);
    else
        runBlocks<float>(plugin, input, key, total, options, output);
    plugin.stop();
    return true;
}

}  // namespace lumdel::host
