// The step rule every stepped parameter, the preset store and the editor rely on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/ParameterTable.h"

using lumdel::fromStep;
using lumdel::kParams;
using lumdel::toStep;

TEST(ParameterTable, StepsStayInsideTheirRange) {
    EXPECT_EQ(toStep(1.0f, 13), 12);
    EXPECT_EQ(toStep(0.999f, 13), 12);
    EXPECT_EQ(toStep(0.0769f, 13), 0);
    EXPECT_EQ(toStep(1.0f / 13.0f, 13), 1);
    EXPECT_EQ(toStep(1.0f, 129), 128);
    EXPECT_EQ(toStep(7.748f, 129), 128);
    EXPECT_EQ(toStep(0.5f, 2), 1);
    EXPECT_EQ(toStep(0.4999f, 2), 0);
    // Whatever arrives, the step indexes a table safely.
    for (float v : {-1.0f, -1e30f, 1e30f, std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        int s = toStep(v, 5);
        EXPECT_GE(s, 0) << v;
        EXPECT_LE(s, 4) << v;
    }
}

TEST(ParameterTable, StepCentresRoundTrip) {
    for (int n : {2, 3, 5, 6, 13, 129})
        for (int i = 0; i < n; ++i) EXPECT_EQ(toStep(fromStep(i, n), n), i) << i << "/" << n;
}

TEST(ParameterTable, NamesAreShortKeysAndPreset0IsInRange) {
    for (int i = 0; i < lumdel::kNumParams; ++i) {
        EXPECT_LE(std::strlen(kParams[i].name), 8u) << i;
        EXPECT_GE(kParams[i].preset0, 0.0) << i;
        EXPECT_LE(kParams[i].preset0, 1.0) << i;
    }
    EXPECT_STREQ(kParams[35].name, "DlyTimeL");
    EXPECT_STREQ(kParams[6].name, "FbPanR");
}
