// The preset strip in the real editor, opened offscreen: stepping, the menu, renaming,
// learn and unlearn, the controller display, the default buttons and the file buttons.
#include <cairo.h>
#include <sys/stat.h>

#include <cstring>

#include "StandInTools.h"
#include "presets/FileChooser.h"
#include "core/ParameterTable.h"
#include "strip_rig.h"

namespace lumdel::striptest {
namespace {

using namespace lumdel::strip_tag;

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class RecordingChooser : public ImmediateFileChooser {
public:
    struct Call {
        bool save;
        std::string title;
    };
    explicit RecordingChooser(std::vector<Call>* calls) : calls_(calls) {}
    std::vector<std::string> chooseFileToOpen(const FileDialogRequest& r) override {
        calls_->push_back({false, r.title});
        return {};
    }
    std::vector<std::string> chooseFileToSave(const FileDialogRequest& r) override {
        calls_->push_back({true, r.title});
        return {};
    }

private:
    std::vector<Call>* calls_;
};

class StripTest : public ::testing::Test {
protected:
    void SetUp() override {
        rig = std::make_unique<StripRig>();
        ASSERT_NE(rig->editor, nullptr) << "the effect's editor has no preset strip";
        ASSERT_TRUE(rig->open());
        ASSERT_NE(rig->editor->nameField(), nullptr);
    }
    void TearDown() override { rig.reset(); }

