// A block that cannot get the engine lock within 1000 ms (resume holding it, here stuck
// in a slow host callback) outputs silence and leaves the engine alone. The output hold
// around preset loads (a handshake between the loading thread and the block).
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "engine_direct.h"

using namespace lumdel;
using namespace lumdel::test;

class LockTest : public DirectTest {};

TEST_F(LockTest, BlockWithoutTheLockOutputsSilence) {
    effect->resume();  // pins probed: four inputs, two outputs
    std::atomic<bool> inside{false}, release{false};
    DirectHost::onGetTime = [&] {
        inside = true;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    std::thread resumer([&] { effect->resume(); });
    while (!inside) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    DirectHost::onGetTime = nullptr;

    std::vector<float> in(256, 0.5f), outL(256, 7.0f), outR(256, 7.0f);
    float* ins[4] = {in.data(), in.data(), in.data(), in.data()};
    float* outs[2] = {outL.data(), outR.data()};
    const auto start = std::chrono::steady_clock::now();
    effect->processReplacing(ins, outs, 256);
    const auto waited = std::chrono::steady_clock::now() - start;
    release = true;
    resumer.join();

    EXPECT_GE(waited, std::chrono::milliseconds(900));
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(outL[i], 0.0f);
        ASSERT_EQ(outR[i], 0.0f);
    }
    // Afterwards the blocks run normally.
    effect->processReplacing(ins, outs, 256);
    EXPECT_NE(outL[255], 0.0f);
}

// A preset load from another thread while blocks run: the output ramps to silence
// before the new settings act and back up after, so the switches of the new preset do
// not click. A 110 Hz sine at -6 dBFS steps at most 0.0078 by itself.
TEST_F(LockTest, PresetLoadFromAnotherThreadIsDeclicked) {
    effect->resume();
    const int block = 256, capacity = 44100 * 30;
    std::vector<float> outL(capacity), outR(capacity);
    std::atomic<int> written{0};
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<float> in(block), key(block, 0.0f);
        long t = 0;
        while (!stop && written + block <= capacity) {
            for (int i = 0; i < block; ++i, ++t)
                in[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 110.0 * t / 44100.0));
            const int at = written;
            float* ins[4] = {in.data(), in.data(), key.data(), key.data()};
            float* outs[2] = {outL.data() + at, outR.data() + at};
            effect->processReplacing(ins, outs, block);
            written = at + block;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<int> loadsAt;
    for (int k : {10, 5, 15, 0, 22, 10, 27, 0}) {
        loadsAt.push_back(written);
        effect->setCurrentPreset(k);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
    stop = true;
    audio.join();
    const int n = written;
    ASSERT_GT(n, 44100);
    float step = 0.0f;
    int where = 0;
    for (int i = 1; i < n; ++i) {
        const float s = std::max(std::fabs(outL[i] - outL[i - 1]), std::fabs(outR[i] - outR[i - 1]));
        if (s > step) step = s, where = i;
    }
    EXPECT_LT(step, 0.05f) << "at sample " << where << ", loads at " << ::testing::PrintToString(loadsAt);
    EXPECT_EQ(state().outputHolds, 0);
}

// A load on the thread that runs the blocks (a MIDI program change) takes no hold and
// does not wait.
TEST_F(LockTest, PresetLoadOnTheAudioThreadTakesNoHold) {
    effect->resume();
    std::vector<float> in(512, 0.25f), out(512), key(512, 0.0f);
    float* ins[4] = {in.data(), in.data(), key.data(), key.data()};
    float* outs[2] = {out.data(), out.data()};
    effect->processReplacing(ins, outs, 512);
    effect->setCurrentPreset(5);
    EXPECT_EQ(state().outputHolds, 0);
    EXPECT_EQ(state().holdRequest, 0u);
    effect->processReplacing(ins, outs, 512);
    EXPECT_EQ(state().holdGain, 1.0);
}
