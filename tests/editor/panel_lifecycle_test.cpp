// The editor's window lifecycle against the real effect: size, open and close in every
// order hosts use, idle calls at odd moments, the control table and its initial values,
// and the redraw economy of an idle that changes nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "PanelFixture.h"
#include "editor/CInvisibleSlider.h"
#include "editor/MyFrame.h"
#include "editor/OrvAnimKnob.h"
#include "editor/OrvKickButton.h"
#include "editor/OrvOnOffButton.h"
#include "editor/OrvSwitch.h"
#include "editor/OrvSwitchVert.h"
#include "core/ParameterTable.h"

using namespace lumdel;
using namespace lumdel::test;

namespace {

using PanelLifecycleTest = PanelTest;

TEST_F(PanelLifecycleTest, RectIsKnownBeforeOpenAndTheHostSeesAnEditor) {
    ERect* r = nullptr;
    EXPECT_EQ(host->dispatch(effEditGetRect, 0, 0, &r), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right - r->left, 942);
    EXPECT_EQ(r->bottom - r->top, 171);
    EXPECT_EQ(host->effect()->flags & 0x1031, 0x1031);
    EXPECT_EQ(frame(), nullptr);
    EXPECT_EQ(AEffGUIEditor::knobMode, kLinearMode);
}

TEST_F(PanelLifecycleTest, OpenBuildsTheSixtyThreeControlsInTableOrder) {
    ASSERT_TRUE(openOffscreen());
    ASSERT_NE(frame(), nullptr);
    EXPECT_TRUE(frame()->isTypeOf("MyFrame"));
    const std::int32_t tags[Editor::kNumControls] = {
        83, 84, 85, 86, 0, 2, 1, 52, 11, 12, 47, 22, 17, 18, 15, 16, 21, 13, 53, 39, 40,
        41, 62, 93, 96, 94, 45, 42, 46, 88, 89, 32, 23, 14, 37, 38, 64, 65, 66, 67, 68, 69,
        70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 91, 92, 9, 90, 10, 61, 80, 81, 82, 82, 97};
    for (int i = 0; i < Editor::kNumControls; ++i) {
        CControl* c = editor->controlAt(i);
        ASSERT_NE(c, nullptr) << "slot " << i;
        EXPECT_EQ(c->getTag(), tags[i]) << "slot " << i;
        // Creation order is drawing order.
        EXPECT_EQ(frame()->getView(i), c) << "slot " << i;
        // The custom classes answer the type query as their toolkit bases.
        bool typed = false;
        if (i < 21) typed = dynamic_cast<OrvAnimKnob*>(c) && c->isTypeOf("CAnimKnob");
        else if (i < 29 || i == 52 || i == 53)
            typed = dynamic_cast<OrvOnOffButton*>(c) && c->isTypeOf("COnOffButton");
        else if (i < 36) typed = dynamic_cast<OrvSwitch*>(c) && c->isTypeOf("CHorizontalSwitch");
        else if (i < 46 || i == 58 || i == 59) typed = c->isTypeOf("CMovieBitmap");
        else if (i < 52) typed = dynamic_cast<OrvKickButton*>(c) && c->isTypeOf("CKickButton");
        else if (i == 54) typed = dynamic_cast<OrvSwitchVert*>(c) && c->isTypeOf("CVerticalSwitch");
        else if (i < 58) typed = c->isTypeOf("CInvisibleSlider");
        else typed = c->isTypeOf("CSplashScreen");
        EXPECT_TRUE(typed) << "slot " << i << " " << c->getClassName();
    }
    // The preset strip (19 controls and the size menu over the logo) comes after the panel.
    EXPECT_EQ(frame()->getNbViews(), Editor::kNumControls + 20);

    auto* cutoff = dynamic_cast<OrvAnimKnob*>(editor->control(kCutoff));
    ASSERT_NE(cutoff, nullptr);
    EXPECT_EQ(cutoff->getViewSize(), CRect(678, 29, 713, 64));
    EXPECT_EQ(cutoff->getDrawRect(), CRect(679, 30, 711, 62));
    EXPECT_FLOAT_EQ(cutoff->getDefaultValue(), 1.0f);
    EXPECT_FLOAT_EQ(cutoff->getWheelInc(), 0.03125f);
    EXPECT_EQ(cutoff->getNumSubPixmaps(), 101);
    EXPECT_EQ(cutoff->getHeightOfOneImage(), 36);
    EXPECT_EQ(editor->control(panel_tag::kLink)->getViewSize(), CRect(61, 70, 85, 90));
    EXPECT_FLOAT_EQ(editor->control(panel_tag::kLink)->getDefaultValue(), 1.0f);
    EXPECT_FLOAT_EQ(editor->control(panel_tag::kRange)->getDefaultValue(), 1.0f);
    EXPECT_EQ(editor->control(panel_tag::kMainDen)->getViewSize(), CRect(126, 113, 145, 132));
    EXPECT_FLOAT_EQ(editor->control(panel_tag::kTempo)->getWheelInc(), 0.0008f);
    // Every panel bitmap loaded, and the editor let go of its own references.
    EXPECT_TRUE(cutoff->getBackground()->isLoaded());
    EXPECT_TRUE(frame()->getBackground()->isLoaded());
}

TEST_F(PanelLifecycleTest, InitialValuesComeFromTheEffect) {
    orv->setParameter(kCutoff, 0.3f);
    orv->setParameter(kLFORate, 0.36f);
    orv->setParameter(kDlyTimeL, 0.49f);
    orv->setParameter(kBypass, 1.0f);
    orv->setTempoNorm(90.0f / 370.0f);
    ASSERT_TRUE(openOffscreen());
    EXPECT_FLOAT_EQ(value(kCutoff), 0.3f);
    EXPECT_FLOAT_EQ(value(kLFORate), 0.6f);
    EXPECT_FLOAT_EQ(value(panel_tag::kDlyTime), std::sqrt(param(kDlyTimeL)));
    EXPECT_FLOAT_EQ(value(kBypass), 1.0f);
    EXPECT_NEAR(value(panel_tag::kTempo), std::sqrt(90.0f / 370.0f), 1e-6);
    EXPECT_FLOAT_EQ(value(panel_tag::kLeft), 0.0f);
    EXPECT_FLOAT_EQ(value(panel_tag::kRight), 1.0f);
    for (std::int32_t tag = panel_tag::kDigit1; tag <= 73; ++tag) EXPECT_EQ(value(tag), 0.0f);
}

TEST_F(PanelLifecycleTest, ReopenWithTheRightChannelShownRebuildsFromTheRightParameters) {
    orv->setParameter(kFbPanL, 0.1f);
    orv->setParameter(kFbPanR, 0.9f);
    orv->setParameter(kDlyGateR, 0.7f);
    orv->setParameter(kMuteInR, 1.0f);
    ASSERT_TRUE(openOffscreen());
    click(69, 116);  // RIGHT
    ASSERT_TRUE(editor->channelRight());
    closeEditor();
    EXPECT_EQ(editor->controlAt(0), nullptr);
    EXPECT_TRUE(editor->channelRight());
    ASSERT_TRUE(openOffscreen());
    EXPECT_FLOAT_EQ(value(panel_tag::kFbPan), 0.9f);
    EXPECT_FLOAT_EQ(value(panel_tag::kDlyGate), 0.7f);
    EXPECT_FLOAT_EQ(value(panel_tag::kMuteIn), 1.0f);
    EXPECT_FLOAT_EQ(value(panel_tag::kLeft), 1.0f);
    EXPECT_FLOAT_EQ(value(panel_tag::kRight), 0.0f);
}

TEST_F(PanelLifecycleTest, OpenTwiceAndWithoutParentAnswerFalseAndChangeNothing) {
    EXPECT_EQ(host->dispatch(effEditOpen, 0, 0, nullptr), 0);  // parent 0
    EXPECT_EQ(frame(), nullptr);
    // A window id that does not exist (or no display at all).
    EXPECT_EQ(host->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x7fffff01)), 0);
    EXPECT_EQ(frame(), nullptr);
    ASSERT_TRUE(openOffscreen());
    CFrame* first = frame();
    EXPECT_EQ(host->dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(frame(), first);
    closeEditor();
    closeEditor();  // a second close is harmless
    EXPECT_EQ(frame(), nullptr);
    ASSERT_TRUE(openOffscreen());
}

