// The editor at 1.5x and 2x: the size the host is told, the pictures, the size menu over
// the logo (and the message box that shows there), the stored choice and the order in
// which LUMDEL_SCALE, the stored choice and the desktop decide the starting size.
#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "PanelFixture.h"
#include "core/ParameterTable.h"
#include "core/SettingsStore.h"
#include "presets/ScaleMenu.h"

namespace lumdel::test {
namespace {

namespace fs = std::filesystem;

// Keeps an environment variable for the test and puts it back afterwards.
class EnvSetting {
public:
    EnvSetting(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (old) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvSetting() {
        if (had_)
            setenv(name_.c_str(), old_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

private:
    std::string name_, old_;
    bool had_ = false;
};

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The panel with a settings folder of its own (so a stored size reaches no other test)
// and no LUMDEL_SCALE unless the test sets one.
class ScaledPanelTest : public PanelTest {
protected:
    void SetUp() override {
        config = fs::temp_directory_path() / ("lumdel-scale-" + std::to_string(getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(config);
        fs::create_directories(config);
        configEnv = std::make_unique<EnvSetting>("XDG_CONFIG_HOME", config.c_str());
        PanelTest::SetUp();
    }
    void TearDown() override {
        PanelTest::TearDown();
        configEnv.reset();
        fs::remove_all(config);
    }
    fs::path valueFile(const char* name) const { return config / "Orvtone" / "Lumdel" / name; }
    ERect* rect() {
        ERect* r = nullptr;
        host->dispatch(effEditGetRect, 0, 0, &r);
        return r;
    }

    fs::path config;
    std::unique_ptr<EnvSetting> configEnv;
    EnvSetting noForcedScale{"LUMDEL_SCALE", nullptr};
    EnvSetting noDesktop{"DISPLAY", nullptr};
    EnvSetting noGdkScale{"GDK_SCALE", nullptr};
};

TEST_F(ScaledPanelTest, ForcedScaleSizesTheRectangleTheFrameAndItsPicture) {
    for (const auto& [text, w, h] : {std::tuple<const char*, int, int>{"2", 1884, 342},
                                     {"1.5", 1413, 257}, {"1", 942, 171}, {"7", 1884, 342},
                                     {"nonsense", 942, 171}}) {
        EnvSetting forced("LUMDEL_SCALE", text);
        host.reset();
        PanelTest::SetUp();
        ERect* r = rect();  // asked before open, as hosts do
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->right - r->left, w) << text;
        EXPECT_EQ(r->bottom - r->top, h) << text;
        ASSERT_TRUE(openOffscreen()) << text;
        idle();
        cairo_surface_t* picture = frame()->renderToSurface();
        EXPECT_EQ(cairo_image_surface_get_width(picture), w) << text;
        EXPECT_EQ(cairo_image_surface_get_height(picture), h) << text;
        cairo_surface_destroy(picture);
        // Geometry stays in panel pixels: the frame and a knob keep their places.
        EXPECT_EQ(frame()->getViewSize(), CRect(0, 0, 942, 171)) << text;
        EXPECT_EQ(editor->control(kCutoff)->getViewSize(), CRect(678, 29, 713, 64)) << text;
        closeEditor();
    }
}

// A click in panel pixels reaches the same control at every scale, and a picture drawn
// at 2x shows the knob's frame with twice the pixels, not a copy of the 1x frame blown up.
TEST_F(ScaledPanelTest, AtTwoTheKnobTakesTheSameDragAndDrawsFromTheLargerArtwork) {
    EnvSetting forced("LUMDEL_SCALE", "2");
    host.reset();
    PanelTest::SetUp();
    ASSERT_TRUE(openOffscreen());
    idle();
    const float before = host->getParameter(2);
    down(447, 46);
    for (int y = 42; y >= 6; y -= 4) move(447, y, kLButton);
    up(447, 6);
    EXPECT_GT(host->getParameter(2), before + 0.1f);
    idle();
    cairo_surface_t* picture = frame()->renderToSurface();
    cairo_surface_flush(picture);
    // Somewhere on the knob, two neighbouring device pixels of one panel pixel differ:
    // only artwork drawn at 2x can do that.
    const unsigned char* data = cairo_image_surface_get_data(picture);
    const int stride = cairo_image_surface_get_stride(picture);
    auto at = [&](int x, int y) {
        return *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4) & 0xFFFFFF;
    };
    int finer = 0;
    for (int y = 2 * 29; y < 2 * 64; y += 2)
        for (int x = 2 * 428; x < 2 * 465; x += 2)
            if (at(x, y) != at(x + 1, y) || at(x, y) != at(x, y + 1)) ++finer;
    EXPECT_GT(finer, 100);
    cairo_surface_destroy(picture);
}

// A right click on the logo takes the message box away and opens the size menu; the
// choice is stored as "Scale" beside the other values (which it leaves alone), the
// window is rebuilt at the next idle and the host is asked for the new size.
TEST_F(ScaledPanelTest, SizeMenuOnTheLogoStoresTheChoiceAndResizesThroughTheHost) {
    ASSERT_TRUE(openOffscreen());
    idle();
    ASSERT_NE(editor->scaleMenu(), nullptr);
    move(593, 163);  // pointed at, the logo says what it offers
    idle();
    EXPECT_EQ(editor->railKeyHint(), "Right-click: size");
    click(593, 163);  // a left click opens nothing
    EXPECT_FALSE(editor->scaleMenu()->isPopupOpen());

    editor->showPanelMessage("install zenity or kdialog");
    ASSERT_NE(editor->messageBox(), nullptr);
    down(593, 163, kRButton);
    EXPECT_EQ(editor->messageBox(), nullptr);
    ASSERT_TRUE(editor->scaleMenu()->isPopupOpen());
    const int twoTimes = scale_choice::entryOfScale(2.0);
    editor->scaleMenu()->chooseEntry(twoTimes);
    EXPECT_EQ(readFile(valueFile(scale_choice::kValueName)), "2");
    // Nothing else was written.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(valueFile("")))
        if (entry.path().filename().string().find(".tmp") == std::string::npos) ++files;
    EXPECT_EQ(files, 1);

    idle();
    ASSERT_NE(frame(), nullptr);
    EXPECT_EQ(frame()->getScale(), 2.0);
    EXPECT_EQ(host->dispatch(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'),
                             lumdel::editor_request::kIsOffscreen),
              1);
    ASSERT_EQ(host->windowSizes.size(), 1u);
    EXPECT_EQ(host->windowSizes[0], std::make_pair(1884, 342));
    EXPECT_EQ(rect()->right, 1884);
    // The rebuilt strip shows the choice; choosing the same size again asks nothing.
    ASSERT_NE(editor->scaleMenu(), nullptr);
    EXPECT_EQ(editor->scaleMenu()->getCurrentIndex(), twoTimes);
    down(593, 163, kRButton);
    editor->scaleMenu()->chooseEntry(twoTimes);
    idle();
    EXPECT_EQ(host->windowSizes.size(), 1u);

    // A new instance starts at the stored size.
    host.reset();
    PanelTest::SetUp();
    EXPECT_EQ(rect()->right, 1884);
}

TEST(ScaleChoiceTest, ForcedThenStoredThenDesktop) {
    const fs::path dir = fs::temp_directory_path() / ("lumdel-scale-choice-" + std::to_string(getpid()));
    fs::remove_all(dir);
    const SettingsStore store(dir.string());
    static double desktop = 2.0;
    static int asked = 0;
    auto ask = [] {
        ++asked;
        return desktop;
    };
    {
        EnvSetting none("LUMDEL_SCALE", nullptr);
        EXPECT_EQ(scale_choice::startScale(store, ask), 2.0);  // nothing stored: the desktop
        EXPECT_EQ(asked, 1);
        ASSERT_TRUE(scale_choice::storeEntry(store, scale_choice::entryOfScale(1.5)));
        EXPECT_EQ(scale_choice::startScale(store, ask), 1.5);  // the stored choice
        EXPECT_EQ(asked, 1);                                    // without asking the desktop
        ASSERT_TRUE(scale_choice::storeEntry(store, scale_choice::kAutomatic));
        EXPECT_EQ(scale_choice::startScale(store, ask), 2.0);
    }
    {
        EnvSetting forced("LUMDEL_SCALE", "1");
        ASSERT_TRUE(scale_choice::storeEntry(store, scale_choice::entryOfScale(2.0)));
        EXPECT_EQ(scale_choice::startScale(store, ask), 1.0);
    }
    // Stored text that is no size counts as nothing stored.
    for (const char* junk : {"", "auto", "big", "-2", "nan"}) {
        ASSERT_TRUE(store.writeString(scale_choice::kValueName, junk));
        EXPECT_EQ(scale_choice::storedEntry(store), scale_choice::kAutomatic) << junk;
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace lumdel::test
