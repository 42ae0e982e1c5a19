// One input through the VST 2.4, LV2 and CLAP builds, driven by lumdel-host's loaders as
// hosts drive each format: preset 0, and a varied preset with parameters automated while
// it plays (delay times, feedback, mix, a stepped switch), compared sample by sample.
//
// Tolerance 1e-6 (-120 dBFS): all three run the same core on the same single-precision
// samples, so the only room for a difference is each host's time arithmetic (a CLAP
// position is a fixed-point beat count); a wrong port, a lost or late parameter change,
// a missed tempo or a dropped side chain moves samples by far more.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tools/host/Host.h"
#include "tools/host/PluginInstance.h"

using lumdel::host::Buffers;
using lumdel::host::Format;
using lumdel::host::PluginInstance;

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kFrames = 4 * 48000;  // 2 s of programme, 2 s of echoes
constexpr double kTolerance = 1e-6;

using Stereo = std::vector<std::vector<double>>;

// A parameter change at the start of a block.
struct Move {
    int block;
    const char* parameter;
    float value;
};

struct Scenario {
    int preset;
    double tempo;
    std::vector<Move> moves;
};

// An impulse, a noise burst and a chord on the main input; a pulsing tone on the side
// chain (so ducking, where a preset uses it, listens to something else).
Stereo programme(bool sideChain) {
    Stereo s(2, std::vector<double>(kFrames, 0.0));
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-0.4, 0.4);
    for (int i = 0; i < kFrames / 2; ++i) {
        const double t = i / kRate;
        double l = 0.0, r = 0.0;
        if (sideChain) {
            l = r = (static_cast<int>(t * 4) % 2 ? 0.5 : 0.0) * std::sin(2 * M_PI * 80 * t);
        } else if (i == 100) {
            l = r = 1.0;
        } else if (i > 12000 && i < 24000) {
            l = noise(rng), r = noise(rng);
        } else if (i >= 30000) {
            l = 0.2 * std::sin(2 * M_PI * 220 * t) + 0.1 * std::sin(2 * M_PI * 330 * t);
            r = 0.2 * std::sin(2 * M_PI * 277 * t);
        }
        s[0][i] = l, s[1][i] = r;
    }
    return s;
}

Stereo render(PluginInstance& plugin, const Scenario& scenario, bool useDouble) {
    std::string error;
    EXPECT_TRUE(plugin.selectPreset(scenario.preset, error)) << error;
    plugin.setTransport(true, scenario.tempo, 0.0);
    EXPECT_TRUE(plugin.start(error)) << error;
    const Stereo main = programme(false), side = programme(true);
    Stereo out(2, std::vector<double>(kFrames, 0.0));
    Buffers<float> fin(4, kBlock), fout(2, kBlock);
    Buffers<double> din(4, kBlock), dout(2, kBlock);
    for (int b = 0; b * kBlock < kFrames; ++b) {
        for (const Move& m : scenario.moves) {
            if (m.block != b) continue;
            const int index = lumdel::host::findParameter(plugin, m.parameter);
            EXPECT_GE(index, 0) << m.parameter;
            plugin.setParameter(index, m.value);
        }
        const int start = b * kBlock, n = std::min(kBlock, kFrames - start);
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < 4; ++c) {
                const double x = (c < 2 ? main[c] : side[c - 2])[start + i];
                fin.data[c][i] = static_cast<float>(x), din.data[c][i] = x;
            }
        if (useDouble)
            plugin.processDouble(din.get(), dout.get(), n);
        else
            plugin.process(fin.get(), fout.get(), n);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                out[c][start + i] = useDouble ? dout.data[c][i] : fout.data[c][i];
    }
    plugin.stop();
    return out;
}

const Scenario kPresetZero{0, 120.0, {}};
// "Ping Pong" with its delay times, feedback, mix and the filter type moved as it plays.
const Scenario kAutomated{24, 97.0,
                          {{0, "FbGainL", 0.6f},
                           {20, "DlyTimeL", 0.25f},
                           {35, "Mix", 0.8f},
                           {50, "DlyTimeR", 0.7f},
                           {70, "FbGainR", 0.3f},
                           {90, "FltType", 0.9f},
                           {120, "DlyTimeL", 0.55f}}};

std::string pluginPath(Format format) {
    switch (format) {
        case Format::Lv2: return LUMDEL_LV2_BUNDLE_PATH;
        case Format::Clap: {
#ifdef LUMDEL_CLAP_BINARY
            return LUMDEL_CLAP_BINARY;
#else
            // A CLAP build from elsewhere, for runs by hand.
            const char* path = std::getenv("LUMDEL_TEST_CLAP");
            return path ? path : "";
#endif
        }
        default: return LUMDEL_PLUGIN_PATH;
    }
}

struct Difference {
    double most = 0.0;
    long at = -1;
};

