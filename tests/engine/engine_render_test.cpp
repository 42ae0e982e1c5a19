// Rendering files through the plug-in: formats, the file's own rate, mono to both sides,
// the key file on inputs 3 and 4, and the echo where it belongs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "PluginFixture.h"
#include "tools/host/AudioFile.h"
#include "tools/host/Render.h"

using namespace lumdel;
using namespace lumdel::host;

namespace {
std::string tempPath(const char* name) {
    return ::testing::TempDir() + "/lumdel_render_" + name;
}
}  // namespace

TEST(Render, FormatsRoundTrip) {
    AudioData data;
    data.sampleRate = 48000;
    data.channels.assign(2, std::vector<float>(1000));
    for (int i = 0; i < 1000; ++i) {
        data.channels[0][i] = 0.5f * std::sin(i * 0.01f);
        data.channels[1][i] = -0.25f;
    }
    for (const char* name : {"a.wav", "a.flac", "a.aiff"}) {
        std::string error;
        ASSERT_TRUE(writeAudioFile(tempPath(name), data, error)) << error;
        AudioData back;
        ASSERT_TRUE(readAudioFile(tempPath(name), back, error)) << error;
        EXPECT_EQ(back.sampleRate, 48000);
        ASSERT_EQ(back.channels.size(), 2u);
        ASSERT_EQ(back.frames(), 1000);
        for (int i = 0; i < 1000; ++i) ASSERT_NEAR(back.channels[0][i], data.channels[0][i], 1e-6);
        std::remove(tempPath(name).c_str());
    }
    AudioData missing;
    std::string error;
    EXPECT_FALSE(readAudioFile(tempPath("missing.wav"), missing, error));
    EXPECT_FALSE(error.empty());
}

TEST(Render, MonoImpulseEchoesOnBothSidesAtTheFileRate) {
    test::pluginLibrary();
    PluginLibrary library(LUMDEL_PLUGIN_PATH);
    AudioData input;
    input.sampleRate = 48000;
    input.channels.assign(1, std::vector<float>(100, 0.0f));
    input.channels[0][0] = 1.0f;
    RenderOptions options;
    options.settings = {{"Mix", 1.0f}, {"VcoOn", 0.0f}};
    options.tempo = 120.0;
    options.tailSeconds = 0.6;
    AudioData output;
    std::string error;
    ASSERT_TRUE(render(library, input, nullptr, options, output, error)) << error;
    ASSERT_EQ(output.channels.size(), 2u);
    EXPECT_EQ(output.frames(), 100 + 28800);
    // 500 ms at 48000 Hz plus 48 samples of lookahead.
    EXPECT_FLOAT_EQ(output.channels[0][24048], 1.0f);
    EXPECT_FLOAT_EQ(output.channels[1][24048], 1.0f);
    // In double precision the same.
    options.useDouble = true;
    AudioData twice;
    ASSERT_TRUE(render(library, input, nullptr, options, twice, error)) << error;
    EXPECT_FLOAT_EQ(twice.channels[0][24048], 1.0f);
    // An unknown parameter name is an error.
    options.settings = {{"NoSuchKnob", 1.0f}};
    EXPECT_FALSE(render(library, input, nullptr, options, output, error));
}

TEST(Render, KeyFileDucksTheEchoes) {
    PluginLibrary library(LUMDEL_PLUGIN_PATH);
    AudioData input;
    input.sampleRate = 44100;
    input.channels.assign(1, std::vector<float>(44100, 0.0f));
    for (int i = 0; i < 44100; ++i) input.channels[0][i] = 0.1f * std::sin(i * 0.05f);
    AudioData key = input;
    for (float& x : key.channels[0]) x = 0.9f;
    RenderOptions options;
    options.settings = {{"Mix", 1.0f}, {"Ducking", 0.0f}, {"VcoOn", 0.0f}};
    AudioData plain, ducked;
    std::string error;
    ASSERT_TRUE(render(library, input, nullptr, options, plain, error)) << error;
    ASSERT_TRUE(render(library, input, &key, options, ducked, error)) << error;
    double p = 0, d = 0;
    for (int i = 30000; i < 44100; ++i) {
        p += plain.channels[0][i] * plain.channels[0][i];
        d += ducked.channels[0][i] * ducked.channels[0][i];
    }
    EXPECT_GT(p, 0.0);
    EXPECT_LT(d, p * 0.01);  // key at 0.9 against a -30 dB threshold
}
