// Where the echoes land: first echo after pre-delay plus delay plus the 1 ms lookahead,
// then one repeat every delay plus the one sample of the feedback path.
#include "engine_rig.h"

using namespace lumdel;
using namespace lumdel::test;

namespace {
constexpr int kLookahead = 44;  // int(44100 / 1000)
}

class EchoTest : public EngineRig {};

TEST_F(EchoTest, QuarterNoteAt120BpmIsHeardAt22094AndRepeatsEvery22051) {
    host->setTempo(120.0);
    settle(plainWet() + std::vector<std::pair<int, float>>{{kFbGainL, 1.0f}, {kFbGainR, 1.0f}});
    const int n = 22094 + 3 * 22051 + 100;
    auto [l, r] = run(impulse(n), impulse(n));
    const std::vector<int> expected = {22094, 22094 + 22051, 22094 + 2 * 22051,
                                       22094 + 3 * 22051};
    EXPECT_EQ(peaks(l, 0.5f), expected);
    EXPECT_EQ(peaks(r, 0.5f), expected);
    // Feedback gain 1 with both signs positive keeps every repeat at full height.
    for (int at : expected) EXPECT_FLOAT_EQ(l[at], 1.0f);
}

TEST_F(EchoTest, FreeTimeAndPreDelay) {
    // Range 1000 ms, time 0.4: 400 ms; pre-delay 3/4 of it: 300 ms.
    settle(plainWet() + std::vector<std::pair<int, float>>{{kDlyModeL, 0.0f},
                                                           {kRangeL, 0.5f},
                                                           {kDlyTimeL, 0.4f},
                                                           {kPreNumL, fromStep(2, 6)},
                                                           {kPreDenL, fromStep(3, 13)},
                                                           {kFbGainL, 1.0f}});
    const int pre = static_cast<int>(300.0f * 0.4f / 0.4f * 44.1);  // 13230
    const int t = static_cast<int>(0.4f * 1000.0 * 44.1);           // 17640 (float time)
    const int n = pre + t + kLookahead + 2 * (t + 1) + 50;
    auto [l, r] = run(impulse(n), std::vector<float>(n, 0.0f));
    const std::vector<int> got = peaks(l, 0.5f);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_NEAR(got[0], pre + t + kLookahead, 1);
    EXPECT_EQ(got[1] - got[0], t + 1);
    EXPECT_EQ(got[2] - got[1], t + 1);
}

TEST_F(EchoTest, PingPongAlternatesBetweenOutputs) {
    settle(plainWet() + std::vector<std::pair<int, float>>{{kFbGainL, 1.0f},
                                                           {kFbGainR, 1.0f},
                                                           {kFbPanL, 1.0f},
                                                           {kFbPanR, 0.0f},
                                                           {kDlyModeL, 0.0f},
                                                           {kDlyModeR, 0.0f},
                                                           {kRangeL, 0.5f},
                                                           {kRangeR, 0.5f},
                                                           {kDlyTimeL, 0.1f},
                                                           {kDlyTimeR, 0.1f}});
    const int n = 44100;
    auto [l, r] = run(impulse(n), std::vector<float>(n, 0.0f));
    std::vector<int> pl = peaks(l, 0.5f), pr = peaks(r, 0.5f);
    ASSERT_GE(pl.size(), 3u);
    ASSERT_GE(pr.size(), 3u);
    // Left, right, left, right ...: every right echo lies between two left ones.
    for (size_t k = 0; k + 1 < pl.size() && k < pr.size(); ++k) {
        EXPECT_LT(pl[k], pr[k]);
        EXPECT_LT(pr[k], pl[k + 1]);
    }
}

TEST_F(EchoTest, FeedbackIntoLeftLineOnly) {
    // Both pans at 0: all feedback enters the left line; the right line plays once.
    settle(plainWet() + std::vector<std::pair<int, float>>{{kFbGainL, 1.0f},
                                                           {kFbGainR, 1.0f},
                                                           {kFbPanL, 0.0f},
                                                           {kFbPanR, 0.0f}});
    const int n = 22094 + 2 * 22051 + 100;
    auto [l, r] = run(std::vector<float>(n, 0.0f), impulse(n));
    EXPECT_EQ(peaks(r, 0.5f), (std::vector<int>{22094}));
    EXPECT_EQ(peaks(l, 0.5f), (std::vector<int>{22094 + 22051, 22094 + 2 * 22051}));
}

TEST_F(EchoTest, TempoFromHostAndWithoutHost) {
    host->setTempo(60.0);
    settle(plainWet());
    {
        const int n = 44100 + kLookahead + 10;
        auto [l, r] = run(impulse(n), impulse(n));
        EXPECT_EQ(peaks(l, 0.5f), (std::vector<int>{44100 + kLookahead}));
    }
    // A host without time information: the last tempo stays.
    host->timeInfoAvailable = false;
    settle({});
    {
        const int n = 44100 + kLookahead + 10;
        auto [l, r] = run(impulse(n), impulse(n));
        EXPECT_EQ(peaks(l, 0.5f), (std::vector<int>{44100 + kLookahead}));
    }
}

TEST_F(EchoTest, TempoOutsideRangeIgnoredWhilePlayingClampedAtResume) {
    host->setTempo(120.0);
    settle(plainWet());
    host->setTempo(20.0);  // ignored by the blocks
    const int n = 22094 + 10;
    auto [l, r] = run(impulse(n), impulse(n));
    EXPECT_EQ(peaks(l, 0.5f), (std::vector<int>{22094}));
    // At resume the same value is clamped to 30 BPM: a quarter is 2000 ms, held at
    // the 5000 ms limit only beyond that.
    host->resume();
    const int m = 88200 + kLookahead + 10;
    auto [l2, r2] = run(impulse(m), impulse(m));
    EXPECT_EQ(peaks(l2, 0.5f), (std::vector<int>{88200 + kLookahead}));
}

TEST_F(EchoTest, ClockedModeHalvesAndDoublesTimes) {
    auto firstEcho = [this](float vcoMan) {
        settle(plainWet() + std::vector<std::pair<int, float>>{{kVcoOn, 1.0f},
                                                               {kVcoMan, vcoMan},
                                                               {kVcoMod, 0.5f}});
        const int n = 50000;
        auto [l, r] = run(impulse(n), impulse(n));
        const auto it = std::max_element(l.begin(), l.end(), [](float a, float b) {
            return std::fabs(a) < std::fabs(b);
        });
        return static_cast<int>(it - l.begin());
    };
    const int normal = firstEcho(0.5f);
    const int fast = firstEcho(1.0f);
    const int slow = firstEcho(0.0f);
    EXPECT_NEAR(normal, 22094, 4);
    EXPECT_NEAR(fast, 22050 / 2 + kLookahead, 4);
    EXPECT_NEAR(slow, 22050 * 2 + kLookahead, 6);
}
