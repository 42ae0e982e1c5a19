// lumdel-host render with the plug-in's own presets, controller assignments and timed
// control changes, and the demo that renders factory presets.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "PluginFixture.h"
#include "TempFolders.h"
#include "ToolRun.h"
#include "shell/Orv.h"
#include "tools/host/AudioFile.h"
#include "tools/host/Render.h"

using lumdel::host::AudioData;
using lumdel::host::Buffers;
using lumdel::host::Host;

namespace {

using lumdel::test::lumdelHost;
using lumdel::test::ToolRun;

AEffect* inProcessEntry(audioMasterCallback audioMaster) {
    return (new Orv(audioMaster))->getAeffect();
}

// One 24-bit step: what writing a file may change in a sample.
constexpr float kStep = 1.0f / 8388608.0f;

class RenderOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        // Half a second of plucked notes, written and read back so that the in-process
        // renders see exactly what the tool reads.
        AudioData notes;
        notes.sampleRate = 44100;
        notes.channels.assign(1, std::vector<float>(22050, 0.0f));
        for (int i = 0; i < 22050; ++i) {
            const double t = (i % 5512) / 44100.0;
            notes.channels[0][i] = static_cast<float>(0.4 * std::exp(-t * 20.0) *
                                                      std::sin(2 * M_PI * (220.0 + 55.0 * (i / 5512)) * t));
        }
        std::string error;
        ASSERT_TRUE(lumdel::host::writeAudioFile(file("in.wav"), notes, error)) << error;
        ASSERT_TRUE(lumdel::host::readAudioFile(file("in.wav"), input, error)) << error;
    }
    std::string file(const char* name) { return dir / name; }
    std::string quoted(const char* name) { return "'" + file(name) + "' "; }

    AudioData renderWithTool(const std::string& options, const char* out = "out.wav") {
        const ToolRun r = lumdelHost("render " + plugin + quoted("in.wav") + quoted(out) + options);
        EXPECT_EQ(r.exitCode, 0) << r.output;
        AudioData data;
        std::string error;
        EXPECT_TRUE(lumdel::host::readAudioFile(file(out), data, error)) << error;
        return data;
    }

    // The plug-in built in this process, preset selected on the object itself, run
    // as the tool runs it: 120 BPM, suspend, start, blocks of 512, one second of tail.
    AudioData renderInProcess(int preset) {
        Host host;
        host.sampleRate = 44100.0f;
        host.blockSize = 512;
        AudioData out;
        if (!host.load(&inProcessEntry)) return out;
        static_cast<Orv*>(host.effect()->object)->setCurrentPreset(preset);
        host.setTempo(120.0);
        host.suspend();
        host.start();
        const long total = input.frames() + 44100;
        out.sampleRate = 44100;
        out.channels.assign(2, std::vector<float>(total));
        Buffers<float> in(4, 512), o(2, 512);
        for (long start = 0; start < total; start += 512) {
            const int len = static_cast<int>(std::min<long>(512, total - start));
            for (int i = 0; i < len; ++i)
                in.data[0][i] = in.data[1][i] =
                    start + i < input.frames() ? input.channels[0][start + i] : 0.0f;
            host.process(in.get(), o.get(), len);
            for (int c = 0; c < 2; ++c)
                std::copy_n(o.data[c].begin(), len, out.channels[c].begin() + start);
        }
        return out;
    }

    // The first frame at which a and b differ by more than one 24-bit step; -1 if none.
    static long firstDifference(const AudioData& a, const AudioData& b) {
        for (long i = 0; i < std::min(a.frames(), b.frames()); ++i)
            for (int c = 0; c < 2; ++c)
                if (std::fabs(a.channels[c][i] - b.channels[c][i]) > 1.5f * kStep) return i;
        return a.frames() == b.frames() ? -1 : std::min(a.frames(), b.frames());
    }

    lumdel::test::TempDir dir{"lumdel-render"};
    std::string plugin = std::string("'") + LUMDEL_PLUGIN_PATH + "' ";
    AudioData input;
};

