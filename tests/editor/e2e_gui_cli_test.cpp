// lumdel-host gui with the real plug-in, offscreen: the options change what is saved,
// bad options are refused.
#include <gtest/gtest.h>

#include <cairo.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "TempFolders.h"

namespace lumdel::e2e {
namespace {

using test::artefactPath;

int runGui(const std::string& out, const std::string& options) {
    // Leaks of the system's font and drawing libraries at exit are not the tool's answer.
    const std::string command = std::string("ASAN_OPTIONS=detect_leaks=0 '") + LUMDEL_HOST_TOOL + "' gui --offscreen '" +
                                LUMDEL_PLUGIN_PATH + "' '" + out + "' " + options +
                                " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Pixels that differ between two saved pictures inside a rectangle; -1 if unreadable.
int difference(const std::string& a, const std::string& b, int x0, int y0, int x1, int y1) {
    cairo_surface_t* sa = cairo_image_surface_create_from_png(a.c_str());
    cairo_surface_t* sb = cairo_image_surface_create_from_png(b.c_str());
    int n = -1;
    if (cairo_surface_status(sa) == CAIRO_STATUS_SUCCESS &&
        cairo_surface_status(sb) == CAIRO_STATUS_SUCCESS) {
        n = 0;
        const unsigned char* da = cairo_image_surface_get_data(sa);
        const unsigned char* db = cairo_image_surface_get_data(sb);
        const int stride = cairo_image_surface_get_stride(sa);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (*reinterpret_cast<const std::uint32_t*>(da + y * stride + 4 * x) !=
                    *reinterpret_cast<const std::uint32_t*>(db + y * stride + 4 * x))
                    ++n;
    }
    cairo_surface_destroy(sa);
    cairo_surface_destroy(sb);
    return n;
}

TEST(GuiCommand, OptionsShowPresetRearPanelHelpAndChannel) {
    const std::string plain = artefactPath("gui-plain.png");
    const std::string preset = artefactPath("gui-preset12.png");
    const std::string about = artefactPath("gui-about.png");
    const std::string help = artefactPath("gui-help.png");
    const std::string right = artefactPath("gui-right.png");
    ASSERT_EQ(runGui(plain, ""), 0);
    ASSERT_EQ(runGui(preset, "--preset 12"), 0);
    ASSERT_EQ(runGui(about, "--about"), 0);
    ASSERT_EQ(runGui(help, "--help 850,60"), 0);
    ASSERT_EQ(runGui(right, "--right --hover 470,140"), 0);
    // The preset name field changes with the preset.
    EXPECT_GT(difference(plain, preset, 210, 157, 322, 169), 20);
    // The rear panel and the help page cover the panel.
    EXPECT_GT(difference(plain, about, 30, 10, 910, 150), 50000);
    EXPECT_GT(difference(plain, help, 30, 10, 910, 150), 50000);
    // The RIGHT button lights.
    EXPECT_GT(difference(plain, right, 63, 15, 75, 139), 50);
}

TEST(GuiCommand, BadOptionsAreRefused) {
    const std::string out = artefactPath("gui-refused.png");
    EXPECT_EQ(runGui(out, "--preset 61"), 2);
    EXPECT_EQ(runGui(out, "--preset x"), 2);
    EXPECT_EQ(runGui(out, "--hover 10"), 2);
    EXPECT_EQ(runGui(out, "--help"), 2);
    EXPECT_EQ(runGui(out, "--bogus"), 2);
}

}  // namespace
}  // namespace lumdel::e2e