    TempConfigHome config;  // before the effect, which reads the store at construction
    std::unique_ptr<StripRig> rig;
};

TEST_F(StripTest, OpenAddsTheNineteenControlsAtTheirPlaces) {
    struct Expected {
        std::int32_t tag;
        CRect rect;
        const char* type;
    };
    const Expected expected[] = {
        {kSaveBank, CRect(36, 156, 53, 171), "CSaveLoadButton"},
        {kDefaultBank, CRect(53, 156, 85, 169), "CPSKickButton"},
        {kLoadBank, CRect(87, 156, 104, 171), "CSaveLoadButton"},
        {kSavePreset, CRect(116, 156, 133, 171), "CSaveLoadButton"},
        {kDefaultPreset, CRect(134, 156, 178, 169), "CPSKickButton"},
        {kLoadPreset, CRect(179, 156, 196, 171), "CSaveLoadButton"},
        {kName, CRect(210, 156.5, 322, 169.5), "CTextEdit"},
        {kMenu, CRect(322, 157, 335, 169), "COptionMenu"},
        {kStep, CRect(342, 156, 372, 169), "CPSRockerSwitch"},
        {kStoreMemoA, CRect(390, 156, 407, 171), "CPSKickButton"},
        {kRecallMemoA, CRect(423, 156, 440, 171), "CPSKickButton"},
        {kStoreMemoB, CRect(454, 156, 471, 171), "CPSKickButton"},
        {kRecallMemoB, CRect(488, 156, 505, 171), "CPSKickButton"},
        {kSaveMidi, CRect(679, 156, 696, 171), "CSaveLoadButton"},
        {kDefaultMidi, CRect(697, 156, 725, 169), "CPSKickButton"},
        {kLoadMidi, CRect(727, 156, 744, 171), "CSaveLoadButton"},
        {kControllerDisplay, CRect(759, 157, 849, 169), "CParamDisplay"},
        {kMidiLearn, CRect(857, 155, 881, 171), "CPSOnOffButton"},
        {kMidiUnlearn, CRect(882, 155, 906, 171), "CPSOnOffButton"},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.tag);
        CControl* control = rig->editor->stripControl(e.tag);
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(rig->frame()->isChild(control));
        EXPECT_TRUE(control->isTypeOf(e.type));
        EXPECT_EQ(control->getViewSize(), e.rect);
    }
    COptionMenu* menu = rig->editor->presetMenu();
    EXPECT_EQ(menu->getNbEntries(), 61);
    EXPECT_EQ(menu->getNbItemsPerColumn(), 16);
    EXPECT_EQ(menu->getStyle(), 0x1E00);
    EXPECT_EQ(menu->getCurrentIndex(), rig->fx->getCurrentPreset());
    EXPECT_EQ(std::string(menu->getEntry(7)->getTitle()), rig->presetName(7));
    EXPECT_EQ(rig->editor->nameField()->getTextString(), rig->presetName(0));
    // The double-click-only flag sits on the three default buttons alone.
    EXPECT_TRUE(static_cast<CPSKickButton*>(rig->editor->stripControl(kDefaultBank))->isDoubleClickOnly());
    EXPECT_TRUE(static_cast<CPSKickButton*>(rig->editor->stripControl(kDefaultMidi))->isDoubleClickOnly());
    EXPECT_FALSE(static_cast<CPSKickButton*>(rig->editor->stripControl(kStoreMemoA))->isDoubleClickOnly());
}

// The panel's legends are printed in bold; the name field and the controller display,
// read as often, are no lighter.
TEST_F(StripTest, NameAndControllerTextAreBoldLikeThePanelLegends) {
    ASSERT_NE(rig->editor->nameField()->getFont(), nullptr);
    ASSERT_NE(rig->editor->controllerDisplay()->getFont(), nullptr);
    EXPECT_TRUE(rig->editor->nameField()->getFont()->getStyle() & kBoldFace);
    EXPECT_TRUE(rig->editor->controllerDisplay()->getFont()->getStyle() & kBoldFace);
    EXPECT_EQ(rig->editor->nameField()->getFont()->getSize(), 9);
}

TEST_F(StripTest, StepSwitchStepsWithoutWrapping) {
    // Left half at preset 0: stays at 0 and is applied again.
    rig->fx->setCurrentPreset(0);
    int updates = hostCounters().updateDisplay;
    rig->click(345, 162);
    EXPECT_EQ(rig->fx->getCurrentPreset(), 0);
    EXPECT_GT(hostCounters().updateDisplay, updates);
    EXPECT_EQ(rig->editor->stepSwitch()->getValue(), 0.0f);  // released

    rig->click(368, 162);
    EXPECT_EQ(rig->fx->getCurrentPreset(), 1);
    EXPECT_EQ(rig->editor->presetMenu()->getCurrentIndex(), 1);
    EXPECT_EQ(rig->editor->nameField()->getTextString(), rig->presetName(1));

    rig->fx->setCurrentPreset(60);
    const std::string name60 = rig->presetName(60);
    rig->click(368, 162);
    EXPECT_EQ(rig->fx->getCurrentPreset(), 60);
    EXPECT_EQ(rig->presetName(60), name60);
    EXPECT_EQ(rig->editor->presetMenu()->getCurrentIndex(), 60);
    rig->click(345, 162);
    EXPECT_EQ(rig->fx->getCurrentPreset(), 59);
    // A right click does nothing.
    rig->click(368, 162, kRButton);
    EXPECT_EQ(rig->fx->getCurrentPreset(), 59);
}

TEST_F(StripTest, MenuEntryTwelveBecomesCurrent) {
    COptionMenu* menu = rig->editor->presetMenu();
    const int updates = hostCounters().updateDisplay;
    rig->click(328, 163);  // opens the list
    ASSERT_TRUE(menu->isPopupOpen());
    const CRect entry = menu->getEntryRect(12);
    rig->click((entry.left + entry.right) / 2, (entry.top + entry.bottom) / 2);
    EXPECT_FALSE(menu->isPopupOpen());
    EXPECT_EQ(rig->fx->getCurrentPreset(), 12);
    EXPECT_EQ(menu->getCurrentIndex(), 12);
    EXPECT_EQ(rig->editor->nameField()->getTextString(), rig->presetName(12));
    EXPECT_GT(hostCounters().updateDisplay, updates);
    // The preset's plain values were applied (the synchronised times are recomputed).
    for (int i = 0; i < 10; ++i)
        EXPECT_FLOAT_EQ(rig->fx->getParameter(i), rig->fx->preset(12).values[i]) << "parameter " << i;
}

TEST_F(StripTest, RenamingKeepsTwentyFourCharactersAndRetitlesTheEntry) {
    rig->fx->setCurrentPreset(3);
    rig->editor->presetMenu()->setCurrent(3);
    CTextEdit* field = rig->editor->nameField();
    field->setText("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");  // 30 characters
    rig->editor->valueChanged(field);
    EXPECT_EQ(rig->presetName(3), "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(std::string(rig->editor->presetMenu()->getEntry(3)->getTitle()),
              "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(field->getTextString(), "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(rig->presetName(2), rig->editor->presetMenu()->getEntry(2)->getTitle());

    // A two-byte character across the 24-byte limit is dropped whole, not cut in half.
    field->setText("ABCDEFGHIJKLMNOPQRSTUVW\xC3\xA9xyz");
    rig->editor->valueChanged(field);
    EXPECT_EQ(rig->presetName(3), "ABCDEFGHIJKLMNOPQRSTUVW");
    field->setText("ABCDEFGHIJKLMNOPQRSTUV\xC3\xA9xyz");
    rig->editor->valueChanged(field);
    EXPECT_EQ(rig->presetName(3), "ABCDEFGHIJKLMNOPQRSTUV\xC3\xA9");

    // The host renaming the preset shows in the strip.
    char hostName[] = "From host";
    rig->fx->setProgramName(hostName);
    EXPECT_EQ(field->getTextString(), "From host");
    EXPECT_EQ(std::string(rig->editor->presetMenu()->getEntry(3)->getTitle()), "From host");
}

TEST_F(StripTest, LearnAndUnlearnExcludeEachOther) {
    CPSOnOffButton* learn = rig->editor->learnButton();
    CPSOnOffButton* unlearn = rig->editor->unlearnButton();
    rig->click(869, 163);
    EXPECT_TRUE(rig->fx->isMidiLearnActive());
    EXPECT_EQ(learn->getValue(), 1.0f);

    rig->click(894, 163);
    EXPECT_TRUE(rig->fx->isMidiUnlearnActive());
    EXPECT_FALSE(rig->fx->isMidiLearnActive());
    EXPECT_EQ(learn->getValue(), 0.0f);
    EXPECT_EQ(unlearn->getValue(), 1.0f);

    rig->click(869, 163);
    EXPECT_TRUE(rig->fx->isMidiLearnActive());
    EXPECT_FALSE(rig->fx->isMidiUnlearnActive());
    EXPECT_EQ(unlearn->getValue(), 0.0f);

    rig->click(869, 163);
    EXPECT_FALSE(rig->fx->isMidiLearnActive());
    EXPECT_EQ(learn->getValue(), 0.0f);
}

TEST_F(StripTest, OpeningTheEditorTurnsLearnOff) {
    rig->close();
    EXPECT_EQ(rig->editor->learnButton(), nullptr);
    rig->fx->startMidiLearn();
    ASSERT_TRUE(rig->fx->isMidiLearnActive());
    ASSERT_TRUE(rig->open());
    EXPECT_FALSE(rig->fx->isMidiLearnActive());
    EXPECT_FALSE(rig->fx->isMidiUnlearnActive());
    EXPECT_EQ(rig->editor->learnButton()->getValue(), 0.0f);
}

TEST_F(StripTest, ControllerDisplayFollowsTheMouse) {
    rig->fx->setMidiAssignment(kCutoff, 74);
    rig->fx->clearParameterAssignment(kReso);
    CControl* cutoff = rig->controlWithTag(kCutoff);
    CControl* reso = rig->controlWithTag(kReso);
    ASSERT_NE(cutoff, nullptr);
    ASSERT_NE(reso, nullptr);

    CPoint p = StripRig::centre(cutoff);
    rig->move(p.h, p.v);
    rig->idle();
    EXPECT_EQ(rig->controllerText(), "brightness");

    p = StripRig::centre(reso);
    rig->move(p.h, p.v);
    rig->idle();
    EXPECT_EQ(rig->controllerText(), "not assigned");

    // Somewhere that is no parameter control: the display is empty.
    CPoint empty;
    bool found = false;
    for (int y = 2; y < 170 && !found; y += 3)
        for (int x = 2; x < 940 && !found; x += 3)
            if (!rig->frame()->getViewAt(CPoint(x, y))) {
                empty = CPoint(x, y);
                found = true;
            }
    ASSERT_TRUE(found);
    rig->move(empty.h, empty.v);
    rig->idle();
    EXPECT_EQ(rig->controllerText(), "");

    // A controller learned while the window is open shows at the next idle.
    rig->fx->setMidiAssignment(kReso, 7);
    p = StripRig::centre(reso);
    rig->move(p.h, p.v);
    rig->idle();
    EXPECT_NE(rig->controllerText(), "not assigned");
    EXPECT_NE(rig->controllerText(), "");
}

// Pointed at, a rail key says in the controller display what it does; off it, the
// display shows again what it showed before.
TEST_F(StripTest, RailKeysSayWhatTheyDoInTheControllerDisplay) {
    rig->fx->setMidiAssignment(kCutoff, 74);
    CPoint p = StripRig::centre(rig->controlWithTag(kCutoff));
    rig->move(p.h, p.v);
    rig->idle();
    ASSERT_EQ(rig->controllerText(), "brightness");

    p = StripRig::centre(rig->controlWithTag(kLoadPreset));
    rig->move(p.h, p.v);
    rig->idle();
    EXPECT_EQ(rig->controllerText(), "Load preset\xe2\x80\xa6");
    p = StripRig::centre(rig->controlWithTag(kSaveBank));
    rig->move(p.h, p.v);
    rig->idle();
    EXPECT_EQ(rig->controllerText(), "Save bank\xe2\x80\xa6");
    EXPECT_TRUE(rig->editor->controllerDisplay()->isDirty());

    // The pointer leaves the window from the key: the controller's name comes back.
    CPoint outside(p.h, 200);
    rig->frame()->onMouseExited(outside, 0);
    rig->idle();
    EXPECT_EQ(rig->controllerText(), "brightness");
    EXPECT_EQ(rig->editor->railKeyHint(), "");

    // The default keys tell their rule in turns.
    const char* parts[] = {"Double-click:", "store default", "Ctrl+dbl-click:", "erase default"};
    for (int i = 0; i < 5; ++i) {
        const std::uint32_t t = 7 + i * CPresetSystemEditor::kHintPartMs;
        EXPECT_STREQ(CPresetSystemEditor::railKeyHintFor(kDefaultBank, t), parts[i % 4]);
        EXPECT_STREQ(CPresetSystemEditor::railKeyHintFor(kDefaultPreset, t), parts[i % 4]);
        EXPECT_STREQ(CPresetSystemEditor::railKeyHintFor(kDefaultMidi, t), parts[i % 2]);
    }

    // Every key of the rail has words, and they fit the display in its font.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 10);
    {
        CDrawContext context(surface);
        CParamDisplay* display = rig->editor->controllerDisplay();
        context.setFont(display->getFont());
        for (std::int32_t tag = kName; tag <= kRecallMemoB; ++tag) {
            if (tag == kControllerDisplay) continue;
            for (std::uint32_t t = 0; t < 4 * CPresetSystemEditor::kHintPartMs;
                 t += CPresetSystemEditor::kHintPartMs) {
                const char* hint = CPresetSystemEditor::railKeyHintFor(tag, t);
                ASSERT_NE(hint, nullptr) << tag;
                EXPECT_LE(context.getStringWidth(hint), display->getViewSize().width() - 4)
                    << hint;
            }
        }
    }
    cairo_surface_destroy(surface);
    EXPECT_EQ(CPresetSystemEditor::railKeyHintFor(kCutoff, 0), nullptr);
}

TEST_F(StripTest, DefaultButtonsNeedADoubleClickAndCtrlErases) {
    const std::string bankFile = config.storeDirectory() + "DefaultBank";
    const std::string midiFile = config.storeDirectory() + "DefaultMidi";
    rig->click(69, 162);
    EXPECT_FALSE(fileExists(bankFile));
    rig->doubleClick(69, 162);
    EXPECT_TRUE(fileExists(bankFile));
    EXPECT_EQ(rig->editor->stripControl(kDefaultBank)->getValue(), 0.0f);  // released
    rig->doubleClick(69, 162, kControl);
    EXPECT_FALSE(fileExists(bankFile));

    rig->click(711, 162);
    EXPECT_FALSE(fileExists(midiFile));
    rig->doubleClick(711, 162, kControl);
    EXPECT_TRUE(fileExists(midiFile));

    // Memory A stores on a single click.
    rig->click(398, 163);
    EXPECT_TRUE(fileExists(config.storeDirectory() + "MemoA"));
}

TEST_F(StripTest, RightClickLoadsEndianReversedAndSavesNormally) {
    std::vector<RecordingChooser::Call> calls;
    rig->editor->presetCore().setChooser(std::make_unique<RecordingChooser>(&calls));
    rig->click(95, 163, kRButton);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(calls[0].save);
    EXPECT_EQ(calls[0].title, "Load bank (endian-reversed)");
    rig->click(95, 163);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].title, "Load bank");
    rig->click(44, 163, kRButton);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(calls[2].save);
    EXPECT_EQ(calls[2].title, "Save bank");
    // A middle click is not for these buttons.
    rig->click(95, 163, kMButton);
    EXPECT_EQ(calls.size(), 3u);
    // Shift with the right button is not the reversed load.
    rig->click(187, 163, kRButton | kShift);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3].title, "Load preset");
    // Closed, the file buttons are gone and nothing opens a dialog.
    rig->close();
    rig->editor->presetCore().loadBankFile(false);
    EXPECT_EQ(calls.size(), 4u);
}

