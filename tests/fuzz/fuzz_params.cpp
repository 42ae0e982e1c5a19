// Parameter sequences with processing: 6-byte commands set any parameter index (also
// out of range) to any bit pattern (NaN, infinities, subnormals), process blocks of
// both precisions, suspend and resume at odd sample rates (twice per input at most), or
// hand out odd tempos and positions. Every output sample must stay finite.
#include <cstring>

#include "FuzzPlugin.h"

using lumdel::fuzz::FuzzPlugin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzPlugin* plugin = new FuzzPlugin;
    static const float rates[] = {44100.0f, 0.0f, 22050.0f, 48000.0f, 96000.0f, 192000.0f, 300000.0f, -1.0f};
    lumdel::host::Host& host = plugin->host;
    // A resume clears (at a new rate reallocates) tens of megabytes of lines, a slow step
    // under the sanitizers: two per input keep the inputs many per second.
    int resumes = 0;
    for (std::size_t pos = 0; pos + 6 <= size; pos += 6) {
        const std::uint8_t* c = data + pos;
        float value;
        std::memcpy(&value, c + 2, sizeof value);
        switch (c[0] % 8) {
            case 0:
            case 1:
            case 2:
            case 3:
                host.setParameter(static_cast<int>(c[1] % 130) - 5, value);
                break;
            case 4:
                plugin->process(c[1] * 4 + 1, false);
                break;
            case 5:
                plugin->process(c[1] * 4 + 1, true);
                break;
            case 6:
                if (++resumes > 2) break;
                host.suspend();
                host.sampleRate = rates[c[1] % 8];
                host.timeInfo.sampleRate = host.sampleRate;
                host.dispatch(effSetSampleRate, 0, 0, nullptr, host.sampleRate);
                host.resume();
                break;
            default:
                host.timeInfoAvailable = (c[1] & 1) == 0;
                host.timeInfo.tempo = value;
                host.timeInfo.ppqPos = static_cast<double>(value) * (c[1] >> 1);
                break;
        }
    }
    plugin->process(64, false);
    return 0;
}
