// The input meter follows the samples as they leave its ring. A block shorter than the
// ring has them all stored before it and follows them ahead of its loop; after every
// block the peaks must be what following sample by sample leaves.
#include <gtest/gtest.h>

#include <vector>

#include "engine/InputMeter.h"

using namespace lumdel;

TEST(InputMeterStage, FollowingAheadLeavesThePeaksOfSampleBySample) {
    for (int block : {1, 5, 7, 8, 13}) {
        SCOPED_TRACE(block);
        std::vector<float> ringA(2 * 8), ringB(2 * 8);
        InputMeter bySample, ahead;
        bySample.buf[0] = ringA.data();
        bySample.buf[1] = ringA.data() + 8;
        ahead.buf[0] = ringB.data();
        ahead.buf[1] = ringB.data() + 8;
        bySample.length = ahead.length = 8;
        unsigned seed = 3;
        for (int b = 0; b < 40; ++b) {
            const bool followed = ahead.followAhead(block);
            EXPECT_EQ(followed, block < 8);
            for (int i = 0; i < block; ++i) {
                seed = seed * 1103515245u + 12345u;
                const double l = ((seed >> 9) & 0x7fff) / 16384.0 - 1.0;
                const Stereo x{l * (b % 3), -0.5 * l};
                bySample.step(x);
                if (followed)
                    ahead.store(x);
                else
                    ahead.step(x);
            }
            if (b % 4 == 3) {  // the editor reads and clears now and then
                float l1, r1, l2, r2;
                bySample.readPeaks(l1, r1);
                ahead.readPeaks(l2, r2);
                ASSERT_EQ(l1, l2) << b;
                ASSERT_EQ(r1, r2) << b;
            }
        }
    }
}