// Without zenity or kdialog every file button says so in the strip's message box for a
// few seconds (it used to do nothing at all); the other buttons go on working.
TEST_F(StripTest, WithoutADialogToolTheFileButtonsSaySo) {
    lumdel::test::StandInTools noTools;  // an empty PATH
    rig->editor->presetCore().setChooser(std::make_unique<DesktopFileChooser>());
    const struct {
        double x;
        int buttons;
    } fileButtons[] = {{44, kLButton}, {95, kLButton}, {95, kRButton}, {124, kLButton},
                       {187, kLButton}, {687, kLButton}, {735, kLButton}};
    for (const auto& b : fileButtons) {
        rig->editor->showPanelMessage("");
        rig->click(b.x, 163, b.buttons);
        rig->idle();
        EXPECT_EQ(rig->editor->panelMessage(), "install zenity or kdialog") << b.x;
        CParamDisplay* box = rig->editor->messageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(rig->frame()->isChild(box));
        EXPECT_EQ(box->valueText(box->getValue()), "install zenity or kdialog");
        EXPECT_FALSE(rig->editor->presetCore().dialogOpen());
    }
    if (const char* shot = std::getenv("LUMDEL_STRIP_SHOT"))
        rig->fx->dispatcher(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'),
                            editor_request::kScreenshot, const_cast<char*>(shot), 0);
    rig->click(368, 162);  // the step switch still steps
    EXPECT_EQ(rig->fx->getCurrentPreset(), 1);
}

