// What the host sees of the engine's lifecycle: resume registers for MIDI and asks for
// tempo, pins and latency; pin probing picks the side-chain; suspend and resume clear the
// lines; the reverb type and sample rate survive a suspend.
#include <cmath>

#include "PluginFixture.h"
#include "core/ParameterTable.h"

using namespace lumdel;
using namespace lumdel::test;

class EngineLifecycle : public PluginTest {
protected:
    std::vector<float> runBlock(std::vector<float> mainIn, std::vector<float> keyIn) {
        const int n = static_cast<int>(mainIn.size());
        std::vector<float> outL(n), outR(n);
        float* ins[4] = {mainIn.data(), mainIn.data(), keyIn.data(), keyIn.data()};
        float* outs[2] = {outL.data(), outR.data()};
        host->process(ins, outs, n);
        return outL;
    }
};

TEST_F(EngineLifecycle, ResumeRegistersMidiAndAsksForTempo) {
    const int midi = host->wantMidiCalls;
    host->getTimeFilters.clear();
    host->start();
    EXPECT_EQ(host->wantMidiCalls, midi + 1);
    ASSERT_FALSE(host->getTimeFilters.empty());
    EXPECT_EQ(host->getTimeFilters.front(), kVstTempoValid);
}

TEST_F(EngineLifecycle, ThirdInputIsAMonoSideChain) {
    host->connectedInputs = 3;
    for (auto [index, value] : std::vector<std::pair<int, float>>{
             {kMix, 1.0f}, {kVcoOn, 0.0f}, {kDucking, 0.0f}, {kFbGainL, 0.9f}})
        host->setParameter(index, value);
    host->suspend();
    host->start();
    const int n = 30000;
    std::vector<float> tone(n), silence(n, 0.0f), loud(n, 0.9f);
    for (int i = 0; i < n; ++i) tone[i] = 0.1f * std::sin(i * 0.05f);
    // Inputs 1 and 2 carry the tone; input 4 is loud but not connected: no ducking.
    std::vector<float> quietKey(n, 0.0f);
    float* ins[4] = {tone.data(), tone.data(), quietKey.data(), loud.data()};
    std::vector<float> outL(n), outR(n);
    float* outs[2] = {outL.data(), outR.data()};
    host->process(ins, outs, n);
    double open = 0;
    for (int i = 23000; i < n; ++i) open += outL[i] * outL[i];
    // A loud third input ducks the echoes.
    host->suspend();
    host->start();
    float* ducking[4] = {tone.data(), tone.data(), loud.data(), quietKey.data()};
    host->process(ducking, outs, n);
    double ducked = 0;
    for (int i = 23000; i < n; ++i) ducked += outL[i] * outL[i];
    EXPECT_GT(open, 0.0);
    EXPECT_LT(ducked, open * 0.01);
}

TEST_F(EngineLifecycle, SuspendAndResumeClearTheLines) {
    for (auto [index, value] : std::vector<std::pair<int, float>>{{kMix, 1.0f}, {kVcoOn, 0.0f}})
        host->setParameter(index, value);
    host->suspend();
    host->start();
    std::vector<float> impulse(20000, 0.0f);
    impulse[0] = 1.0f;
    runBlock(impulse, impulse);
    host->suspend();
    host->resume();
    const auto out = runBlock(std::vector<float>(5000, 0.0f), std::vector<float>(5000, 0.0f));
    for (float x : out) ASSERT_EQ(x, 0.0f);
}

TEST_F(EngineLifecycle, ReverbTypeAndRateSurviveSuspend) {
    host->sampleRate = 96000.0f;
    host->start();
    host->setParameter(kRvbType, 0.8f);
    host->suspend();
    host->resume();
    EXPECT_FLOAT_EQ(host->getParameter(kRvbType), 0.8f);
    EXPECT_EQ(host->parameterDisplay(kRvbType), "plate");
}