TEST_F(RenderOptionsTest, PresetByNumberOrNameSoundsLikeSelectingItInProcess) {
    for (int preset : {24, 53, 60}) {
        SCOPED_TRACE(preset);
        const AudioData tool = renderWithTool("--tail 1 --preset " + std::to_string(preset));
        const AudioData direct = renderInProcess(preset);
        ASSERT_EQ(tool.frames(), direct.frames());
        EXPECT_EQ(firstDifference(tool, direct), -1);
    }
    // Any letter case; and the preset really differs from the start-up state.
    const AudioData byNumber = renderWithTool("--tail 1 --preset 24", "a.wav");
    const AudioData byName = renderWithTool("--tail 1 --preset 'ping PONG'", "b.wav");
    const AudioData plain = renderWithTool("--tail 1", "c.wav");
    EXPECT_EQ(firstDifference(byNumber, byName), -1);
    EXPECT_NE(firstDifference(byNumber, plain), -1);
}

TEST_F(RenderOptionsTest, SettingsApplyAfterThePreset) {
    // Mix 0 and unity Output after "Ping Pong" leave the dry signal, whatever the preset's
    // own Mix and Output.
    const AudioData dry = renderWithTool("--tail 1 --preset 24 --set Mix=0 --set output=0.5");
    for (long i = 0; i < input.frames(); i += 97)
        EXPECT_NEAR(dry.channels[0][i], input.channels[0][i], 1e-3) << i;
}

TEST_F(RenderOptionsTest, ControlChangeMovesAnAssignedParameterFromItsBlockOn) {
    // Frame 5000 lies in the block 4608..5119: everything before is untouched.
    const AudioData plain = renderWithTool("--tail 1 --assign Output=7", "plain.wav");
    const AudioData moved = renderWithTool("--tail 1 --assign Output=7 --cc 1:7:0@5000", "cc.wav");
    const long first = firstDifference(plain, moved);
    EXPECT_GE(first, 4608);
    EXPECT_LT(first, 5120);
    // Without the assignment the controller drives nothing.
    const AudioData unassigned = renderWithTool("--tail 1 --cc 1:7:0@5000", "none.wav");
    const AudioData reference = renderWithTool("--tail 1", "ref.wav");
    EXPECT_EQ(firstDifference(unassigned, reference), -1);
    // A control-change file with comments gives what the same --cc gives; any channel.
    std::ofstream(file("cc.txt")) << "# frame channel controller value\n\n"
                                     "5000 16 7 0   # Output down\n";
    const AudioData fromFile =
        renderWithTool("--tail 1 --assign output=7 --midi " + quoted("cc.txt"), "file.wav");
    EXPECT_EQ(firstDifference(fromFile, moved), -1);
}

TEST_F(RenderOptionsTest, BadArgumentsAreUsageErrors) {
    std::ofstream(file("bad.txt")) << "100 1 7\n";
    const std::string io = plugin + quoted("in.wav") + quoted("x.wav");
    for (const std::string& args :
         {io + "--preset 61", io + "--preset -1", io + "--preset 'No Such Preset'",
          io + "--preset", io + "--cc 0:7:0@0", io + "--cc 1:128:0@0", io + "--cc 1:7:128@0",
          io + "--cc 1:7:0", io + "--cc 1:7:0@-5", io + "--assign Mix=128",
          io + "--assign Nothing=7", io + "--assign Mix", io + "--set Nothing=0.5",
          io + "--midi " + quoted("bad.txt"), io + "--midi " + quoted("missing.txt"),
          io + "--tempo fast", io + "--tail -1", io + "--frobnicate",
          plugin + quoted("in.wav")}) {
        SCOPED_TRACE(args);
        const ToolRun r = lumdelHost("render " + args);
        EXPECT_EQ(r.exitCode, 2) << r.output;
        EXPECT_NE(r.output.find("usage: lumdel-host render"), std::string::npos) << r.output;
    }
    EXPECT_NE(access(file("x.wav").c_str(), F_OK), 0) << "nothing is written";
}

TEST_F(RenderOptionsTest, DemoRendersThePhraseThroughFactoryPresets) {
    const ToolRun r = lumdelHost("demo " + plugin + "'" + file("demo") + "'");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    AudioData phrase, dflt, other;
    std::string error;
    ASSERT_TRUE(lumdel::host::readAudioFile(file("demo/phrase.wav"), phrase, error)) << error;
    for (const char* name : {"default", "ping-pong", "solaris", "rub-a-dub", "meta-flanger",
                             "bass-drone", "stalker"}) {
        SCOPED_TRACE(name);
        AudioData out;
        ASSERT_TRUE(lumdel::host::readAudioFile(file("demo/") + name + ".wav", out, error)) << error;
        EXPECT_EQ(out.channels.size(), 2u);
        EXPECT_EQ(out.frames(), phrase.frames() + 5 * 44100);
        if (std::string(name) == "default") dflt = out;
        else EXPECT_NE(firstDifference(out, dflt), -1);
    }
}

