// A preset load from another thread while blocks run holds the output silent for about
// 10 ms around it, and only the output: the lines and the feedback loop keep running,
// so the echoes of what came in meanwhile are whole, one delay later and every delay
// after. (The hold used to silence the line inputs and the feedback too, which cut a
// hole into every later echo.)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "engine_direct.h"

using namespace lumdel;
using namespace lumdel::test;

namespace {

constexpr int kBlock = 128;
constexpr int kEcho = 22050 + 44;  // a quarter note at 120 BPM plus the 1 ms lookahead
constexpr int kRound = 22051;      // one trip round the loop: delay plus one sample

class LoadHoldTest : public DirectTest {
protected:
    // Two instances with preset 1: preset 0 with both lines on a synchronised quarter
    // note without pre-delay, wet only, plain lines, feedback 0.9. Only the first loads.
    void SetUp() override {
        DirectTest::SetUp();
        other = makeDirectEffect();
        for (Orv* fx : {effect.get(), other.get()}) {
            fx->preset(1) = fx->preset(0);
            float* v = fx->preset(1).values;
            for (int i : {kDlyModeL, kDlyModeR}) v[i] = 1.0f;
            for (int i : {kDlyNumL, kDlyNumR}) v[i] = fromStep(0, 5);
            for (int i : {kDlyDenL, kDlyDenR}) v[i] = fromStep(3, 13);
            for (int i : {kPreNumL, kPreNumR}) v[i] = 0.0f;
            v[kMix] = 1.0f;
            v[kVcoOn] = 0.0f;
            v[kFbGainL] = 0.9f;
            v[kFbGainR] = 0.9f;
            fx->setCurrentPreset(1);
            fx->resume();
        }
    }

    // Both instances run `frames` of a 441 Hz sine at 0.1 in lockstep (left outputs
    // kept). With loadAt set, the first one loads preset 1 again from a second thread once
    // that many frames have run; meanwhile a block runs about every millisecond, as a
    // host's would.
    void run(int frames, int loadAt = -1) {
        std::vector<float> in(kBlock), key(kBlock, 0.0f), l(kBlock), r(kBlock);
        std::atomic<bool> started{false}, done{false};
        std::thread loader;
        const int end = static_cast<int>(outA.size()) + frames;
        while (static_cast<int>(outA.size()) < end) {
            const int pos = static_cast<int>(outA.size());
            for (int i = 0; i < kBlock; ++i)
                in[i] = 0.1f * static_cast<float>(std::sin(2.0 * M_PI * (pos + i) / 100.0));
            if (loadAt >= 0 && !started && pos >= loadAt) {
                started = true;
                loader = std::thread([&] {
                    effect->setCurrentPreset(1);
                    done = true;
                });
            }
            float* ins[4] = {in.data(), in.data(), key.data(), key.data()};
            float* outs[2] = {l.data(), r.data()};
            effect->processReplacing(ins, outs, kBlock);
            outA.insert(outA.end(), l.begin(), l.end());
            other->processReplacing(ins, outs, kBlock);
            outB.insert(outB.end(), l.begin(), l.end());
            if (started && !done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (loader.joinable()) loader.join();
    }

    std::unique_ptr<Orv> other;
    std::vector<float> outA, outB;
};

}  // namespace

TEST_F(LoadHoldTest, LinesAndLoopRunOnThroughTheHold) {
    run(2 * 44100);  // the loop fills
    const int loadAt = static_cast<int>(outA.size()) + 10 * kBlock;
    run(2 * 44100, loadAt);

    // The hold: the first of 2 ms of silence after the load started. Up to there the
    // two instances sounded alike; the ramp down to it takes 4 ms.
    int held = -1;
    for (int i = loadAt; i + 88 < static_cast<int>(outA.size()) && held < 0; ++i)
        if (std::all_of(outA.begin() + i, outA.begin() + i + 88, [](float x) { return x == 0.0f; }))
            held = i;
    ASSERT_GE(held, 0) << "the load held no output";
    const int rampStart = held - 177;
    for (int i = loadAt - 2000; i < rampStart; ++i) ASSERT_EQ(outA[i], outB[i]) << i;

    // What came in during the ramp (before the load applied anything) is heard one
    // delay later and, through the feedback, one round later again, exactly as in the
    // instance that loaded nothing. A held loop had faded it out and recorded silence.
    for (int n : {0, 1}) {
        double worst = 0.0, level = 0.0;
        for (int i = rampStart - 100; i < held; ++i) {
            const int at = i + kEcho + n * kRound;
            worst = std::max(worst, double(std::fabs(outA[at] - outB[at])));
            level = std::max(level, double(std::fabs(outB[at])));
        }
        EXPECT_GT(level, 0.01);
        EXPECT_EQ(worst, 0.0) << (n == 0 ? "echo" : "repeat") << " of the held 4 ms differs by up to "
                              << worst << " (level " << level << ")";
    }
}
