// The block is built twice, for any x86-64 and for x86-64-v3; an engine picks the wide
// one when the processor has it. Both must give the same output to the bit, with every
// stage at work, so that forcing the baseline build (LUMDEL_CPU=baseline, as the golden
// renders run once more) proves the plug-in on a processor without the wide one.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine_direct.h"

using namespace lumdel;
using namespace lumdel::test;

namespace {

// Clocked lines with modulation, filter in the loop, drive, gates, ducking, plate
// reverb, feedback: every stage of the block.
const std::vector<std::pair<int, float>> kFullLoad = {
    {kVcoOn, 1.0f},    {kVcoMod, 0.7f},  {kModSrc, 0.5f},  {kLFOWave, 0.5f}, {kFltOn, 1.0f},
    {kFltMode, 0.5f},  {kReso, 0.6f},    {kResoMod, 0.8f}, {kCutfMod, 0.8f}, {kCutoff, 0.7f},
    {kDrive, 0.5f},    {kDlyGateL, 0.3f}, {kDlyGateR, 0.3f}, {kDucking, 0.5f}, {kRvbOn, 1.0f},
    {kRvbType, 0.75f}, {kFbGainL, 0.7f}, {kFbGainR, 0.6f}};

// Two seconds of noise through a fresh effect; both outputs, block by block of 300.
std::vector<double> render(const std::vector<std::pair<int, float>>& settings, bool& wide) {
    Orv effect(&DirectHost::callback);
    wide = effect.engine().wideBlock();
    for (auto [index, value] : settings) effect.setParameter(index, value);
    effect.suspend();
    effect.resume();
    std::vector<double> out;
    std::vector<double> in(300), key(300), l(300), r(300);
    unsigned seed = 7;
    for (int block = 0; block < 294; ++block) {
        for (int i = 0; i < 300; ++i) {
            seed = seed * 1103515245u + 12345u;
            in[i] = ((seed >> 9) & 0x7fff) / 32768.0 - 0.5;
            key[i] = (block / 40) % 2 ? in[i] : 0.0;
        }
        double* ins[4] = {in.data(), in.data(), key.data(), key.data()};
        double* outs[2] = {l.data(), r.data()};
        effect.processDoubleReplacing(ins, outs, 300);
        out.insert(out.end(), l.begin(), l.end());
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

// Sets LUMDEL_CPU for the engines made while it lives; restores what was there.
class ForceBaseline {
public:
    ForceBaseline() {
        const char* before = std::getenv("LUMDEL_CPU");
        had_ = before != nullptr;
        if (had_) before_ = before;
        setenv("LUMDEL_CPU", "baseline", 1);
    }
    ~ForceBaseline() {
        if (had_)
            setenv("LUMDEL_CPU", before_.c_str(), 1);
        else
            unsetenv("LUMDEL_CPU");
    }

private:
    bool had_ = false;
    std::string before_;
};

}  // namespace

TEST_F(DirectTest, BaselineAndWideBlocksGiveTheSameOutputToTheBit) {
    for (const auto& settings : {std::vector<std::pair<int, float>>{}, kFullLoad}) {
        bool wide = false, baselineWide = true;
        const std::vector<double> chosen = render(settings, wide);
        std::vector<double> baseline;
        {
            ForceBaseline force;
            baseline = render(settings, baselineWide);
        }
        EXPECT_FALSE(baselineWide);
        ASSERT_EQ(chosen.size(), baseline.size());
        EXPECT_EQ(std::memcmp(chosen.data(), baseline.data(), chosen.size() * sizeof(double)), 0)
            << (wide ? "the wide block differs from the baseline one"
                     : "this processor runs the baseline block only");
    }
}

TEST_F(DirectTest, WideBlockIsChosenWhereTheProcessorHasIt) {
    if (const char* forced = std::getenv("LUMDEL_CPU"); forced && std::strcmp(forced, "baseline") == 0)
        GTEST_SKIP() << "LUMDEL_CPU=baseline";
    __builtin_cpu_init();
    EXPECT_EQ(effect->engine().wideBlock(), __builtin_cpu_supports("x86-64-v3") != 0);
}
