// lumdel-host state save PLUGIN.so FILE [--preset N] [--set INDEX=VALUE]...
// lumdel-host state load PLUGIN.so FILE
// Saves the host chunk of a fresh instance (optionally after selecting a preset and
// setting parameters), or loads a chunk into a fresh instance, lists what it changed
// against the factory state and checks that the instance gives the same chunk back.
// A state file is a regular file of at most one chunk (the size of the instance's own
// chunk, or Lumdel's when it gives none); anything else is refused unread.
#include <fcntl.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "Host.h"
#include "core/SafeFile.h"

namespace lumdel::host {

namespace {

using Bytes = std::vector<unsigned char>;

// Layout of Lumdel's chunk; other plug-ins' chunks are compared as plain bytes.
constexpr size_t kLumdelChunkSize = 16376;
constexpr size_t kRecordsOffset = 32;
constexpr size_t kRecordSize = 264;
constexpr size_t kNameSize = 24;
constexpr int kPresets = 61;
constexpr int kParams = 60;
constexpr size_t kAssignmentsOffset = kRecordsOffset + kPresets * kRecordSize;

std::uint32_t word(const Bytes& b, size_t offset) {
    std::uint32_t w;
    std::memcpy(&w, b.data() + offset, 4);
    return w;
}

float value(const Bytes& b, size_t offset) {
    float f;
    std::memcpy(&f, b.data() + offset, 4);
    return f;
}

size_t valueOffset(int preset, int param) {
    return kRecordsOffset + preset * kRecordSize + kNameSize + 4 * param;
}

std::string recordName(const Bytes& b, int preset) {
    const char* p = reinterpret_cast<const char*>(b.data() + kRecordsOffset + preset * kRecordSize);
    return std::string(p, strnlen(p, kNameSize));
}

bool isLumdelChunk(const Bytes& b, VstInt32 id) {
    return b.size() == kLumdelChunkSize && static_cast<VstInt32>(word(b, 4)) == id;
}

// A chunk of the other byte order, turned into native order (names stay).
void reverseLumdelChunk(Bytes& b) {
    auto rev = [&](size_t o) {
        std::uint32_t w = __builtin_bswap32(word(b, o));
        std::memcpy(b.data() + o, &w, 4);
    };
    for (size_t o : {0, 8, 12, 16, 20, 24, 28}) rev(o);
    for (int k = 0; k < kPresets; ++k)
        for (int j = 0; j < kParams; ++j) rev(valueOffset(k, j));
    for (int j = 0; j < kParams; ++j) rev(kAssignmentsOffset + 4 * j);
}

Bytes currentChunk(Host& host) {
    void* data = nullptr;
    VstIntPtr size = host.dispatch(effGetChunk, 0, 0, &data);
    if (!data || size <= 0) return {};
    const auto* p = static_cast<const unsigned char*>(data);
    return Bytes(p, p + size);
}

std::string assignmentText(float v) {
    if (!std::isfinite(v) || v < 0.0f) return "none";
    int c = static_cast<int>(std::floor(129.0f * v));
    if (c >= 128) return "none";
    return "controller " + std::to_string(c);
}

// What differs between two Lumdel chunks in native order, one line each.
std::vector<std::string> differences(Host& host, const Bytes& from, const Bytes& to) {
    std::vector<std::string> lines;
    char buf[256];
    if (word(from, 12) != word(to, 12)) {
        std::snprintf(buf, sizeof buf, "current preset: %d -> %d",
                      static_cast<std::int32_t>(word(from, 12)),
                      static_cast<std::int32_t>(word(to, 12)));
        lines.push_back(buf);
    }
    for (int k = 0; k < kPresets; ++k) {
        if (recordName(from, k) != recordName(to, k)) {
            std::snprintf(buf, sizeof buf, "preset %d: name \"%s\" -> \"%s\"", k,
                          recordName(from, k).c_str(), recordName(to, k).c_str());
            lines.push_back(buf);
        }
        for (int j = 0; j < kParams; ++j) {
            float a = value(from, valueOffset(k, j)), b = value(to, valueOffset(k, j));
            if (std::memcmp(&a, &b, 4) != 0) {
                std::snprintf(buf, sizeof buf, "preset %d \"%s\" %s: %g -> %g", k,
                              recordName(to, k).c_str(), host.parameterName(j).c_str(),
                              static_cast<double>(a), static_cast<double>(b));
                lines.push_back(buf);
            }
        }
    }
    for (int j = 0; j < kParams; ++j) {
        float a = value(from, kAssignmentsOffset + 4 * j);
        float b = value(to, kAssignmentsOffset + 4 * j);
        if (std::memcmp(&a, &b, 4) != 0) {
            std::snprintf(buf, sizeof buf, "%s: %s (%g) -> %s (%g)",
                          host.parameterName(kParams + j).c_str(), assignmentText(a).c_str(),
                          static_cast<double>(a), assignmentText(b).c_str(),
                          static_cast<double>(b));
            lines.push_back(buf);
        }
    }
    return lines;
}

bool loadPlugin(PluginLibrary& library, Host& host) {
    if (!host.load(library)) {
        std::fprintf(stderr, "lumdel-host: %s\n", host.error().c_str());
        return false;
    }
    host.start();
    return true;
}

int save(const Args& args) {
    PluginLibrary library(args[1]);
    Host host;
    if (!loadPlugin(library, host)) return 1;
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == "--preset" && i + 1 < args.size()) {
            // Presets are selected as a host does for plug-ins with many programs:
            // through a chunk whose current index names the preset.
            Bytes chunk = currentChunk(host);
            if (!isLumdelChunk(chunk, host.effect()->uniqueID)) {
                std::fprintf(stderr, "lumdel-host: --preset needs a Lumdel chunk\n");
                return 1;
            }
            std::int32_t index = std::atoi(args[++i].c_str());
            std::memcpy(chunk.data() + 12, &index, 4);
            host.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data());
        } else if (args[i] == "--set" && i + 1 < args.size()) {
            const std::string& s = args[++i];
            size_t eq = s.find('=');
            if (eq == std::string::npos) {
                std::fprintf(stderr, "lumdel-host: --set wants INDEX=VALUE\n");
                return 2;
            }
            host.setParameter(std::atoi(s.substr(0, eq).c_str()),
                              std::strtof(s.c_str() + eq + 1, nullptr));
        } else {
            std::fprintf(stderr, "lumdel-host: unknown option %s\n", args[i].c_str());
            return 2;
        }
    }
    Bytes chunk = currentChunk(host);
    if (chunk.empty()) {
        std::fprintf(stderr, "lumdel-host: the plug-in gave no chunk\n");
        return 1;
    }
    std::ofstream out(args[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
    if (!out) {
        std::fprintf(stderr, "lumdel-host: cannot write %s\n", args[2].c_str());
        return 1;
    }
    std::printf("saved %zu bytes to %s\n", chunk.size(), args[2].c_str());
    return 0;
}

int load(const Args& args) {
    PluginLibrary library(args[1]);
    Host host;
    if (!loadPlugin(library, host)) return 1;
    const VstInt32 id = host.effect()->uniqueID;
    const Bytes before = currentChunk(host);
    const size_t limit = before.empty() ? kLumdelChunkSize : before.size();
    Bytes file;
    if (const int error = readBoundedAt(AT_FDCWD, args[2].c_str(), false, file, limit)) {
        if (error == EFBIG)
            std::fprintf(stderr, "lumdel-host: %s is larger than one chunk (%zu bytes)\n",
                         args[2].c_str(), limit);
        else
            std::fprintf(stderr, "lumdel-host: cannot read %s: %s\n", args[2].c_str(),
                         fileErrorText(error).c_str());
        return 1;
    }
    Bytes sent = file;
    VstIntPtr result = host.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(sent.size()),
                                     sent.empty() ? nullptr : sent.data());
    if (result != 0) {
        std::printf("refused (%ld)\n", static_cast<long>(result));
        return 1;
    }
    const Bytes after = currentChunk(host);
    Bytes expected = file;
    if (expected.size() == kLumdelChunkSize &&
        static_cast<VstInt32>(word(expected, 4)) ==
            static_cast<VstInt32>(__builtin_bswap32(static_cast<std::uint32_t>(id)))) {
        std::printf("byte-reversed chunk, read in the other byte order\n");
        reverseLumdelChunk(expected);
    }
    if (isLumdelChunk(before, id) && isLumdelChunk(after, id)) {
        for (const std::string& line : differences(host, before, after))
            std::printf("changed: %s\n", line.c_str());
        if (isLumdelChunk(expected, id) && expected != after) {
            for (const std::string& line : differences(host, expected, after))
                std::printf("not as in the file: %s\n", line.c_str());
            return 1;
        }
    } else if (expected != after) {
        std::printf("the plug-in's chunk differs from the file\n");
        return 1;
    }
    std::printf("OK\n");
    return 0;
}

}  // namespace

int runState(const Args& args);
static const CommandRegistrar registerState{
    "state", "state save|load PLUGIN.so FILE [--preset N] [--set INDEX=VALUE]...", runState};

int runState(const Args& args) {
    if (args.size() >= 3 && args[0] == "save") return save(args);
    if (args.size() == 3 && args[0] == "load") return load(args);
    std::fprintf(stderr,
                 "usage: lumdel-host state save PLUGIN.so FILE [--preset N] [--set INDEX=VALUE]...\n"
                 "       lumdel-host state load PLUGIN.so FILE\n");
    return 2;
}

}  // namespace lumdel::host