// A minimal plug-in that records, for each control change, the frame at which its
// block starts and the deltaFrames it came with.
struct Received {
    long blockStart;
    int deltaFrames, channel, controller, value;
};
std::vector<Received> received;
long framesProcessed = 0;

VstIntPtr recorderDispatch(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    if (opcode == effProcessEvents && ptr) {
        const auto* list = static_cast<const VstEvents*>(ptr);
        for (int i = 0; i < list->numEvents; ++i) {
            const auto* e = reinterpret_cast<const VstMidiEvent*>(list->events[i]);
            received.push_back({framesProcessed, e->deltaFrames, e->midiData[0] & 0x0F,
                                e->midiData[1], e->midiData[2]});
        }
        return 1;
    }
    return 0;
}

void recorderProcess(AEffect*, float**, float** outputs, VstInt32 frames) {
    for (int c = 0; c < 2; ++c) std::fill_n(outputs[c], frames, 0.0f);
    framesProcessed += frames;
}

AEffect* recorderEntry(audioMasterCallback) {
    static AEffect effect;
    effect = AEffect{};
    effect.magic = kEffectMagic;
    effect.dispatcher = recorderDispatch;
    effect.processReplacing = recorderProcess;
    effect.numInputs = 4;
    effect.numOutputs = 2;
    received.clear();
    framesProcessed = 0;
    return &effect;
}

TEST(RenderEvents, EachControlChangeArrivesInTheBlockHoldingItsFrame) {
    AudioData input;
    input.sampleRate = 44100;
    input.channels.assign(1, std::vector<float>(3000, 0.0f));
    lumdel::host::RenderOptions options;
    options.blockSize = 512;
    // Out of order on purpose; the last lies beyond the end and is not sent.
    options.events = {{1536, 3, 20, 5}, {0, 1, 7, 127}, {511, 16, 7, 1}, {512, 1, 7, 2},
                      {2999, 2, 9, 9}, {3000, 1, 1, 1}};
    AudioData output;
    std::string error;
    ASSERT_TRUE(lumdel::host::render(&recorderEntry, input, nullptr, options, output, error)) << error;
    ASSERT_EQ(received.size(), 5u);
    const long expected[5][5] = {{0, 0, 0, 7, 127},    {0, 511, 15, 7, 1},   {512, 0, 0, 7, 2},
                                 {1536, 0, 2, 20, 5}, {2560, 439, 1, 9, 9}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(received[i].blockStart, expected[i][0]);
        EXPECT_EQ(received[i].deltaFrames, expected[i][1]);
        EXPECT_EQ(received[i].channel, expected[i][2]);
        EXPECT_EQ(received[i].controller, expected[i][3]);
        EXPECT_EQ(received[i].value, expected[i][4]);
    }
}

TEST(RenderEvents, ControlTextsParseOrRefuse) {
    lumdel::host::ControlEvent e;
    EXPECT_TRUE(lumdel::host::parseControlEvent("16:127:0@44100", e));
    EXPECT_EQ(e.channel, 16);
    EXPECT_EQ(e.controller, 127);
    EXPECT_EQ(e.value, 0);
    EXPECT_EQ(e.frame, 44100);
    for (const char* bad : {"", "1:7:0", "1:7@0", "17:7:0@0", "1:7:0@", "1:7:0@1x", "a:7:0@0",
                            "1:-1:0@0", "1:7:0@99999999999999999999"})
        EXPECT_FALSE(lumdel::host::parseControlEvent(bad, e)) << bad;
    lumdel::host::Assignment a;
    EXPECT_TRUE(lumdel::host::parseAssignment("Mix=0", a));
    EXPECT_EQ(a.parameter, "Mix");
    EXPECT_EQ(a.controller, 0);
    for (const char* bad : {"Mix", "=7", "Mix=", "Mix=128", "Mix=7.5"})
        EXPECT_FALSE(lumdel::host::parseAssignment(bad, a)) << bad;
}

}  // namespace
