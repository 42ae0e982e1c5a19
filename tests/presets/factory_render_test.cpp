// Every factory preset rendered through the real plug-in at 120 BPM: a test phrase
// peaking at -6 dBFS, then 30 s of silence. No preset is silent or indistinguishable
// from the dry signal, none peaks above +6 dBFS, none grows in the silence. The table of
// measured figures is printed and written next to the plug-in in the build tree
// (factory_render_table.txt). Skipped while the plug-in only passes audio through.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "PluginFixture.h"
#include "core/FactoryPresets.h"

namespace {

constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;
constexpr int kBeat = 22050;  // 120 BPM
constexpr int kPhraseFrames = 4 * kBeat;
constexpr int kTotalFrames = kPhraseFrames + 31 * 44100;

// Four notes, one a beat, each a few partials with a 5 ms attack and an exponential
// decay; scaled to a peak of 0.5 (-6 dBFS).
std::vector<float> testPhrase() {
    std::vector<float> x(kPhraseFrames, 0.0f);
    const double notes[4] = {220.0, 277.18, 329.63, 440.0};
    for (int n = 0; n < 4; ++n) {
        for (int i = 0; i < kBeat; ++i) {
            const double t = i / 44100.0;
            const double env = std::min(1.0, t / 0.005) * std::exp(-t * 4.0);
            double s = 0.0;
            for (int h = 1; h <= 4; ++h) s += std::sin(2.0 * M_PI * notes[n] * h * t) / h;
            x[n * kBeat + i] = static_cast<float>(env * s);
        }
    }
    float peak = 0.0f;
    for (float v : x) peak = std::max(peak, std::fabs(v));
    for (float& v : x) v *= 0.5f / peak;
    return x;
}

struct Render {
    std::vector<float> left, right;
};

// A fresh instance with preset k selected, fed `input` on both main channels from frame
// `at` on. As a host restoring a project does, the chunk comes before processing starts.
Render render(int preset, const std::vector<float>& input, int frames, int at = 0) {
    lumdel::host::Host host;
    host.sampleRate = kRate;
    host.blockSize = kBlock;
    Render r;
    if (!host.load(lumdel::test::pluginLibrary())) return r;
    host.setTempo(120.0);
    void* data = nullptr;
    host.dispatch(effGetChunk, 0, 0, &data);
    std::vector<unsigned char> chunk(static_cast<unsigned char*>(data),
                                     static_cast<unsigned char*>(data) + 16376);
    std::int32_t index = preset;
    std::memcpy(chunk.data() + 12, &index, 4);
    host.dispatch(effSetChunk, 0, 16376, chunk.data());
    host.start();

    r.left.assign(frames, 0.0f);
    r.right.assign(frames, 0.0f);
    lumdel::host::Buffers<float> in(4, kBlock), out(2, kBlock);
    for (int pos = 0; pos < frames; pos += kBlock) {
        const int n = std::min(kBlock, frames - pos);
        for (int i = 0; i < n; ++i) {
            const int j = pos + i - at;
            const float s = j >= 0 && j < static_cast<int>(input.size()) ? input[j] : 0.0f;
            in.data[0][i] = in.data[1][i] = s;
        }
        host.process(in.get(), out.get(), n);
        std::copy_n(out.data[0].begin(), n, r.left.begin() + pos);
        std::copy_n(out.data[1].begin(), n, r.right.begin() + pos);
    }
    return r;
}

double rmsDb(const Render& r, int from, int length) {
    double sum = 0.0;
    for (int i = from; i < from + length; ++i)
        sum += r.left[i] * r.left[i] + r.right[i] * r.right[i];
    return 10.0 * std::log10(sum / (2.0 * length) + 1e-30);
}

TEST(FactoryRender, EveryPresetPassesTheQualityBar) {
    const std::vector<float> phrase = testPhrase();
    {
        Render probe = render(0, phrase, kPhraseFrames);
        ASSERT_EQ(probe.left.size(), static_cast<size_t>(kPhraseFrames));
        if (std::equal(phrase.begin(), phrase.end(), probe.left.begin()))
            GTEST_SKIP() << "the plug-in passes audio through unchanged: no engine yet";
    }
    std::vector<float> impulse(1, 0.5f);
    std::string table;
    auto line = [&table](const char* format, auto... values) {
        char text[160];
        std::snprintf(text, sizeof text, format, values...);
        std::printf("%s", text);
        table += text;
    };
    line("%3s  %-22s %9s %9s %9s %11s\n", "#", "preset", "peak dB", "5 s dB", "30 s dB",
         "1st echo ms");
    for (int k = 0; k < 61; ++k) {
        SCOPED_TRACE(lumdel::kFactoryPresets[k].name);
        Render r = render(k, phrase, kTotalFrames);
        double peak = 0.0, diff = 0.0, dry = 0.0;
        bool finite = true;
        for (int i = 0; i < kTotalFrames; ++i) {
            const float x = i < kPhraseFrames ? phrase[i] : 0.0f;
            for (float y : {r.left[i], r.right[i]}) {
                finite = finite && std::isfinite(y);
                peak = std::max(peak, static_cast<double>(std::fabs(y)));
                diff += (y - x) * (y - x);
                dry += x * x;
            }
        }
        ASSERT_TRUE(finite);
        const int window = 4410;
        const double tail5 = rmsDb(r, kPhraseFrames + 5 * 44100, window);
        const double tail30 = rmsDb(r, kPhraseFrames + 30 * 44100 - window, window);

        // The impulse comes half a second in: the lines settle their tempo-synced times
        // when processing starts, and a short echo would fall into that fade.
        const int lead = kBeat, length = lead + 6 * 44100;
        Render echo = render(k, impulse, length, lead);
        const int skip = lead + 88;  // the dry impulse and the 1 ms lookahead
        double loudest = 0.0;
        for (int i = skip; i < length; ++i)
            loudest = std::max({loudest, static_cast<double>(std::fabs(echo.left[i])),
                                static_cast<double>(std::fabs(echo.right[i]))});
        int first = -1;
        for (int i = skip; i < length && first < 0 && loudest > 1e-6; ++i)
            if (std::max(std::fabs(echo.left[i]), std::fabs(echo.right[i])) >= 0.25 * loudest)
                first = i - lead;

        line("%3d  %-22s %9.1f %9.1f %9.1f %11.1f\n", k, lumdel::kFactoryPresets[k].name,
             20.0 * std::log10(peak + 1e-30), tail5, tail30,
             first < 0 ? -1.0 : first * 1000.0 / 44100.0);

        EXPECT_LE(peak, 2.0) << "peaks above +6 dBFS";
        EXPECT_GT(diff, 1e-3 * dry) << "indistinguishable from the dry signal";
        EXPECT_LE(tail30, std::max(tail5, -100.0) + 1.0) << "grows in the silence";
    }
    const std::string plugin = LUMDEL_PLUGIN_PATH;
    const std::string path = plugin.substr(0, plugin.find_last_of('/') + 1) + "factory_render_table.txt";
    std::ofstream(path) << table;
}

}  // namespace
