// The about and help overlays in the real editor, opened offscreen.
#include <cairo.h>

#include "editor/CHelpView.h"
#include "editor/CSplashScreenMyView.h"
#include "core/ParameterTable.h"
#include "strip_rig.h"

namespace lumdel::striptest {
namespace {

TEST(EditorOverlays, SideEdgesShowTheRearPanelAndAClickCloses) {
    TempConfigHome config;
    StripRig rig;
    ASSERT_TRUE(rig.open());
    for (double x : {10.0, 930.0}) {
        rig.click(x, 80);
        rig.idle();
        CView* modal = rig.frame()->getModalView();
        ASSERT_NE(modal, nullptr) << x;
        EXPECT_TRUE(modal->isTypeOf("CSplashScreenMyView"));
        // What the frame shows is the rear panel with the version (bright text in the
        // dark window at (740, 70)-(840, 85)).
        cairo_surface_t* shown = rig.frame()->renderToSurface();
        cairo_surface_flush(shown);
        const unsigned char* data = cairo_image_surface_get_data(shown);
        const int stride = cairo_image_surface_get_stride(shown);
        int bright = 0;
        for (int y = 70; y < 85; ++y)
            for (int px = 740; px < 840; ++px) {
                const std::uint32_t c = *reinterpret_cast<const std::uint32_t*>(data + y * stride + px * 4);
                if (((c >> 16) & 255) > 200 && ((c >> 8) & 255) > 200 && (c & 255) > 200) ++bright;
            }
        cairo_surface_destroy(shown);
        EXPECT_GT(bright, 10) << x;
        rig.click(400, 80, kRButton);
        EXPECT_EQ(rig.frame()->getModalView(), modal);
        rig.click(400, 80);
        rig.idle();
        EXPECT_EQ(rig.frame()->getModalView(), nullptr);
    }
    // Closing the editor with the rear panel shown releases it.
    rig.click(10, 80);
    ASSERT_NE(rig.frame()->getModalView(), nullptr);
    rig.close();
    EXPECT_EQ(rig.frame(), nullptr);
}

TEST(EditorOverlays, HelpFadesOnTheEditorsIdleAndHidesTheControllerName) {
    TempConfigHome config;
    StripRig rig;
    ASSERT_TRUE(rig.open());
    rig.fx->setMidiAssignment(kCutoff, 74);
    rig.click(926, 162);
    rig.idle();
    auto* view = dynamic_cast<CHelpView*>(rig.frame()->getModalView());
    ASSERT_NE(view, nullptr);
    rig.move(850, 60);
    EXPECT_EQ(view->page(), 6);
    EXPECT_EQ(view->fadeRemaining(), 500);
    for (int i = 0; i < 40 && view->fadeRemaining() > 0; ++i) {
        AEffGUIEditor::wait(20);
        rig.idle();
    }
    EXPECT_EQ(view->fadeRemaining(), 0);
    // Over the overlay no parameter is under the mouse, even above the Cutoff knob.
    CControl* cutoff = rig.controlWithTag(kCutoff);
    ASSERT_NE(cutoff, nullptr);
    const CPoint p = StripRig::centre(cutoff);
    rig.move(p.h, p.v);
    rig.idle();
    EXPECT_EQ(rig.controllerText(), "");
    rig.click(p.h, p.v);
    EXPECT_EQ(rig.frame()->getModalView(), nullptr);
    rig.move(p.h, p.v);
    rig.idle();
    EXPECT_EQ(rig.controllerText(), "brightness");
}

}  // namespace
}  // namespace lumdel::striptest
