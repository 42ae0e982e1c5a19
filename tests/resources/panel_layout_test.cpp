// The panel table's geometry: every control sits in the section whose help page it
// belongs to, fits its bitmap, and stays inside the panel; the sections leave no column
// of the plate without a help page; the preset keys lie on the rail without overlapping.
#include <gtest/gtest.h>

#include <set>

#include "resources/PanelLayout.h"

namespace lumdel::panel {
namespace {

bool overlap(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(PanelLayout, EveryControlLiesInItsOwnSection) {
    for (const Place& p : kPlaces) {
        EXPECT_EQ(sectionAt(p.rect.centreX(), p.rect.centreY()), p.section)
            << "control " << static_cast<int>(p.control);
        EXPECT_GE(p.rect.left, 0);
        EXPECT_GE(p.rect.top, 0);
        EXPECT_LE(p.rect.right, kWidth);
        EXPECT_LE(p.rect.bottom, kHeight);
        EXPECT_GT(p.rect.width(), 0);
        EXPECT_GT(p.rect.height(), 0);
    }
}

TEST(PanelLayout, ControlsFitTheirBitmaps) {
    for (const Place& p : kPlaces) {
        const BitmapSpec s = spec(p.bitmap);
        SCOPED_TRACE(static_cast<int>(p.control));
        switch (p.kind) {
            case Kind::Knob: {
                // The frame, less its source offset, covers the draw rectangle, which lies
                // inside the control.
                const Rect d = knobDrawRect(p);
                EXPECT_EQ(s.frames, 101);
                EXPECT_LE(d.width() + kKnobSourceOffset, s.width);
                EXPECT_LE(d.height() + kKnobSourceOffset, s.frameHeight());
                EXPECT_TRUE(d.left > p.rect.left && d.right < p.rect.right);
                EXPECT_TRUE(d.top > p.rect.top && d.bottom < p.rect.bottom);
                break;
            }
            case Kind::Switch:
                // Two or three positions; the rectangle may be wider than the bitmap.
                EXPECT_EQ(p.rect.height(), s.frameHeight());
                EXPECT_GE(p.rect.width(), s.width);
                EXPECT_TRUE(s.frames == 2 || s.frames == 3);
                break;
            case Kind::Slider:
                EXPECT_EQ(p.bitmap, Bitmap::None);
                break;
            case Kind::About:
                EXPECT_EQ(p.bitmap, Bitmap::RearPanel);
                break;
            default:
                EXPECT_EQ(p.rect.width(), s.width);
                EXPECT_EQ(p.rect.height(), s.frameHeight());
                break;
        }
    }
}

TEST(PanelLayout, BitmapsSplitIntoWholeFrames) {
    for (const BitmapSpec& s : kBitmaps) {
        EXPECT_EQ(s.height % s.frames, 0) << id(s.bitmap);
        EXPECT_GT(s.width, 0) << id(s.bitmap);
    }
    EXPECT_EQ(spec(Bitmap::HelpPages).frames, kNumHelpPages);
    EXPECT_EQ(spec(Bitmap::HelpPages).frameHeight(), kPlateHeight);
    EXPECT_EQ(spec(Bitmap::FrontPanel).width, kWidth);
    EXPECT_EQ(spec(Bitmap::FrontPanel).height, kHeight);
    EXPECT_EQ(spec(Bitmap::None).width, 0);
}

TEST(PanelLayout, SectionsCoverThePlateWithoutGaps) {
    std::set<HelpPage> seen;
    for (int x = -5; x < kWidth + 5; ++x) {
        for (int y : {0, kSectionSplit - 1, kSectionSplit, kRailCaptionTop - 1, kRailCaptionTop,
                      kPlateHeight - 1}) {
            const HelpPage page = sectionAt(x, y);
            EXPECT_NE(page, HelpPage::General) << x << ", " << y;
            seen.insert(page);
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kNumHelpPages - 1));
    // The columns of each half belong to one section only.
    for (int x = 0; x < kWidth; ++x) {
        int upper = 0, lower = 0, rail = 0;
        for (const Section& s : kSections) {
            upper += s.upper.contains(x);
            lower += s.lower.contains(x);
            rail += s.rail.contains(x);
        }
        EXPECT_EQ(upper, 1) << x;
        EXPECT_EQ(lower, 1) << x;
        EXPECT_EQ(rail, 1) << x;
        // The band of the rail's captions is the rail's, across the plate.
        EXPECT_EQ(sectionAt(x, kRailCaptionTop), HelpPage::Edges) << x;
    }
}

TEST(PanelLayout, ReadoutAreasCoverTheirControls) {
    EXPECT_TRUE(kModTimingArea.contains(place(Control::LfoRate).rect.centreX(),
                                        place(Control::LfoRate).rect.centreY()));
    EXPECT_TRUE(kMainTimeArea.contains(place(Control::DlyTime).rect.centreX(),
                                       place(Control::DlyTime).rect.centreY()));
    EXPECT_TRUE(kPreDelayArea.contains(place(Control::PreNum).rect.centreX(),
                                       place(Control::PreNum).rect.centreY()));
    EXPECT_FALSE(overlap(kMainTimeArea, kPreDelayArea));
}

TEST(PanelLayout, PresetKeysLieOnTheRailApart) {
    for (const StripPlace& a : kStrip) {
        SCOPED_TRACE(static_cast<int>(a.control));
        EXPECT_GE(a.rect.top, kPlateHeight);
        EXPECT_LE(a.rect.bottom, kHeight);
        if (a.bitmap != Bitmap::None) {
            EXPECT_EQ(a.rect.width(), spec(a.bitmap).width);
            EXPECT_EQ(a.rect.height(), spec(a.bitmap).frameHeight());
        }
        for (const StripPlace& b : kStrip) {
            if (&a == &b) continue;
            EXPECT_FALSE(overlap(a.rect, b.rect)) << static_cast<int>(b.control);
        }
    }
}

}  // namespace
}  // namespace lumdel::panel
