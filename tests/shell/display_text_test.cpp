// Parameter display texts and the editor readout: through the real plug-in as a host
// sees them, and directly from the engine's settings.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "PluginFixture.h"
#include "core/DisplayText.h"
#include "core/NumberFormat.h"
#include "core/ParameterTable.h"

using namespace lumdel;

namespace {

class DisplayTest : public test::PluginTest {
protected:
    std::string show(int index, float value) {
        host->setParameter(index, value);
        return host->parameterDisplay(index);
    }
};

}  // namespace

// The words and forms a user reads in the host's display, one row each. Every number
// text is pinned, value by value, by the core's parameter fingerprint.
TEST_F(DisplayTest, WordsAndFormsAUserReads) {
    struct Row {
        int index;
        float value;
        const char* text;
    };
    const Row rows[] = {
        {kMix, 0.3f, "D:70<>30:W"},
        {kFbPanL, 0.5f, "L:50<>50:R"},
        {kModSrc, 0.25f, "L:75<>25:E"},
        {kLROffset, 0.5f, "L:0<>0:R"},
        {kLROffset, 1.0f, "L:-180<>180+:R"},
        {kLROffset, 0.0f, "L:+180<>180-:R"},
        {kInput, 0.0f, "-oo"},
        {kLFOWave, fromStep(0, 5), "sin"},
        {kLFOWave, fromStep(1, 5), "sqr"},
        {kLFOWave, fromStep(2, 5), "tri"},
        {kLFOWave, fromStep(3, 5), "saw"},
        {kLFOWave, fromStep(4, 5), "rnd"},
        {kFltType, fromStep(0, 3), "LPF"},
        {kFltType, fromStep(1, 3), "BPF"},
        {kFltType, fromStep(2, 3), "HPF"},
        {kFltMode, fromStep(0, 3), "in"},
        {kFltMode, fromStep(1, 3), "fb"},
        {kFltMode, fromStep(2, 3), "fx"},
        {kRvbType, 0.0f, "spring"},
        {kRvbType, 1.0f, "plate"},
        {kRvbMode, 1.0f, "out"},
        {kFbInvL, 0.75f, "on"},
        {kBypass, 0.25f, "off"},
        {kMuteInL, 0.5f, "off"},
        {kMuteInL, 0.5001f, "muted"},
        {kLfoMode, 0.0f, "freq"},
        {kLfoMode, 0.9f, "note"},
        {kDlyModeR, 0.0f, "time"},
    };
    for (const Row& r : rows) EXPECT_EQ(show(r.index, r.value), r.text) << r.index << " at " << r.value;
    EXPECT_EQ(host->parameterDisplay(kLegacyDrive), "n/a");
}

TEST_F(DisplayTest, FreshInstanceShowsTheDefaultPreset) {
    // Default preset at the standard 120 BPM: a synchronised quarter note.
    EXPECT_EQ(host->parameterDisplay(kDlyTimeL), "500.000000");
    EXPECT_EQ(host->parameterDisplay(kDlyModeL), "note");
    EXPECT_EQ(host->parameterDisplay(kRangeL), "5000");
    EXPECT_EQ(host->parameterDisplay(kLFORate), "0.500000");  // one cycle per whole note
    EXPECT_EQ(host->parameterDisplay(kLFOWave), "sin");
    EXPECT_EQ(host->parameterDisplay(kVcoOn), "on");
    EXPECT_EQ(host->parameterDisplay(kDucking), "0.000000");
    EXPECT_EQ(host->parameterDisplay(kMix), "D:50<>50:W");
    // A free delay time shows what the engine uses: leaving sync at 500 ms picks the
    // 1000 ms range; the longest range then reaches 5000 ms.
    host->setParameter(kDlyModeL, 0.0f);
    EXPECT_EQ(host->parameterDisplay(kRangeL), "1000");
    host->setParameter(kRangeL, 1.0f);
    host->setParameter(kDlyTimeL, 1.0f);
    EXPECT_EQ(host->parameterDisplay(kDlyTimeL), "5000.000000");
}

TEST_F(DisplayTest, OtherIndicesLeaveTheTextAlone) {
    for (int index : {60, 119, 200, -1}) {
        char text[32] = "keep";
        effect->dispatcher(effect, effGetParamDisplay, index, 0, text, 0);
        EXPECT_STREQ(text, "keep") << index;
    }
}

TEST_F(DisplayTest, EveryTextStaysWithinItsBoundForAnyValue) {
    for (float v : {0.0f, 0.3f, 0.5f, 1.0f, -1.0f, 2.0f, 1e30f, -1e30f}) {
        for (int index = 0; index < kNumParams; ++index) {
            host->setParameter(index, v);
            char text[64];
            std::memset(text, 'x', sizeof text);
            effect->dispatcher(effect, effGetParamDisplay, index, 0, text, 0);
            const std::size_t n = strnlen(text, sizeof text);
            EXPECT_LT(n, kDisplayTextBytes) << index << " at " << v;
            EXPECT_GT(n, 0u) << index << " at " << v;
            for (std::size_t i = kDisplayTextBytes; i < sizeof text; ++i) {
                ASSERT_EQ(text[i], 'x') << index << " at " << v;
            }
        }
    }
}

// Settings no parameter value reaches (the fingerprint covers every one that can be
// reached) still give bounded readout numbers.
TEST(Readout, OutOfRangeSettingsGiveBoundedNumbers) {
    EngineState s;
    Readout r;
    s.vcoMan = 1e6;
    parameterReadout(s, kVcoMan, r);
    EXPECT_EQ(r.number, INT_MAX);
    s.lfoDen = 99;
    parameterReadout(s, kLfoDen, r);
    EXPECT_EQ(r.denominator, 96);
}