TEST_F(PanelLifecycleTest, IdleBeforeOpenAfterCloseAndFromInsideItselfIsHarmless) {
    idle();
    EXPECT_EQ(frame(), nullptr);
    ASSERT_TRUE(openOffscreen());
    // Some hosts call the editor's idle from inside their display-update callback,
    // which a preset load triggers, and the clock may be read during idle.
    int inner = 0;
    host->onUpdateDisplay = [&] {
        ++inner;
        idle();
    };
    editor->setClock([&] {
        idle();
        return ticks;
    });
    idle();
    click(364, 162);  // the step switch's right half: the next preset
    EXPECT_EQ(orv->getCurrentPreset(), 1);
    EXPECT_GT(inner, 0);
    idle();
    closeEditor();
    idle();
    host->onUpdateDisplay = nullptr;
    EXPECT_EQ(frame(), nullptr);
}

TEST_F(PanelLifecycleTest, EffectClosedWhileTheWindowIsOpen) {
    ASSERT_TRUE(openOffscreen());
    idle();
    host->close();  // no effEditClose first
    SUCCEED();
}

TEST_F(PanelLifecycleTest, AQuietIdleRedrawsNothing) {
    ASSERT_TRUE(openOffscreen());
    move(700, 140);  // over the background, away from every knob and area
    for (int i = 0; i < 3; ++i) {
        ticks += 50;
        idle();
    }
    auto* f = static_cast<CFrame*>(frame());
    const std::uint64_t before = f->getDrawCount();
    for (int i = 0; i < 5; ++i) {
        ticks += 50;
        idle();
    }
    EXPECT_EQ(f->getDrawCount(), before);
    // One parameter change redraws its one control.
    orv->setParameter(kReso, 0.77f);
    ticks += 50;
    idle();
    EXPECT_EQ(f->getDrawCount(), before + 1);
}

TEST_F(PanelLifecycleTest, PresetNamesOfFullLengthAndOtherBytesAreShown) {
    char name[25] = "ABCDEFGHIJKLMNOPQRSTUVWX";  // 24 characters
    host->dispatch(effSetProgramName, 0, 0, name);
    ASSERT_TRUE(openOffscreen());
    idle();
    EXPECT_EQ(editor->nameField()->getTextString(), std::string(name));
    char odd[25] = "\xC3\xA9t\xE9 \xFF\x80\x01 delay";
    host->dispatch(effSetProgramName, 0, 0, odd);
    idle();
    const std::string path = ::testing::TempDir() + "/lumdel-panel-name.png";
    EXPECT_EQ(host->dispatch(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'),
                             lumdel::editor_request::kScreenshot, const_cast<char*>(path.c_str())),
              1);
    std::remove(path.c_str());
}

}  // namespace
