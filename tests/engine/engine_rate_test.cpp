// Some hosts set the sample rate while the effect is resumed (one sets 44100, resumes,
// then sets the project's rate). The new rate takes effect before the next block, as a
// suspend and resume would: the echo lands where a fresh instance at that rate puts it,
// and filter and LFO follow the rate too.
#include <memory>

#include "engine_rig.h"

using namespace lumdel;
using namespace lumdel::test;

namespace {

class RateWhileResumed : public EngineRig {
protected:
    // Wet only, plain lines, a quarter note at 120 BPM; the filter in the input path,
    // swept by the LFO at 3 Hz.
    static std::vector<std::pair<int, float>> sound() {
        return plainWet() + std::vector<std::pair<int, float>>{{kFltOn, 1.0f},
                                                               {kFltMode, 0.0f},
                                                               {kCutoff, 0.7f},
                                                               {kCutfMod, 0.9f},
                                                               {kModSrc, 0.0f},
                                                               {kLfoMode, 0.0f}};
    }

    // The first 0.6 s of the answer to an impulse at rate, through a plug-in loaded and
    // resumed at 44100 Hz that is then told the rate (restarted) or a fresh one.
    std::vector<float> answer(float rate, bool setWhileResumed) {
        std::unique_ptr<host::Host> h = std::make_unique<host::Host>();
        EXPECT_TRUE(h->load(pluginLibrary())) << h->error();
        host.swap(h);
        for (auto [index, value] : sound()) host->setParameter(index, value);
        host->suspend();  // the smoothers at their targets
        host->sampleRate = setWhileResumed ? 44100.0f : rate;
        host->start();
        if (setWhileResumed) host->dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        const int n = static_cast<int>(rate * 0.6f);
        auto [left, right] = run(impulse(n), impulse(n));
        host.swap(h);
        return left;
    }
};

}  // namespace

TEST_F(RateWhileResumed, EchoFilterAndLfoFollowARateSetWhileResumed) {
    for (float rate : {44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f}) {
        SCOPED_TRACE(rate);
        const std::vector<float> fresh = answer(rate, false);
        const std::vector<float> told = answer(rate, true);
        // Half a second, the 1 ms lookahead and a few hundredths of the filter.
        const std::vector<int> at = peaks(told, 0.05f);
        ASSERT_FALSE(at.empty());
        EXPECT_NEAR(at.front() * 1000.0 / rate, 501.05, 0.1);
        ASSERT_EQ(told.size(), fresh.size());
        for (size_t i = 0; i < told.size(); ++i)
            ASSERT_NEAR(told[i], fresh[i], 1e-6f) << "sample " << i;
    }
}

// A host that sends the rate it already set (while audio runs) cuts nothing off.
TEST_F(RateWhileResumed, TheSameRateAgainKeepsTheEchoes) {
    settle(plainWet());
    const int n = 22050 + 44 + 100;
    auto [before, unused] = run(impulse(n / 2), impulse(n / 2));
    host->dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    std::vector<float> silence(n - n / 2, 0.0f);
    auto [after, unused2] = run(silence, silence);
    EXPECT_EQ(peaks(after, 0.5f), std::vector<int>{22094 - n / 2});
}
