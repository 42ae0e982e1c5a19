// The side edges and the rear panel on an offscreen frame.
#include "editor/CAbout.h"
#include "editor/CHelp.h"
#include "editor/CHelpView.h"
#include "editor/CSplashScreenMyView.h"
#include "toolkit/ToolkitTestSupport.h"

namespace lumdel::test {
namespace {

struct AboutRig {
    AboutRig() : frame(942, 171) {
        rear = makeStrip(1, 942, 171);
        left = new CAbout(CRect(2, 2, 21, 153), &listener, 82, rear, CRect(0, 0, 942, 171),
                          CPoint(0, 0), CPoint(740, 70));
        frame->addView(left);
    }
    ~AboutRig() { rear->forget(); }
    cairo_surface_t* render() { return frame->renderToSurface(); }

    TestFrame frame;
    RecordingListener listener;
    CBitmap* rear;
    CAbout* left;
};

// Text drawn in white over the plain rear panel: much brighter in every channel.
bool isText(std::uint32_t p) {
    const std::uint32_t back = colourOf(0);
    for (int shift : {0, 8, 16})
        if (static_cast<int>((p >> shift) & 255) < static_cast<int>((back >> shift) & 255) + 25)
            return false;
    return true;
}

TEST(AboutOverlay, ClickShowsTheRearPanelWithTheVersionAndAClickCloses) {
    AboutRig rig;
    EXPECT_TRUE(rig.left->isTypeOf("CSplashScreen"));
    down(rig.frame.frame, 10, 80, kRButton);
    EXPECT_EQ(rig.frame->getModalView(), nullptr);

    down(rig.frame.frame, 10, 80);
    up(rig.frame.frame, 10, 80, 0);
    CView* view = rig.frame->getModalView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isTypeOf("CSplashScreenMyView"));
    EXPECT_TRUE(view->isTypeOf("CControl"));
    EXPECT_EQ(view->getViewSize(), CRect(0, 0, 942, 171));
    EXPECT_EQ(rig.left->getValue(), 1.0f);

    // The rear panel, with white version text inside (740, 70)-(840, 85) and nowhere else.
    cairo_surface_t* s = rig.render();
    int whiteInside = 0, whiteOutside = 0;
    for (int y = 60; y < 95; ++y)
        for (int x = 720; x < 860; ++x) {
            const bool inside = x >= 740 && x < 840 && y >= 70 && y < 85;
            if (isText(pixel(s, x, y))) ++(inside ? whiteInside : whiteOutside);
        }
    EXPECT_GT(whiteInside, 20);
    EXPECT_EQ(whiteOutside, 0);
    EXPECT_EQ(pixel(s, 100, 100), colourOf(0));
    cairo_surface_destroy(s);

    // The right button on the rear panel does nothing; the left closes it.
    down(rig.frame.frame, 400, 100, kRButton);
    EXPECT_EQ(rig.frame->getModalView(), view);
    down(rig.frame.frame, 400, 100);
    up(rig.frame.frame, 400, 100, 0);
    EXPECT_EQ(rig.frame->getModalView(), nullptr);
    EXPECT_EQ(rig.left->getValue(), 0.0f);

    // And it opens again.
    down(rig.frame.frame, 10, 80);
    EXPECT_NE(rig.frame->getModalView(), nullptr);
    EXPECT_EQ(rig.left->getValue(), 1.0f);
}

TEST(AboutOverlay, OnlyOneOverlayAtATime) {
    AboutRig rig;
    CBitmap* pages = makeStrip(8, 942, 155);
    CBitmap* button = makeStrip(3, 11, 9);
    auto* help = new CHelp(CRect(921, 158, 932, 167), nullptr, 97, pages, button);
    rig.frame->addView(help);
    pages->forget();
    button->forget();
    down(rig.frame.frame, 925, 162);
    ASSERT_NE(help->getHelpView(), nullptr);
    // The side edge cannot take the frame while help is open.
    CPoint edge(10, 80);
    rig.left->onMouseDown(edge, kLButton);
    EXPECT_EQ(rig.frame->getModalView(), static_cast<CView*>(help->getHelpView()));
    EXPECT_EQ(rig.left->getValue(), 0.0f);
}

}  // namespace
}  // namespace lumdel::test
