// The block length is the host's choice, never the sound's: the same input cut into
// different blocks gives the same output (settings held still), including what the drive
// rings learn while the drive is off.
#include <cmath>

#include "engine_direct.h"

using namespace lumdel;
using namespace lumdel::test;

namespace {

std::vector<float> render(Orv& effect, const std::vector<float>& input, const std::vector<int>& cuts,
                          int from, int to) {
    std::vector<float> out(input.size() * 2);
    int at = from, k = 0;
    while (at < to) {
        const int len = std::min(cuts[k++ % cuts.size()], to - at);
        float* ins[4] = {const_cast<float*>(input.data()) + at, const_cast<float*>(input.data()) + at,
                         const_cast<float*>(input.data()) + at, const_cast<float*>(input.data()) + at};
        float* outs[2] = {out.data() + at, out.data() + input.size() + at};
        effect.processReplacing(ins, outs, len);
        at += len;
    }
    return out;
}

std::vector<float> signal(int n) {
    std::vector<float> v(n);
    unsigned seed = 3;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        v[i] = 0.3f * std::sin(i * 0.013f) + 0.1f * (((seed >> 9) & 0x7fff) / 16384.0f - 1.0f);
    }
    return v;
}

}  // namespace

class PartitionTest : public DirectTest {
protected:
    std::unique_ptr<Orv> second() { return makeDirectEffect(); }
    static void apply(Orv& e, const std::vector<std::pair<int, float>>& settings) {
        for (auto [index, value] : settings) e.setParameter(index, value);
        e.suspend();
        e.resume();
    }
};

TEST_F(PartitionTest, BlockLengthsDoNotChangeTheOutput) {
    const std::vector<std::vector<std::pair<int, float>>> configs = {
        {},
        {{kVcoOn, 0.0f}, {kFbGainL, 0.7f}, {kFbPanL, 0.6f}},
        {{kVcoMod, 0.8f}, {kFltOn, 1.0f}, {kFltMode, 0.5f}, {kResoMod, 0.9f}, {kRvbOn, 1.0f},
         {kDlyGateL, 0.3f}, {kDucking, 0.3f}, {kFbGainR, 0.6f}, {kLFOWave, 0.7f}}};
    const int n = 30000;
    const auto input = signal(n);
    for (const auto& config : configs) {
        auto one = second();
        auto other = second();
        apply(*one, config);
        apply(*other, config);
        DirectHost::time.ppqPos = 0.0;
        const auto a = render(*one, input, {1, 2, 3, 5, 8, 13, 700, 31}, 0, n);
        DirectHost::time.ppqPos = 0.0;
        const auto b = render(*other, input, {512}, 0, n);
        for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << i;
    }
}

// The same while the settings glide (the clocked lines following the modulation, the
// filter in each place): every smoothed setting moves one step per sample whichever part
// of the block reads it, however the blocks are cut.
TEST_F(PartitionTest, GlidingSettingsDoNotDependOnBlockLengths) {
    const std::vector<std::pair<int, float>> moves = {
        {kInput, 0.7f},   {kOutput, 0.3f},  {kMix, 0.8f},    {kModSrc, 0.9f},
        {kCutfMod, 0.3f}, {kResoMod, 0.2f}, {kCutoff, 0.6f}, {kReso, 0.7f},
        {kVcoMod, 0.95f}, {kFbGainL, 0.9f}, {kFbPanR, 0.2f}, {kDlyPanL, 0.7f},
        {kDlyGateR, 0.4f}, {kMuteInL, 0.9f}};
    const int n = 24000, changeAt = 3000;
    const auto input = signal(n);
    for (float place : {0.1f, 0.5f, 0.9f}) {
        const std::vector<std::pair<int, float>> config = {
            {kVcoMod, 0.8f}, {kFltOn, 1.0f},   {kFltMode, place}, {kResoMod, 0.9f},
            {kCutfMod, 0.8f}, {kRvbOn, 1.0f},  {kFbGainL, 0.6f},  {kFbGainR, 0.6f},
            {kLFOWave, 0.5f}, {kCutoff, 0.3f}};
        SCOPED_TRACE(place);
        auto one = second();
        auto other = second();
        apply(*one, config);
        apply(*other, config);
        DirectHost::time.ppqPos = 0.0;
        const auto a0 = render(*one, input, {1, 2, 3, 5, 8, 13, 700, 31}, 0, changeAt);
        for (auto [index, value] : moves) one->setParameter(index, value);
        const auto a1 = render(*one, input, {1, 2, 3, 5, 8, 13, 700, 31}, changeAt, n);
        DirectHost::time.ppqPos = 0.0;
        const auto b0 = render(*other, input, {512}, 0, changeAt);
        for (auto [index, value] : moves) other->setParameter(index, value);
        const auto b1 = render(*other, input, {512}, changeAt, n);
        for (size_t i = 0; i < a0.size(); ++i) ASSERT_EQ(a0[i], b0[i]) << i;
        for (size_t i = 0; i < a1.size(); ++i) ASSERT_EQ(a1[i], b1[i]) << i;
    }
}

TEST_F(PartitionTest, DriveRingsLearnWhileTheDriveIsOff) {
    const int n = 20000;
    const auto input = signal(n);
    auto other = second();
    apply(*effect, {{kDrive, 0.0f}});
    apply(*other, {{kDrive, 0.0f}});
    render(*effect, input, {1, 2, 3, 5, 7}, 0, n / 2);
    render(*other, input, {600}, 0, n / 2);
    effect->setParameter(kDrive, 0.8f);
    other->setParameter(kDrive, 0.8f);
    const auto a = render(*effect, input, {256}, n / 2, n);
    const auto b = render(*other, input, {256}, n / 2, n);
    for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << i;
}

TEST_F(PartitionTest, ReverbDampingReachesTheReverb) {
    auto tailEnergy = [](float damping) {
        Orv effect(&DirectHost::callback);
        for (auto [index, value] : std::vector<std::pair<int, float>>{
                 {kRvbOn, 1.0f}, {kRvbAmt, 1.0f}, {kMix, 0.0f}, {kRvbMode, 1.0f}})
            effect.setParameter(index, value);
        effect.suspend();
        effect.resume();
        effect.setParameter(kRvbDamp, damping);
        std::vector<float> in(44100, 0.0f), out(2 * 44100);
        in[0] = 1.0f;
        float* ins[4] = {in.data(), in.data(), in.data(), in.data()};
        float* outs[2] = {out.data(), out.data() + 44100};
        effect.processReplacing(ins, outs, 44100);
        double e = 0;
        for (int i = 22050; i < 44100; ++i) e += double(out[i]) * out[i];
        return e;
    };
    const double open = tailEnergy(0.0f), damped = tailEnergy(1.0f);
    EXPECT_GT(open, 0.0);
    EXPECT_LT(damped, open * 0.1);
}
