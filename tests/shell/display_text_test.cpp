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
#include "shell/Orv.h"
#include "core/ParameterTable.h"

using namespace lumdel;

namespace {

class DisplayTest : public test::PluginTest {
protected:
    std::string show(int index, float value) {
        host->setParameter(index, value);
        return host->parameterDisplay(index);
    }
    std::string showStep(int index, int step, int n) { return show(index, fromStep(step, n)); }
};

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

Readout readout(Orv& orv, int index, int slashIn = 0) {
    VstInt32 number = 0, point = 0, slash = slashIn, numerator = 0, denominator = 0;
    bool isSigned = false;
    orv.getReadout(index, number, point, isSigned, slash, numerator, denominator);
    Readout r;
    r.number = number;
    r.point = point;
    r.isSigned = isSigned;
    r.slash = slash;
    r.numerator = numerator;
    r.denominator = denominator;
    return r;
}

}  // namespace

TEST_F(DisplayTest, RatioTexts) {
    EXPECT_EQ(show(kMix, 0.3f), "D:70<>30:W");
    EXPECT_EQ(show(kMix, 1.0f), "D:0<>100:W");
    EXPECT_EQ(show(kMix, 0.0f), "D:100<>0:W");
    EXPECT_EQ(show(kFbPanL, 0.5f), "L:50<>50:R");
    EXPECT_EQ(show(kModSrc, 0.25f), "L:75<>25:E");
    EXPECT_EQ(show(kDlyPanR, 1.0f), "L:0<>100:R");
}

TEST_F(DisplayTest, PhaseOffsetTexts) {
    EXPECT_EQ(show(kLROffset, 0.5f), "L:0<>0:R");
    EXPECT_EQ(show(kLROffset, 1.0f), "L:-180<>180+:R");
    EXPECT_EQ(show(kLROffset, 0.0f), "L:+180<>180-:R");
    EXPECT_EQ(show(kLROffset, 0.75f), "L:-90<>90+:R");
}

TEST_F(DisplayTest, LevelTexts) {
    EXPECT_EQ(show(kInput, 0.0f), "-oo");
    EXPECT_EQ(show(kInput, 0.5f), "0.000000");
    EXPECT_EQ(show(kOutput, 1.0f), "12.04120");
    EXPECT_EQ(show(kFbGainL, 0.5f), "-6.02060");
    EXPECT_EQ(show(kDrive, 1.0f), "24.08240");
    EXPECT_EQ(show(kDrive, 0.0f), "0.000000");
    EXPECT_EQ(show(kDlyGateL, 0.0f), "-oo");
    EXPECT_EQ(show(kDlyGateR, 0.5f), "-12.0412");
    EXPECT_EQ(show(kDucking, 0.0f), "-24.0000");
    EXPECT_EQ(show(kDucking, 1.0f), "0.000000");
}

TEST_F(DisplayTest, PercentAndNumberTexts) {
    EXPECT_EQ(show(kCutfMod, 0.25f), "-50");
    EXPECT_EQ(show(kCutfMod, 0.5f), "0");
    EXPECT_EQ(show(kVcoMod, 1.0f), "100");
    EXPECT_EQ(show(kResoMod, 0.0f), "-100");
    EXPECT_EQ(show(kModSens, 0.5f), "50");
    EXPECT_EQ(show(kCutoff, 0.0f), "50");
    EXPECT_EQ(show(kCutoff, 1.0f), "16000");
    EXPECT_EQ(show(kReso, 0.25f), "2.500000");
    EXPECT_EQ(show(kVcoMan, 1.0f), "2.000000");
    EXPECT_EQ(show(kVcoMan, 0.0f), "0.500000");
    EXPECT_EQ(show(kEnvSpeed, 0.5f), "550");
    EXPECT_EQ(show(kEnvSpeed, 1.0f), "1000");
    EXPECT_EQ(show(kRvbDamp, 0.125f), "12.50000");
    EXPECT_EQ(show(kRvbAmt, 0.5f), "50.00000");
}