TEST_F(StripTest, HoverPicksTheSubImages) {
    auto* rocker = rig->editor->stepSwitch();
    rig->move(345, 162);
    EXPECT_EQ(rocker->hoverSide(), -1);
    EXPECT_EQ(rocker->subImage(), 1);
    rig->move(368, 162);
    EXPECT_EQ(rocker->subImage(), 2);
    rig->mouse(0, kLButton, 368, 162);
    EXPECT_EQ(rocker->subImage(), 4);
    rig->mouse(1, 0, 368, 162);
    rig->move(600, 120);
    EXPECT_EQ(rocker->subImage(), 0);

    auto* save = static_cast<CSaveLoadButton*>(rig->editor->stripControl(kSaveBank));
    rig->move(44, 163);
    EXPECT_EQ(save->subImage(), 1);
    rig->move(600, 120);
    EXPECT_EQ(save->subImage(), 0);

    auto* learn = rig->editor->learnButton();
    rig->move(869, 163);
    EXPECT_EQ(learn->subImage(), 1);
    rig->click(869, 163);
    EXPECT_EQ(learn->subImage(), 2);
}

TEST_F(StripTest, ClosedStripIgnoresEffectNotificationsAndReopens) {
    rig->close();
    EXPECT_EQ(rig->editor->nameField(), nullptr);
    char name[] = "Closed";
    rig->fx->setProgramName(name);  // no window: nothing to show, nothing breaks
    rig->fx->startMidiLearn();
    rig->fx->stopMidiLearn();
    rig->idle();
    ASSERT_TRUE(rig->open());
    EXPECT_EQ(rig->editor->nameField()->getTextString(), "Closed");
    // Opening twice keeps one strip.
    ASSERT_TRUE(rig->open());
    int names = 0;
    for (int i = 0; i < rig->frame()->getNbViews(); ++i) {
        auto* c = dynamic_cast<CControl*>(rig->frame()->getView(i));
        if (c && c->getTag() == kName) ++names;
    }
    EXPECT_EQ(names, 1);
}

