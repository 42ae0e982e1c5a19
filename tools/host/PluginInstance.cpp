#include "PluginInstance.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Vst2Instance.h"

namespace lumdel::host {

// The loaders of the other formats (Lv2Instance.cpp, ClapInstance.cpp).
std::unique_ptr<PluginInstance> openLv2(const std::string& path, double sampleRate,
                                        int maxBlock, std::string& error);
std::unique_ptr<PluginInstance> openClap(const std::string& path, double sampleRate,
                                         int maxBlock, std::string& error);

void PluginInstance::processDouble(double** inputs, double** outputs, int frames) {
    scratch_.resize(6);
    for (auto& channel : scratch_)
        if (static_cast<int>(channel.size()) < frames) channel.resize(frames);
    float* in[4];
    float* out[2];
    for (int c = 0; c < 4; ++c) {
        in[c] = scratch_[c].data();
        for (int i = 0; i < frames; ++i) in[c][i] = static_cast<float>(inputs[c][i]);
    }
    for (int c = 0; c < 2; ++c) out[c] = scratch_[4 + c].data();
    process(in, out, frames);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < frames; ++i) outputs[c][i] = out[c][i];
}

bool parseFormat(const std::string& text, Format& format) {
    for (Format f : {Format::Vst2, Format::Lv2, Format::Clap})
        if (text == formatName(f)) {
            format = f;
            return true;
        }
    return false;
}

const char* formatName(Format format) {
    switch (format) {
        case Format::Lv2: return "lv2";
        case Format::Clap: return "clap";
        default: return "vst2";
    }
}

Format formatOfPath(const std::string& path) {
    auto endsWith = [&path](const char* suffix) {
        const std::string s(suffix);
        return path.size() >= s.size() &&
               strcasecmp(path.c_str() + path.size() - s.size(), suffix) == 0;
    };
    struct stat st {};
    if (endsWith(".lv2") || endsWith(".lv2/") ||
        (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
        return Format::Lv2;
    if (endsWith(".clap")) return Format::Clap;
    return Format::Vst2;
}

std::unique_ptr<PluginInstance> openPlugin(const std::string& path, Format format,
                                           double sampleRate, int maxBlock,
                                           std::string& error) {
    if (format == Format::Lv2) return openLv2(path, sampleRate, maxBlock, error);
    if (format == Format::Clap) return openClap(path, sampleRate, maxBlock, error);
    auto library = std::make_unique<PluginLibrary>(path);
    if (!library->ok()) {
        error = library->error();
        return nullptr;
    }
    auto instance = std::make_unique<Vst2Instance>(std::move(library), sampleRate, maxBlock);
    if (!instance->ok()) {
        error = instance->error();
        return nullptr;
    }
    return instance;
}

bool chunkWithCurrent(std::vector<unsigned char>& chunk, int index) {
    constexpr std::int32_t kLumdel = ('L' << 24) | ('M' << 16) | ('D' << 8) | 'L';
    std::int32_t id = 0, count = 0;
    if (chunk.size() < 16) return false;
    std::memcpy(&id, chunk.data() + 4, 4);
    std::memcpy(&count, chunk.data() + 8, 4);
    if (id != kLumdel || index < 0 || index >= count) return false;
    const std::int32_t current = index;
    std::memcpy(chunk.data() + 12, &current, 4);
    return true;
}

int findParameter(PluginInstance& plugin, const std::string& name) {
    const int count = plugin.parameterCount();
    for (int i = 0; i < count; ++i)
        if (strcasecmp(plugin.parameterName(i).c_str(), name.c_str()) == 0) return i;
    char* end = nullptr;
    const long n = std::strtol(name.c_str(), &end, 10);
    if (!name.empty() && end && *end == '\0' && n >= 0 && n < count) return static_cast<int>(n);
    return -1;
}

int findPreset(PluginInstance& plugin, const std::string& preset) {
    const int count = plugin.presetCount();
    char* end = nullptr;
    const long n = std::strtol(preset.c_str(), &end, 10);
    if (!preset.empty() && end && *end == '\0' && n >= 0 && n < count) return static_cast<int>(n);
    for (int i = 0; i < count; ++i)
        if (strcasecmp(plugin.presetName(i).c_str(), preset.c_str()) == 0) return i;
    return -1;
}

}  // namespace lumdel::host
