// The four-digit readout and the two meters, read back from the digit, point, slash and
// meter controls after idles with a test clock.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "PanelFixture.h"
#include "core/ParameterTable.h"

using namespace lumdel;
using namespace lumdel::test;

namespace {

class ReadoutTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        ASSERT_TRUE(openOffscreen());
    }
    void step(std::uint32_t ms = 50) {
        ticks += ms;
        idle();
    }
    // What the readout shows: digits (' ' blank, '-' '+'), then '.' or '/' after a digit.
    std::string shown() const {
        std::string s;
        for (int d = 0; d < 4; ++d) {
            const float v = value(panel_tag::kDigit1 + d);
            const int frame = static_cast<int>(std::lround(v * (d == 0 ? 12 : 10)));
            if (frame == 0) s += ' ';
            else if (frame <= 10) s += static_cast<char>('0' + frame - 1);
            else s += frame == 11 ? '-' : '+';
            if (d < 3) {
                if (value(panel_tag::kPoint1 + d) == 1.0f) s += '.';
                if (value(panel_tag::kSlash1 + d) == 1.0f) s += '/';
            }
        }
        return s;
    }
    void outside() {
        CPoint p(-1, -1);
        frame()->onMouseExited(p, CButtonState(0));
    }
    // One block whose input peaks at level (the meter ring one sample long).
    void setPeak(float level) {
        if (!started_) {
            host->outputLatency = 1;
            host->start();
            started_ = true;
        }
        host::Buffers<float> in(4, 256), out(2, 256);
        for (int c = 0; c < 2; ++c) in.data[c][100] = level;
        host->process(in.get(), out.get(), 256);
    }
    bool started_ = false;
    // Finds the step pair whose readout fraction is num/den.
    bool setFraction(int numIndex, int denIndex, int numSteps, int num, int den) {
        for (int a = 0; a < numSteps; ++a)
            for (int b = 0; b < 13; ++b) {
                orv->setParameter(numIndex, fromStep(a, numSteps));
                orv->setParameter(denIndex, fromStep(b, 13));
                Editor::ReadoutCells c;
                orv->getReadout(numIndex, c.number, c.point, c.isSigned, c.slash, c.numerator,
                                c.denominator);
                if (c.numerator == num && c.denominator == den) return true;
            }
        return false;
    }
};

TEST_F(ReadoutTest, TempoByDefault) {
    orv->setTempoNorm(90.0f / 370.0f);
    outside();
    step();
    EXPECT_EQ(editor->readoutIndex(), 61);
    EXPECT_EQ(shown(), "120.0");
    move(700, 140);  // the background shows the tempo too
    step();
    EXPECT_EQ(shown(), "120.0");
}

TEST_F(ReadoutTest, FreeTimesUnderTheMouse) {
    orv->setParameter(kDlyModeL, 0.0f);
    orv->setParameter(kDlyModeR, 0.0f);
    move(100, 100);
    orv->setParameter(kRangeL, fromStep(2, 3));
    orv->setParameter(kDlyTimeL, 1.0f);
    step();
    EXPECT_EQ(editor->readoutIndex(), kDlyTimeL);
    EXPECT_EQ(shown(), "5000");
    orv->setParameter(kRangeL, fromStep(1, 3));
    orv->setParameter(kDlyTimeL, 0.25f);
    step();
    EXPECT_EQ(shown(), "250.0");
    orv->setParameter(kRangeL, fromStep(0, 3));
    orv->setParameter(kDlyTimeL, 0.125f);
    step();
    EXPECT_EQ(shown(), "12.50");
    // The right channel's time while it is shown.
    click(69, 116);
    move(100, 100);
    step();
    EXPECT_EQ(editor->readoutIndex(), kDlyTimeR);
}

TEST_F(ReadoutTest, SignedLevelsMoveThePoint) {
    move(400, 45);  // the Input knob
    orv->setParameter(kInput, 0.5f);
    step();
    EXPECT_EQ(editor->readoutIndex(), kInput);
    EXPECT_EQ(shown(), "+0.00");
    orv->setParameter(kInput, 0.0f);
    step();
    EXPECT_EQ(shown(), "-100");
}

TEST_F(ReadoutTest, ModulationSensitivityShowsUnsignedWhateverCameBefore) {
    move(400, 45);  // a signed readout first
    step();
    move(493, 111);  // ModSens
    orv->setParameter(kModSens, 0.5f);
    step();
    EXPECT_EQ(editor->readoutIndex(), kModSens);
    EXPECT_EQ(shown(), "5.000");
}

