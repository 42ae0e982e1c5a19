// A transport start (resume) must not fade away the first echoes.
#include "engine/engine_rig.h"

namespace lumdel::test {

class ResumeEcho : public EngineRig {};

TEST_F(ResumeEcho, FirstSyncedEchoAfterResumeHasFullHeight) {
    // Default preset, synchronised 1/16 at 120 BPM: 125 ms, heard after 1 ms lookahead.
    host->setParameter(kDlyDenL, fromStep(7, 13));  // 16
    host->setParameter(kDlyDenR, fromStep(7, 13));
    host->setParameter(kVcoOn, 0.25f);
    host->setParameter(kMix, 1.0f);
    host->start();  // resume with the host's tempo: a recomputation, but the lines are empty
    const int n = 44100 / 2;
    auto [left, right] = run(impulse(n), impulse(n));
    const int expected = 5512 + 44;
    ASSERT_GT(static_cast<int>(left.size()), expected + 2);
    float peak = 0;
    for (int i = expected - 2; i <= expected + 2; ++i) peak = std::max(peak, std::fabs(left[i]));
    EXPECT_GT(peak, 0.9f) << "the first echo was faded";
}

}  // namespace lumdel::test
