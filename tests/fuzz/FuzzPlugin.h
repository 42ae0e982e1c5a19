// One in-process Lumdel instance for the fuzz targets, driven through the host harness.
// A finding is a crash, a sanitizer report or a non-finite output sample (__builtin_trap).
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "shell/Orv.h"
#include "tools/host/Host.h"

namespace lumdel::fuzz {

// Patches bytes from data[from..size): groups of a 2-byte offset (little-endian, taken
// modulo the size), a 1-byte length and that many bytes, written with wrap-around.
template <typename Bytes>
void applyPatches(Bytes& bytes, const std::uint8_t* data, std::size_t size, std::size_t from) {
    if (bytes.empty()) return;
    for (std::size_t pos = from; pos + 3 <= size;) {
        std::size_t offset = (data[pos] | (data[pos + 1] << 8)) % bytes.size();
        std::size_t length = data[pos + 2];
        pos += 3;
        for (std::size_t i = 0; i < length && pos < size; ++i, ++pos)
            bytes[(offset + i) % bytes.size()] = data[pos];
    }
}

inline AEffect* fuzzEntry(audioMasterCallback master) { return (new Orv(master))->getAeffect(); }

class FuzzPlugin {
public:
    static constexpr int kMaxBlock = 1024;

    FuzzPlugin() : fin_(4, kMaxBlock), fout_(2, kMaxBlock), din_(4, kMaxBlock), dout_(2, kMaxBlock) {
        host.recordCalls = false;  // millions of inputs: keep no lists
        host.blockSize = kMaxBlock;
        if (!host.load(fuzzEntry)) __builtin_trap();
        host.start();
    }

    // Processes frames (clamped to the announced block) of deterministic noise and traps
    // on any non-finite output.
    void process(int frames, bool dbl) {
        frames = frames < 0 ? 0 : (frames > kMaxBlock ? kMaxBlock : frames);
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < frames; ++i) {
                seed_ = seed_ * 1664525u + 1013904223u;
                double x = static_cast<double>(seed_ >> 8) / 8388608.0 - 1.0;
                fin_.data[c][i] = static_cast<float>(x);
                din_.data[c][i] = x;
            }
        if (dbl) {
            host.processDouble(din_.get(), dout_.get(), frames);
            for (auto& ch : dout_.data)
                for (int i = 0; i < frames; ++i)
                    if (!std::isfinite(ch[i])) fail(i);
        } else {
            host.process(fin_.get(), fout_.get(), frames);
            for (auto& ch : fout_.data)
                for (int i = 0; i < frames; ++i)
                    if (!std::isfinite(ch[i])) fail(i);
        }
    }

    // A non-finite sample: the parameters it came with go to stderr for the report.
    [[noreturn]] void fail(int frame) {
        std::fprintf(stderr, "non-finite output at frame %d; parameters:", frame);
        for (int i = 0; i < 120; ++i) std::fprintf(stderr, " %d=%.9g", i, host.getParameter(i));
        std::fprintf(stderr, "\n");
        __builtin_trap();
    }

    lumdel::host::Host host;

private:
    lumdel::host::Buffers<float> fin_, fout_;
    lumdel::host::Buffers<double> din_, dout_;
    std::uint32_t seed_ = 1;
};

}  // namespace lumdel::fuzz