TEST(StripIdle, IdleWithNothingChangingDrawsNothing) {
    TempConfigHome config;
    StripRig rig;
    ASSERT_TRUE(rig.open());
    rig.fx->setMidiAssignment(kCutoff, 74);
    CControl* cutoff = rig.controlWithTag(kCutoff);
    ASSERT_NE(cutoff, nullptr);
    const CPoint p = StripRig::centre(cutoff);
    rig.move(p.h, p.v);
    for (int i = 0; i < 5; ++i) rig.idle();
    const std::uint64_t draws = rig.frame()->getDrawCount();
    for (int i = 0; i < 20; ++i) rig.idle();
    EXPECT_EQ(rig.frame()->getDrawCount(), draws);
    // Idle before open and after close does nothing harmful.
    rig.close();
    rig.idle();
    EXPECT_EQ(rig.frame(), nullptr);
}

TEST(StripIdle, StripFollowsAChunkRestoredByTheHost) {
    TempConfigHome config;
    StripRig rig;
    // A state with preset 7 current and a renamed preset 20.
    rig.fx->setCurrentPreset(7);
    copyPresetName(rig.fx->preset(20).name, "Restored twenty");
    void* data = nullptr;
    const VstInt32 size = rig.fx->getChunk(&data, false);
    ASSERT_GT(size, 0);
    std::vector<unsigned char> chunk(static_cast<unsigned char*>(data),
                                     static_cast<unsigned char*>(data) + size);
    rig.fx->setCurrentPreset(0);
    copyPresetName(rig.fx->preset(20).name, "Other");
    ASSERT_TRUE(rig.open());
    rig.fx->setChunk(chunk.data(), size, false);
    rig.idle();
    EXPECT_EQ(rig.editor->presetMenu()->getCurrentIndex(), 7);
    EXPECT_EQ(rig.editor->nameField()->getTextString(), rig.presetName(7));
    EXPECT_EQ(std::string(rig.editor->presetMenu()->getEntry(20)->getTitle()), "Restored twenty");
    const std::uint64_t draws = rig.frame()->getDrawCount();
    rig.idle();
    EXPECT_EQ(rig.frame()->getDrawCount(), draws);  // in line: nothing more to draw
}