TEST_F(ReadoutTest, MixShowsTwoPercentagesWithASlash) {
    move(447, 45);
    orv->setParameter(kMix, 0.3f);
    step();
    EXPECT_EQ(shown(), "70/30");
}

TEST_F(ReadoutTest, FractionsWithOneAndTwoDigitDenominators) {
    orv->setParameter(kDlyModeL, 1.0f);
    orv->setTempoNorm(90.0f / 370.0f);
    move(100, 100);
    ASSERT_TRUE(setFraction(kDlyNumL, kDlyDenL, 5, 3, 16));
    step();
    EXPECT_EQ(editor->readoutIndex(), kDlyNumL);
    EXPECT_EQ(shown(), "3 /16");
    if (setFraction(kDlyNumL, kDlyDenL, 5, 1, 1)) {
        step();
        EXPECT_EQ(shown(), "1 / 1");
    }
    // Pre-delay area.
    move(100, 30);
    step();
    EXPECT_EQ(editor->readoutIndex(), kPreNumL);
}

TEST_F(ReadoutTest, KnobUnderTheMouseOrBeingEdited) {
    click(69, 116);  // right channel
    move(178, 47);   // feedback pan knob
    step();
    EXPECT_EQ(editor->readoutIndex(), kFbPanR);
    move(300, 120);  // modulation timing area
    orv->setParameter(kLfoMode, 0.0f);
    step();
    EXPECT_EQ(editor->readoutIndex(), kLFORate);
    orv->setParameter(kLfoMode, 0.9f);
    step();
    EXPECT_EQ(editor->readoutIndex(), kLfoNum);
    // While the gain knob is edited the readout shows it wherever the mouse is.
    CControl* gain = editor->control(panel_tag::kFbGain);
    gain->beginEdit();
    move(700, 140);
    step();
    EXPECT_EQ(editor->readoutIndex(), kFbGainR);
    gain->endEdit();
    step();
    EXPECT_EQ(editor->readoutIndex(), 61);
}

TEST_F(ReadoutTest, OutOfRangeFractionsBlink) {
    orv->setParameter(kDlyModeL, 1.0f);
    orv->setTempoNorm(0.0f);  // 30 BPM
    move(100, 100);
    // The longest fraction at 30 BPM lies far beyond 5000 ms.
    orv->setParameter(kDlyNumL, 1.0f);
    orv->setParameter(kDlyDenL, 0.0f);
    ASSERT_TRUE(orv->syncOutOfRange(1));
    bool last = editor->readoutVisible();
    std::uint32_t lastChange = ticks;
    int changes = 0;
    for (int i = 0; i < 40; ++i) {
        step(50);
        const bool visible = editor->readoutVisible();
        if (visible) {
            EXPECT_NE(shown(), "    ");
        } else {
            EXPECT_EQ(shown(), "    ");
        }
        if (visible != last) {
            if (changes > 0) {
                EXPECT_GE(ticks - lastChange, 250u);
            }
            EXPECT_LE(ticks - lastChange, 300u);
            lastChange = ticks;
            last = visible;
            ++changes;
        }
    }
    EXPECT_GE(changes, 6);
    // Back in range: visible at once.
    orv->setTempoNorm(1.0f);
    orv->setParameter(kDlyNumL, 0.0f);
    ASSERT_FALSE(orv->syncOutOfRange(1));
    step();
    EXPECT_TRUE(editor->readoutVisible());
}

TEST_F(ReadoutTest, MetersRiseAtOnceAndFallIn500Ms) {
    idle();
    setPeak(1.0f);
    step(50);
    EXPECT_FLOAT_EQ(value(panel_tag::kMeterL), 1.0f);
    EXPECT_FLOAT_EQ(value(panel_tag::kMeterR), 1.0f);
    step(250);
    EXPECT_NEAR(value(panel_tag::kMeterL), 0.5f, 1e-5);
    step(250);
    EXPECT_FLOAT_EQ(value(panel_tag::kMeterL), 0.0f);
    setPeak(0.5f);
    step(50);
    EXPECT_NEAR(value(panel_tag::kMeterL), 0.749f, 1e-3);
    // Below -24 dB the meter stays dark.
    step(1000);
    setPeak(0.05f);
    step(50);
    EXPECT_FLOAT_EQ(value(panel_tag::kMeterL), 0.0f);
}

}  // namespace