TEST_F(DisplayTest, StepTexts) {
    EXPECT_EQ(showStep(kDlyDenL, 12, 13), "96");
    EXPECT_EQ(showStep(kDlyDenR, 0, 13), "1");
    EXPECT_EQ(showStep(kPreNumL, 0, 6), "0");
    EXPECT_EQ(showStep(kPreNumR, 5, 6), "9");
    EXPECT_EQ(showStep(kPreDenL, 3, 13), "4");
    EXPECT_EQ(showStep(kDlyNumL, 2, 5), "5");
    EXPECT_EQ(showStep(kLfoNum, 4, 5), "8");
    EXPECT_EQ(showStep(kLfoDen, 6, 13), "12");
    EXPECT_EQ(showStep(kLFOWave, 4, 5), "rnd");
    EXPECT_EQ(showStep(kFltType, 2, 3), "HPF");
    EXPECT_EQ(showStep(kFltMode, 1, 3), "fb");
    EXPECT_EQ(showStep(kRangeL, 0, 3), "100");
    EXPECT_EQ(showStep(kRangeR, 1, 3), "1000");
    EXPECT_EQ(show(kRvbType, 1.0f), "plate");
    EXPECT_EQ(show(kRvbType, 0.0f), "spring");
    EXPECT_EQ(show(kRvbMode, 1.0f), "out");
    EXPECT_EQ(show(kFbInvL, 0.75f), "on");
    EXPECT_EQ(show(kBypass, 0.25f), "off");
    EXPECT_EQ(show(kMuteInL, 0.5f), "off");
    EXPECT_EQ(show(kMuteInL, 0.5001f), "muted");
    EXPECT_EQ(show(kLfoMode, 0.0f), "freq");
    EXPECT_EQ(show(kLfoMode, 0.9f), "note");
    EXPECT_EQ(show(kDlyModeR, 0.0f), "time");
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

TEST(Readout, ExamplesThroughTheEffect) {
    Orv orv(quietHost);
    orv.setParameter(kDlyModeL, 0.0f);
    orv.setParameter(kRangeL, fromStep(2, 3));
    orv.setParameter(kDlyTimeL, 0.1f);  // 500 ms
    Readout r = readout(orv, kDlyTimeL);
    EXPECT_EQ(r.number, 5000);
    EXPECT_EQ(r.point, 3);
    EXPECT_FALSE(r.isSigned);
    EXPECT_EQ(r.slash, 0);
    EXPECT_EQ(r.numerator, -1);

    // -6.02 dB: 4 v^2 = 10^(-6.02/20).
    orv.setParameter(kInput, static_cast<float>(std::sqrt(std::pow(10.0, -6.02 / 20) / 4)));
    r = readout(orv, kInput);
    EXPECT_EQ(r.number, -6020);
    EXPECT_EQ(r.point, 1);
    EXPECT_TRUE(r.isSigned);

    orv.setParameter(kMix, 0.3f);
    r = readout(orv, kMix);
    EXPECT_EQ(r.slash, 2);
    EXPECT_EQ(r.number, 7030);
    EXPECT_EQ(r.point, 0);

    orv.setParameter(kDlyNumR, fromStep(4, 5));
    orv.setParameter(kDlyDenR, fromStep(12, 13));
    r = readout(orv, kDlyDenR);
    EXPECT_EQ(r.numerator, 9);
    EXPECT_EQ(r.denominator, 96);
    EXPECT_EQ(r.number, 0);
}

TEST(Readout, RulesFromTheEngineSettings) {
    EngineState s;
    auto get = [&](int index, int slash = 0, bool isSigned = false) {
        Readout r;
        r.slash = slash;
        r.isSigned = isSigned;
        parameterReadout(s, index, r);
        return r;
    };
    // Ratios: all dry, mixed, all wet.
    s.mix.target = 1.0;
    EXPECT_EQ(get(kMix).slash, 1);
    EXPECT_EQ(get(kMix).number, 100);
    s.mix.target = 0.0;
    EXPECT_EQ(get(kMix).slash, 3);
    EXPECT_EQ(get(kMix).number, 1000);
    // Silence reads -100 dB.
    s.channels.gateThreshold.target[0] = 0.0;
    EXPECT_EQ(get(kDlyGateL).number, -1000);
    EXPECT_EQ(get(kDlyGateL).point, 3);
    // Scale of the number by size: 3, 2, 1 or no decimals.
    s.lfoRateHz = 3.0;
    EXPECT_EQ(get(kLFORate).number, 3000);
    EXPECT_EQ(get(kLFORate).point, 1);
    s.cutoff.target = 16000;
    EXPECT_EQ(get(kCutoff).number, 1600);
    EXPECT_EQ(get(kCutoff).point, 2);
    s.envTimeMs = 550;
    EXPECT_EQ(get(kEnvSpeed).number, 5500);
    EXPECT_EQ(get(kEnvSpeed).point, 3);
    s.channels.dlyTimeMs[1] = 2000;
    EXPECT_EQ(get(kDlyTimeR).number, 2000);
    EXPECT_EQ(get(kDlyTimeR).point, 0);
    s.hostTempo = 120;
    EXPECT_EQ(get(kTempoReadoutIndex).number, 1200);
    // Degrees, signed.
    s.lrOffset = -M_PI / 2;
    EXPECT_EQ(get(kLROffset).number, -1800);
    EXPECT_TRUE(get(kLROffset).isSigned);
    // 24 v - 24 from the value get parameter answers.
    s.duckingValue = 0.5;
    EXPECT_EQ(get(kDucking).number, -1200);
    s.rvbAmtValue = 0.5;
    EXPECT_EQ(get(kRvbAmt).number, 5000);
    // ModSens leaves signed as it was; unknown indices leave slash and signed too.
    s.modSensValue = 0.5;
    EXPECT_TRUE(get(kModSens, 0, true).isSigned);
    EXPECT_EQ(get(kModSens).number, 5000);
    Readout other = get(kBypass, 2, true);
    EXPECT_EQ(other.slash, 2);
    EXPECT_TRUE(other.isSigned);
    EXPECT_EQ(other.number, 0);
    EXPECT_EQ(other.numerator, -1);
    // Fractions.
    s.channels.preNum[0] = 0;
    s.channels.preDen[0] = 1;
    Readout pre = get(kPreDenL);
    EXPECT_EQ(pre.numerator, 0);
    EXPECT_EQ(pre.denominator, 2);
    s.lfoNum = 4;
    s.lfoDen = 12;
    EXPECT_EQ(get(kLfoNum).numerator, 8);
    EXPECT_EQ(get(kLfoNum).denominator, 96);
    // Out-of-range settings give bounded numbers.
    s.vcoMan = 1e6;
    EXPECT_EQ(get(kVcoMan).number, INT_MAX);
    s.lfoDen = 99;
    EXPECT_EQ(get(kLfoDen).denominator, 96);
}