// Names from older files or hosts may hold single bytes above 127 (not UTF-8): the strip
// shows them and the rest of the panel still draws.
TEST(StripNames, NonUtf8BytesInANameDoNotStopTheDrawing) {
    TempConfigHome config;
    StripRig rig;
    copyPresetName(rig.fx->preset(0).name, "Caf\xE9 \xFF\x80 echo");
    rig.fx->setCurrentPreset(0);
    ASSERT_TRUE(rig.open());
    rig.idle();
    // Shown as Latin-1, stored as it was, also after choosing it in the menu.
    EXPECT_EQ(rig.editor->nameField()->getTextString(), "Caf\xC3\xA9 \xC3\xBF\xC2\x80 echo");
    rig.editor->presetMenu()->setValue(0);
    rig.editor->valueChanged(rig.editor->presetMenu());
    EXPECT_EQ(rig.presetName(0), "Caf\xE9 \xFF\x80 echo");
    rig.idle();
    // Force a full drawing; then the learn key (drawn after the name field) must be there.
    rig.frame()->setDirty(true);
    cairo_surface_t* a = rig.frame()->renderToSurface();
    rig.frame()->setDirty(true);
    CControl* learn = rig.editor->learnButton();
    rig.frame()->removeView(learn);
    cairo_surface_t* b = rig.frame()->renderToSurface();
    const unsigned char* da = cairo_image_surface_get_data(a);
    const unsigned char* db = cairo_image_surface_get_data(b);
    const int stride = cairo_image_surface_get_stride(a);
    int differing = 0;
    for (int y = 155; y < 171; ++y)
        for (int x = 857; x < 881; ++x)
            if (std::memcmp(da + y * stride + 4 * x, db + y * stride + 4 * x, 4) != 0) ++differing;
    cairo_surface_destroy(a);
    cairo_surface_destroy(b);
    EXPECT_GT(differing, 20);
}

// Typing through the host's key opcodes into the name field.
TEST(StripNames, TypingThirtyCharactersRenamesToTwentyFour) {
    TempConfigHome config;
    StripRig rig;
    ASSERT_TRUE(rig.open());
    rig.fx->setCurrentPreset(5);
    rig.idle();
    auto key = [&](int character, int virt = 0) {
        rig.fx->dispatcher(effEditKeyDown, character, virt, nullptr, 0);
    };
    rig.click(266, 163);
    ASSERT_TRUE(rig.editor->nameField()->isEditing());
    key(0, VKEY_END);
    for (int i = 0; i < 30; ++i) key(0, VKEY_BACK);
    const std::string typed = "abcdefghijklmnopqrstuvwxyz1234";
    for (char c : typed) key(c);
    key(0, VKEY_RETURN);
    EXPECT_FALSE(rig.editor->nameField()->isEditing());
    EXPECT_EQ(rig.presetName(5), typed.substr(0, 24));
    EXPECT_EQ(std::string(rig.editor->presetMenu()->getEntry(5)->getTitle()), typed.substr(0, 24));
    EXPECT_EQ(rig.editor->nameField()->getTextString(), typed.substr(0, 24));
    char hostSees[64] = {};
    rig.fx->dispatcher(effGetProgramName, 0, 0, hostSees, 0);
    EXPECT_EQ(std::string(hostSees), typed.substr(0, 24));
}

}  // namespace
}  // namespace lumdel::striptest
