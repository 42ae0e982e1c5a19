// File dialogs through the real Lumdel.so, with stand-in dialog tools first on PATH: the
// host's idle calls return while a tool hangs, floods or leaves its pipe open; the
// other controls keep working; a second dialog is refused; and closing the editor or
// the effect from another thread ends the tool, with nothing used after it is freed
// (the sanitizer build checks that). The longest idle call is printed as a figure.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "PluginFixture.h"
#include "StandInTools.h"
#include "TempFolders.h"
#include "core/PresetImages.h"
#include "shell/Orv.h"
#include "toolkit/vstgui.h"

namespace lumdel::test {
namespace {

using Clock = std::chrono::steady_clock;

double& longestIdleMs() {
    static double longest = 0;
    return longest;
}

class FileDialogPluginTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() {
        std::printf("[ figure   ] longest idle call with a dialog open: %.3f ms\n",
                    longestIdleMs());
    }
    void SetUp() override {
        ASSERT_TRUE(pluginLibrary().ok()) << pluginLibrary().error();
        ASSERT_TRUE(host.load(pluginLibrary())) << host.error();
        host.start();
        ASSERT_EQ(host.dispatch(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'),
                                editor_request::kOpenOffscreen),
                  1);
    }

    void mouse(int kind, int buttons, double x, double y) {
        editor_request::MouseEvent event{kind, buttons, x, y, 0.0f};
        host.dispatch(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'), editor_request::kMouse,
                      &event);
    }
    void click(double x, double y) {
        mouse(0, kLButton, x, y);
        mouse(1, 0, x, y);
    }
    void clickLoadPreset() { click(187, 163); }
    void idle() {
        const auto t0 = Clock::now();
        host.dispatch(effEditIdle);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        longestIdleMs() = std::max(longestIdleMs(), ms);
    }
    // Idles every 5 ms, n times or until done() holds.
    template <typename Done>
    void idleUntil(int n, Done done) {
        for (int i = 0; i < n && !done(); ++i) {
            idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    std::string programName() {
        char name[64] = {};
        host.dispatch(effGetProgramName, 0, 0, name);
        return name;
    }
    // The first tool's process id, once it has started.
    pid_t firstTool() {
        const std::vector<pid_t> pids = tools.waitForPids(1);
        return pids.empty() ? -1 : pids[0];
    }

    TempConfigHome config;  // before the plug-in, which reads its settings when created
    StandInTools tools;
    host::Host host;
};

TEST_F(FileDialogPluginTest, HangingToolNeitherHoldsTheHostNorOutlivesTheEditor) {
    tools.hanging("zenity");
    clickLoadPreset();
    const pid_t tool = firstTool();
    ASSERT_GT(tool, 0);
    idleUntil(100, [] { return false; });
    EXPECT_TRUE(StandInTools::alive(tool));  // every idle returned while it ran

    click(187, 163);  // a second dialog is refused while one is open
    click(95, 163);
    idleUntil(20, [] { return false; });
    EXPECT_EQ(tools.pids().size(), 1u);

    click(368, 162);  // the step switch works meanwhile
    idle();
    EXPECT_EQ(programName(), "Cirrostratus");

    std::thread closer([this] { host.dispatch(effEditClose); });
    closer.join();
    EXPECT_FALSE(StandInTools::alive(tool));
    idle();  // a closed editor idles without trouble
    EXPECT_EQ(programName(), "Cirrostratus");
}

TEST_F(FileDialogPluginTest, ClosingTheEffectFromAnotherThreadEndsTheTool) {
    tools.hanging("zenity");
    click(44, 163);  // save bank
    const pid_t tool = firstTool();
    ASSERT_GT(tool, 0);
    idleUntil(20, [] { return false; });
    ASSERT_TRUE(StandInTools::alive(tool));
    std::thread closer([this] { host.close(); });
    closer.join();
    EXPECT_FALSE(StandInTools::alive(tool));
}

TEST_F(FileDialogPluginTest, FloodingToolIsEndedAndLoadsNothing) {
    tools.flooding("zenity");
    clickLoadPreset();
    const pid_t tool = firstTool();
    ASSERT_GT(tool, 0);
    idleUntil(2000, [tool] { return !StandInTools::alive(tool); });
    EXPECT_FALSE(StandInTools::alive(tool));
    EXPECT_EQ(programName(), "Default");
}

TEST_F(FileDialogPluginTest, AnswerIsTakenWhileAGrandchildKeepsThePipeOpen) {
    std::vector<unsigned char> image(kPresetImageSize);
    {
        Orv source(nullptr);
        source.setCurrentPreset(24);
        makePresetImage(source.presetStore(), image.data());
    }
    const std::string path = tools.file("ping pong.orv");
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(image.data(), 1, image.size(), file);
    std::fclose(file);

    tools.leavingPipeOpen("zenity", path);
    clickLoadPreset();
    idleUntil(2000, [this] { return programName() == "Ping Pong"; });
    EXPECT_EQ(programName(), "Ping Pong");
}

}  // namespace
}  // namespace lumdel::test
