// A block that cannot get the engine lock within 1000 ms (resume holding it, here stuck
// in a slow host callback) outputs silence and leaves the engine alone.
#include <atomic>
#include <chrono>
#include <thread>

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
