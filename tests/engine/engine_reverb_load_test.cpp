// Preset loads while a reverb tail rings: a preset of the same reverb type lets the tail
// ring on untouched; one of the other type starts from an empty reverb. (Applying the
// type used to re-place the reverb's write position on every load, so the tail jumped a
// line length later, long after the load's output ramp.)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine_direct.h"

using namespace lumdel;
using namespace lumdel::test;

namespace {

class ReverbLoadTest : public DirectTest {
protected:
    // Presets 1 and 2 become a reverb-only sound: no delay signal (Mix 0), a spring
    // reverb on the whole output (RvbMode "out") at full amount. Preset 1 is current.
    void SetUp() override {
        DirectTest::SetUp();
        for (int k : {1, 2}) {
            float* v = effect->preset(k).values;
            v[kMix] = 0.0f;
            v[kRvbOn] = 1.0f;
            v[kRvbMode] = 1.0f;
            v[kRvbAmt] = 1.0f;
            v[kRvbDamp] = 0.0f;
            v[kRvbType] = 0.0f;
        }
        effect->setCurrentPreset(1);
        effect->resume();
    }

    // Runs frames of noise at the level through an instance; returns the left output.
    std::vector<float> run(int frames, float level) { return run(*effect, frames, level); }
    std::vector<float> run(Orv& instance, int frames, float level) {
        std::vector<float> out(frames);
        std::vector<float> in(256), key(256, 0.0f), l(256), r(256);
        for (int pos = 0; pos < frames; pos += 256) {
            for (float& x : in) {
                seed_ = seed_ * 1664525u + 1013904223u;
                x = level * (static_cast<float>(seed_ >> 8) / 8388608.0f - 1.0f);
            }
            float* ins[4] = {in.data(), in.data(), key.data(), key.data()};
            float* outs[2] = {l.data(), r.data()};
            instance.processReplacing(ins, outs, 256);
            for (int i = 0; i < 256 && pos + i < frames; ++i) out[pos + i] = l[i];
        }
        return out;
    }

    std::uint32_t seed_ = 1;
};

}  // namespace

// Loading a preset equal to the current one changes nothing of what is heard: the
// output is that of a second instance that loads nothing.
TEST_F(ReverbLoadTest, SameTypeLoadLeavesTheTailRingingUntouched) {
    effect->preset(2) = effect->preset(1);
    Orv other(&DirectHost::callback);
    other.preset(1) = effect->preset(1);
    other.setCurrentPreset(1);
    other.resume();
    auto runBoth = [&](int frames, float level) {
        const std::uint32_t seed = seed_;
        auto a = run(frames, level);
        seed_ = seed;
        auto b = run(other, frames, level);
        return std::make_pair(a, b);
    };
    auto filled = runBoth(44100, 0.5f);
    ASSERT_EQ(filled.first, filled.second);
    effect->setCurrentPreset(2);
    auto [mine, theirs] = runBoth(44100, 0.0f);
    double level = 0.0;
    for (float x : theirs) level = std::max(level, double(std::fabs(x)));
    EXPECT_GT(level, 1e-3) << "the tail should ring on";
    for (size_t i = 0; i < mine.size(); ++i)
        ASSERT_EQ(mine[i], theirs[i]) << "the load changed the tail at sample " << i;
}

TEST_F(ReverbLoadTest, OtherTypeLoadStartsFromAnEmptyReverb) {
    effect->preset(2).values[kRvbType] = 1.0f;  // plate
    run(44100, 0.5f);
    effect->setCurrentPreset(2);
    EXPECT_EQ(state().rvbType, 1);
    const std::vector<float> after = run(44100, 0.0f);
    // Nothing left but the reverb's 1e-15 input offsets.
    for (size_t i = 0; i < after.size(); ++i) ASSERT_LT(std::fabs(after[i]), 1e-9f) << i;
}

// A manual type change keeps the tail going through the new topology.
TEST_F(ReverbLoadTest, TypeParameterAloneKeepsTheTail) {
    run(44100, 0.5f);
    effect->setParameter(kRvbType, 1.0f);
    const std::vector<float> after = run(8192, 0.0f);
    double level = 0.0;
    for (float x : after) level = std::max(level, double(std::fabs(x)));
    EXPECT_GT(level, 1e-3);
}
