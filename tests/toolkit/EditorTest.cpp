// The editor base: open without a window, the vendor-specific requests of our tools,
// the automation bracket and the tick counter; and lumdel-host gui on the plug-in.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "EditorSupport.h"
#include "ToolRun.h"

namespace lumdel::test {
namespace {

namespace req = lumdel::editor_request;
constexpr VstInt32 kOurs = vstFourCC('L', 'M', 'D', 'L');

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostEditCalls().clear();
        effect = std::make_unique<FakeEffect>();
        editor = new TestEditor();
        effect->setEditor(new EditorAdapter(effect.get(), editor));  // the effect owns both
    }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr) {
        return effect->dispatcher(opcode, index, value, ptr, 0.0f);
    }
    VstIntPtr mouse(std::int32_t kind, double x, double y, std::int32_t buttons = kLButton,
                    float distance = 0) {
        req::MouseEvent m{kind, buttons, x, y, distance};
        return dispatch(effVendorSpecific, kOurs, req::kMouse, &m);
    }
    std::unique_ptr<FakeEffect> effect;
    TestEditor* editor = nullptr;
};

TEST_F(EditorTest, OffscreenOpenTakesMouseAndSavesScreenshot) {
    EXPECT_EQ(dispatch(effVendorSpecific, kOurs, req::kScreenshot,
                       const_cast<char*>("/tmp/never.png")), 0);  // nothing open
    ASSERT_EQ(dispatch(effVendorSpecific, kOurs, req::kOpenOffscreen), 1);
    EXPECT_TRUE(editor->isOpen());
    EXPECT_TRUE(editor->isOffscreen());
    EXPECT_EQ(dispatch(effVendorSpecific, kOurs, req::kIsOffscreen), 1);
    ASSERT_NE(editor->getFrame(), nullptr);
    EXPECT_FALSE(editor->getFrame()->isWindowOpen());
    EXPECT_EQ(dispatch(effVendorSpecific, kOurs, req::kOpenOffscreen), 1);  // already open
    CFrame* first = editor->getFrame();
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, nullptr), 0);  // no second window over the first
    EXPECT_EQ(editor->getFrame(), first);

    dispatch(effSetEditKnobMode, 0, kLinearMode);
    EXPECT_EQ(editor->getKnobMode(), kLinearMode);
    EXPECT_EQ(mouse(0, 30, 30), 1 + kMouseEventHandled);
    EXPECT_EQ(mouse(2, 30, 10), 1 + kMouseEventHandled);
    EXPECT_EQ(mouse(1, 30, 10), 1 + kMouseEventHandled);
    EXPECT_NEAR(editor->knob->getValue(), 0.6f, 1e-5);
    ASSERT_EQ(hostEditCalls().size(), 2u);
    EXPECT_EQ(hostEditCalls()[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(hostEditCalls()[0].index, 5);
    EXPECT_EQ(hostEditCalls()[1].opcode, audioMasterEndEdit);

    // A tag that is no parameter index never reaches the host.
    hostEditCalls().clear();
    mouse(0, 80, 30);
    mouse(2, 80, 20);
    mouse(1, 80, 20);
    EXPECT_GT(editor->channelKnob->getValue(), 0.0f);
    EXPECT_TRUE(hostEditCalls().empty());
    EXPECT_EQ(editor->listener.kinds().front(), 'b');

    // Wheel through the editor's wheel entry, at the last mouse position.
    const float before = editor->channelKnob->getValue();
    EXPECT_TRUE(editor->onWheel(1.0f));
    EXPECT_NEAR(editor->channelKnob->getValue(), before + 0.1f, 1e-5);

    dispatch(effEditIdle);
    char path[] = "/tmp/lumdel-editor-XXXXXX.png";
    const int fd = mkstemps(path, 4);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(dispatch(effVendorSpecific, kOurs, req::kScreenshot, path), 1);
    cairo_surface_t* png = cairo_image_surface_create_from_png(path);
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 200);
    EXPECT_EQ(cairo_image_surface_get_height(png), 100);
    EXPECT_EQ(pixel(png, 190, 90), colourOf(0));  // the background
    cairo_surface_destroy(png);
    std::remove(path);

    EXPECT_EQ(dispatch(effVendorSpecific, kOurs, vstFourCC('?', '?', '?', '?')), 0);
    EXPECT_EQ(dispatch(effVendorSpecific, 0, req::kOpenOffscreen), 0);  // not ours
    dispatch(effEditClose);
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(dispatch(effVendorSpecific, kOurs, req::kIsOffscreen), 0);
    EXPECT_EQ(mouse(0, 30, 30), 0);
}

TEST_F(EditorTest, KeysGoToTheFocusedTextField) {
    ASSERT_EQ(dispatch(effVendorSpecific, kOurs, req::kOpenOffscreen), 1);
    auto* edit = new CTextEdit(CRect(0, 60, 100, 75), &editor->listener, 98, "x");
    editor->getFrame()->addView(edit);
    CKeyCode k{};
    k.character = 'a';
    EXPECT_FALSE(editor->onKeyDown(k));
    mouse(0, 10, 65);
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', 0), 1);
    EXPECT_EQ(dispatch(effEditKeyDown, 0, VKEY_RETURN), 1);
    EXPECT_EQ(edit->getTextString(), "xa");
    dispatch(effEditClose);
}

TEST(EditorTicks, CountMilliseconds) {
    const std::uint32_t start = AEffGUIEditor::getTicks();
    AEffGUIEditor::wait(30);
    const std::uint32_t elapsed = AEffGUIEditor::getTicks() - start;
    EXPECT_GE(elapsed, 29u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(GuiTool, SavesTheEditorOrSaysThereIsNone) {
    char path[] = "/tmp/lumdel-gui-XXXXXX.png";
    const int fd = mkstemps(path, 4);
    ASSERT_GE(fd, 0);
    close(fd);
    std::remove(path);
    const std::string command = std::string("env -u DISPLAY ") + LUMDEL_HOST_TOOL + " gui " +
                                LUMDEL_PLUGIN_PATH + " " + path + " 2>&1";
    const ToolRun run = runCommand(command);
    if (run.output.find("has no editor") != std::string::npos) {
        EXPECT_NE(run.exitCode, 0);
        return;
    }
    ASSERT_EQ(run.exitCode, 0) << run.output;
    cairo_surface_t* png = cairo_image_surface_create_from_png(path);
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 942);
    EXPECT_EQ(cairo_image_surface_get_height(png), 171);
    cairo_surface_destroy(png);
    std::remove(path);
}

}  // namespace
}  // namespace lumdel::test
