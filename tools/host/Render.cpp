#include "Render.h"

#include <algorithm>
#include <cstdio>

#include "Host.h"

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

template <typename T>
void runBlocks(Host& host, const AudioData& input, const AudioData* key, long total,
               const RenderOptions& options, AudioData& output) {
    const int block = std::max(1, options.blockSize);
    Buffers<T> in(4, block), out(2, block);
    long lastDrawn = -1;
    for (long start = 0; start < total; start += block) {
        const int len = static_cast<int>(std::min<long>(block, total - start));
        for (int i = 0; i < len; ++i) {
            const long n = start + i;
            in.data[0][i] = static_cast<T>(sampleOf(input, 0, n));
            in.data[1][i] = static_cast<T>(sampleOf(input, 1, n));
            in.data[2][i] = static_cast<T>(key ? sampleOf(*key, 0, n) : 0.0f);
            in.data[3][i] = static_cast<T>(key ? sampleOf(*key, 1, n) : 0.0f);
        }
        if constexpr (sizeof(T) == sizeof(float))
            host.process(in.get(), out.get(), len);
        else
            host.processDouble(in.get(), out.get(), len);
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

}  // namespace

bool render(PluginLibrary& library, const AudioData& input, const AudioData* key,
            const RenderOptions& options, AudioData& output, std::string& error) {
    Host host;
    host.sampleRate = static_cast<float>(input.sampleRate);
    host.blockSize = options.blockSize;
    if (!host.load(library)) {
        error = host.error();
        return false;
    }
    if (!applySettings(host, options.settings, error)) return false;
    host.setTempo(options.tempo);
    // A suspend first, so that new delay times are in place from the first sample.
    host.suspend();
    host.start();
    const long tail = static_cast<long>(std::max(0.0, options.tailSeconds) * input.sampleRate);
    const long total = input.frames() + tail;
    output.sampleRate = input.sampleRate;
    output.channels.assign(2, std::vector<float>(static_cast<size_t>(total)));
    if (options.useDouble)
        runBlocks<double>(host, input, key, total, options, output);
    else
        runBlocks<float>(host, input, key, total, options, output);
    host.suspend();
    return true;
}

}  // namespace lumdel::host