Difference compare(const Stereo& a, const Stereo& b) {
    Difference d;
    for (int c = 0; c < 2; ++c)
        for (long i = 0; i < kFrames; ++i)
            if (std::fabs(a[c][i] - b[c][i]) > d.most) d = {std::fabs(a[c][i] - b[c][i]), i};
    return d;
}

double tailPeak(const Stereo& s) {
    double peak = 0.0;
    for (const auto& channel : s)
        for (int i = kFrames / 2; i < kFrames; ++i) peak = std::max(peak, std::fabs(channel[i]));
    return peak;
}

void expectSameAsVst(Format format, const Scenario& scenario, bool useDouble) {
    const std::string path = pluginPath(format);
    if (path.empty()) GTEST_SKIP() << "no CLAP build here (LUMDEL_TEST_CLAP names one)";
    std::string error;
    auto vst = lumdel::host::openPlugin(LUMDEL_PLUGIN_PATH, Format::Vst2, kRate, kBlock, error);
    auto other = lumdel::host::openPlugin(path, format, kRate, kBlock, error);
    ASSERT_TRUE(vst && other) << error;
    const Stereo expected = render(*vst, scenario, useDouble);
    const Stereo got = render(*other, scenario, useDouble);
    ASSERT_GT(tailPeak(expected), 0.01) << "the scenario must leave echoes to compare";
    const Difference d = compare(expected, got);
    EXPECT_LE(d.most, kTolerance) << lumdel::host::formatName(format) << " differs by " << d.most
                                  << " at frame " << d.at;
}

}  // namespace

TEST(CrossFormat, Lv2RendersAsVst2) {
    expectSameAsVst(Format::Lv2, kPresetZero, false);
    expectSameAsVst(Format::Lv2, kAutomated, false);
}

TEST(CrossFormat, ClapRendersAsVst2InBothPrecisions) {
    expectSameAsVst(Format::Clap, kPresetZero, false);
    expectSameAsVst(Format::Clap, kAutomated, false);
    expectSameAsVst(Format::Clap, kAutomated, true);
}

// The harness itself: a parameter change must reach each format's plug-in, or the
// comparisons above would pass on three untouched defaults.
TEST(CrossFormat, AutomationChangesTheSound) {
    for (Format format : {Format::Vst2, Format::Lv2, Format::Clap}) {
        const std::string path = pluginPath(format);
        if (path.empty()) continue;
        std::string error;
        auto a = lumdel::host::openPlugin(path, format, kRate, kBlock, error);
        auto b = lumdel::host::openPlugin(path, format, kRate, kBlock, error);
        ASSERT_TRUE(a && b) << error;
        Scenario moved = kAutomated;
        moved.moves.resize(1);
        Scenario plain = moved;
        plain.moves.clear();
        EXPECT_GT(compare(render(*a, moved, false), render(*b, plain, false)).most, 0.01)
            << lumdel::host::formatName(format);
    }
}

// What is not a plug-in of the format asked for is refused with a reason, never loaded
// half-way: a missing path, a directory without a bundle, a VST 2.4 library named as
// LV2 or CLAP, a text file named .clap.
TEST(CrossFormat, LoadersRefuseWhatIsNotAPlugin) {
    char pattern[] = "/tmp/lumdel-formats-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string fakeClap = dir + "/fake.clap";
    FILE* f = std::fopen(fakeClap.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("not a library\n", f);
    std::fclose(f);
    const std::pair<std::string, Format> cases[] = {
        {dir + "/missing.lv2", Format::Lv2}, {dir, Format::Lv2},
        {LUMDEL_PLUGIN_PATH, Format::Lv2},   {LUMDEL_PLUGIN_PATH, Format::Clap},
        {fakeClap, Format::Clap},            {dir + "/missing.so", Format::Vst2}};
    for (const auto& [path, format] : cases) {
        std::string error;
        EXPECT_EQ(lumdel::host::openPlugin(path, format, kRate, kBlock, error), nullptr)
            << path << " as " << lumdel::host::formatName(format);
        EXPECT_FALSE(error.empty()) << path;
    }
    std::remove(fakeClap.c_str());
    rmdir(dir.c_str());
}

TEST(CrossFormat, FormatFromThePath) {
    using lumdel::host::formatOfPath;
    EXPECT_EQ(formatOfPath("x/Lumdel.so"), Format::Vst2);
    EXPECT_EQ(formatOfPath("x/Lumdel.lv2"), Format::Lv2);
    EXPECT_EQ(formatOfPath("x/Lumdel.lv2/"), Format::Lv2);
    EXPECT_EQ(formatOfPath(LUMDEL_LV2_BUNDLE_PATH), Format::Lv2);
    EXPECT_EQ(formatOfPath("x/Lumdel.CLAP"), Format::Clap);
}
