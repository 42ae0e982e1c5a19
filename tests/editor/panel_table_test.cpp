// The editor's side of the panel table: tags are unique (but for the two about edges),
// channel controls name a left/right pair of parameters, single controls a parameter
// index, and the lookups the readout and the edit brackets use find the right rows.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "editor/PanelTable.h"

namespace lumdel {
namespace {

std::string name(int index) { return kParams[index].name; }

TEST(PanelTable, TagsAreUniqueButForTheAboutEdges) {
    std::set<std::int32_t> tags;
    for (const PanelControl& row : kPanelControls) {
        if (row.control == panel::Control::AboutRight) continue;
        EXPECT_TRUE(tags.insert(row.tag).second) << "tag " << row.tag;
        EXPECT_GE(row.tag, 0);
        EXPECT_LT(row.tag, 98);  // from 98 up the tags are the preset strip's
    }
}

TEST(PanelTable, ChannelControlsShowALeftRightPair) {
    int pairs = 0;
    for (const PanelControl& row : kPanelControls) {
        if (row.pairLeft < 0) continue;
        ++pairs;
        const std::string l = name(row.pairLeft), r = name(row.pairLeft + 1);
        ASSERT_FALSE(l.empty());
        EXPECT_EQ(l.back(), 'L') << l;
        EXPECT_EQ(r, l.substr(0, l.size() - 1) + "R");
        // A channel control reports with an editor-only tag, never a parameter's.
        EXPECT_GE(row.tag, kNumParams) << l;
    }
    EXPECT_EQ(pairs, 10);
}

TEST(PanelTable, ControlsOfOneParameterReportWithItsIndex) {
    for (const PanelControl& row : kPanelControls) {
        if (row.tag >= kNumParams) continue;
        EXPECT_LT(row.pairLeft, 0);
        const panel::Kind kind = panel::place(row.control).kind;
        EXPECT_TRUE(kind == panel::Kind::Knob || kind == panel::Kind::Lamp ||
                    kind == panel::Kind::Switch || kind == panel::Kind::ShapeSelector ||
                    kind == panel::Kind::Slider)
            << name(row.tag);
    }
}

TEST(PanelTable, LookupsByTag) {
    EXPECT_EQ(channelKnobPair(panel_tag::kFbPan), kFbPanL);
    EXPECT_EQ(channelKnobPair(panel_tag::kFbGain), kFbGainL);
    EXPECT_EQ(channelKnobPair(panel_tag::kDlyPan), kDlyPanL);
    EXPECT_EQ(channelKnobPair(panel_tag::kDlyGate), kDlyGateL);
    // Lamps, switches and the slider of a pair are no knobs: their edits bracket nothing.
    EXPECT_EQ(channelKnobPair(panel_tag::kFbInv), -1);
    EXPECT_EQ(channelKnobPair(panel_tag::kDlyTime), -1);
    EXPECT_EQ(channelKnobPair(kCutoff), -1);
    EXPECT_EQ(channelKnobPair(999), -1);
    EXPECT_TRUE(isSingleKnob(kCutoff));
    EXPECT_TRUE(isSingleKnob(kDucking));
    EXPECT_FALSE(isSingleKnob(kLFORate));
    EXPECT_FALSE(isSingleKnob(kBypass));
    EXPECT_FALSE(isSingleKnob(panel_tag::kFbPan));
    EXPECT_EQ(panelControlByTag(panel_tag::kHelp).control, panel::Control::Help);
    EXPECT_EQ(panelControlByTag(-1).control, panel::Control::Count);
}

}  // namespace
}  // namespace lumdel
