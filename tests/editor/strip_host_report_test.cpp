// A preset load made in the editor tells the host of every parameter it changed, as an
// automated edit (begin, automate, end), so hosts that do not read the parameters again
// on the update-display request keep their controls and automation in line. Loads the
// host asks for (chunk, program) and MIDI controllers tell it nothing.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "PanelFixture.h"
#include "presets/FileChooser.h"
#include "core/ParameterTable.h"
#include "strip_rig.h"

namespace lumdel::test {
namespace {

// Answers every dialog with the path the test set.
class OnePathChooser : public ImmediateFileChooser {
public:
    explicit OnePathChooser(std::string* path) : path_(path) {}
    std::vector<std::string> chooseFileToOpen(const FileDialogRequest&) override { return {*path_}; }
    std::vector<std::string> chooseFileToSave(const FileDialogRequest&) override { return {*path_}; }

private:
    std::string* path_;
};

class StripHostReportTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        ASSERT_TRUE(openOffscreen());
        core().setChooser(std::make_unique<OnePathChooser>(&chosen));
    }

    PresetSystemEditorCore& core() { return editor->presetCore(); }

    // Makes preset k current without the editor (nothing reported), then forgets what
    // the host was told so far.
    void select(int k) {
        orv->setCurrentPreset(k);
        forget();
    }
    void forget() {
        host->automationEvents.clear();
        before_.clear();
        for (int i = 0; i < kNumParams; ++i) before_.push_back(orv->getParameter(i));
    }

    // What the host must have heard since the last forget(): begin, automate with the new
    // value, end, for each changed parameter in index order, and nothing else.
    void expectReported(const char* what) {
        SCOPED_TRACE(what);
        std::vector<host::AutomationEvent> expected;
        for (int i = 0; i < kNumParams; ++i) {
            const float now = orv->getParameter(i);
            if (now == before_[i]) continue;
            expected.push_back({host::AutomationEvent::Begin, i, 0.0f});
            expected.push_back({host::AutomationEvent::Automate, i, now});
            expected.push_back({host::AutomationEvent::End, i, 0.0f});
        }
        EXPECT_GE(expected.size(), 3u * 5u) << "the load should change several parameters";
        const auto& got = host->automationEvents;
        ASSERT_EQ(got.size(), expected.size());
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].kind, expected[k].kind) << k;
            EXPECT_EQ(got[k].index, expected[k].index) << k;
            EXPECT_EQ(got[k].value, expected[k].value) << k;
        }
    }
    void expectSilent(const char* what) {
        EXPECT_TRUE(host->automationEvents.empty()) << what;
    }

    striptest::TempConfigHome config;  // before the effect, which reads the store
    std::string chosen;                // what the file dialogs answer
    std::vector<float> before_;
};

}  // namespace

TEST_F(StripHostReportTest, MenuAndStepSwitch) {
    select(0);
    COptionMenu* menu = editor->presetMenu();
    menu->setValue(24.0f);
    editor->valueChanged(menu);
    ASSERT_EQ(orv->getCurrentPreset(), 24);
    expectReported("menu");

    forget();
    click(368, 162);  // the right half of the step switch: the next preset
    ASSERT_EQ(orv->getCurrentPreset(), 25);
    expectReported("step switch");
}

TEST_F(StripHostReportTest, MemoriesAndStoredDefaults) {
    select(24);
    click(398, 163);  // store memory A
    core().storeDefaultPreset();
    core().storeDefaultBank();
    select(0);
    click(431, 163);  // recall memory A into preset 0
    expectReported("memory A");

    select(1);
    core().recallDefaultPreset();  // into preset 1
    expectReported("default preset");

    select(30);
    core().recallDefaultBank();  // preset 0 of the stored bank becomes current
    ASSERT_EQ(orv->getCurrentPreset(), 0);
    expectReported("default bank");
}

TEST_F(StripHostReportTest, LoadedPresetAndBankFiles) {
    chosen = config.path() + "/a.orv";
    select(24);
    core().savePresetFile();
    select(0);
    core().loadPresetFile(false);
    expectReported("preset file");

    chosen = config.path() + "/a.orb";
    select(0);
    core().saveBankFile();
    select(30);
    core().loadBankFile(false);
    ASSERT_EQ(orv->getCurrentPreset(), 0);
    expectReported("bank file");
}

TEST_F(StripHostReportTest, HostLoadsMidiAndConstructionTellTheHostNothing) {
    select(0);
    // The host restores a chunk that makes preset 24 current.
    void* data = nullptr;
    const VstIntPtr size = host->dispatch(effGetChunk, 0, 0, &data);
    std::vector<unsigned char> chunk(static_cast<const unsigned char*>(data),
                                     static_cast<const unsigned char*>(data) + size);
    const std::int32_t current = 24;
    std::memcpy(chunk.data() + 12, &current, 4);
    ASSERT_EQ(host->dispatch(effSetChunk, 0, size, chunk.data()), 0);
    ASSERT_EQ(orv->getCurrentPreset(), 24);
    expectSilent("chunk");
    host->dispatch(effSetProgram, 0, 0);
    expectSilent("program");

    // Mix on controller 7, moved by MIDI.
    host->setParameter(kNumParams + kMix, fromStep(7, 129));
    host->sendMidi({host::Host::controlChange(0, 7, 10)});
    EXPECT_NE(orv->getParameter(kMix), before_[kMix]);
    expectSilent("MIDI");

    // A new instance loads the stored default preset while it is built.
    select(24);
    core().storeDefaultPreset();
    host::Host second;
    ASSERT_TRUE(second.load(&makeOrv));
    EXPECT_EQ(orvOf(second.effect())->getParameter(kMix), orv->getParameter(kMix));
    EXPECT_TRUE(second.automationEvents.empty());
}

}  // namespace lumdel::test
