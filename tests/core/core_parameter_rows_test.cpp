// The parameter rows against each other and against the engine: a left row and its
// right partner describe the same thing; the words and note tables have one entry per
// step; and a row that says it glides writes a smoothed setting, one that says it snaps
// writes none.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "LoopbackHost.h"
#include "core/ParameterTable.h"
#include "core/PluginCore.h"

using namespace lumdel;

namespace {

bool isCurve(Curve c) { return c != Curve::Named && c != Curve::Stored && c != Curve::Steps; }

// Every smoothed setting: its target and the value the block glides.
std::vector<double> smoothers(const EngineState& e) {
    std::vector<double> all;
    Glides::forEach(e, e, [&](const Smoothed<double>& s, const Smoothed<double>&) {
        all.push_back(s.target);
        all.push_back(s.value);
    });
    ChannelGlides::forEach(e.channels, e.channels,
                           [&](const Smoothed<Stereo>& s, const Smoothed<Stereo>&) {
                               for (int c : {kLeft, kRight}) {
                                   all.push_back(s.target[c]);
                                   all.push_back(s.value[c]);
                               }
                           });
    return all;
}

}  // namespace

TEST(ParameterRows, PartnersAndTablesAgree) {
    for (int i = 0; i < kNumParams; ++i) {
        const ParamInfo& p = kParams[i];
        SCOPED_TRACE(p.name);
        if (p.channel.partner >= 0) {
            const ParamInfo& q = kParams[p.channel.partner];
            EXPECT_EQ(q.channel.partner, i);
            EXPECT_EQ(p.channel.line + q.channel.line, 1);
            EXPECT_EQ(p.channel.pairing, q.channel.pairing);
            const std::string a = p.name, b = q.name;
            EXPECT_EQ(a.substr(0, a.size() - 1), b.substr(0, b.size() - 1));
            EXPECT_EQ(a.back(), p.channel.line == kLeft ? 'L' : 'R');
            EXPECT_EQ(p.kind, q.kind);
            EXPECT_EQ(p.steps, q.steps);
            EXPECT_EQ(p.apply.curve, q.apply.curve);
            EXPECT_EQ(p.apply.after, q.apply.after);
            EXPECT_EQ(p.display.format, q.display.format);
            EXPECT_EQ(p.readout.rule, q.readout.rule);
        } else {
            EXPECT_EQ(p.channel.pairing, Pairing::None);
        }
        // One word or note per step, so no step shows another's text.
        const Format f = p.display.format;
        if ((f == Format::Words && p.kind != ParamKind::Legacy) || f == Format::Note) {
            EXPECT_EQ(p.display.entries, p.steps);
        }
        if (p.apply.curve == Curve::Steps) {
            EXPECT_GT(p.steps, 1);
            EXPECT_NE(p.apply.step, nullptr);
        }
        if (p.readout.rule == ReadRule::Fraction) {
            EXPECT_EQ(kParams[p.readout.numerator].display.format, Format::Note);
            EXPECT_EQ(kParams[p.readout.denominator].display.format, Format::Note);
        }
    }
}

TEST(ParameterRows, GlidingRowsWriteASmoothedTargetAndSnappingRowsNone) {
    LoopbackHost host;
    auto core = std::make_unique<PluginCore>(host);
    for (int i = 0; i < kNumParams; ++i)
        core->applyParameter(i, static_cast<float>(kParams[i].preset0));
    for (int i = 0; i < kNumParams; ++i) {
        const ParamInfo& p = kParams[i];
        if (!isCurve(p.apply.curve)) continue;
        SCOPED_TRACE(p.name);
        core->applyParameter(i, 0.0f);
        const std::vector<double> before = smoothers(core->engineState());
        core->applyParameter(i, 1.0f);
        const std::vector<double> after = smoothers(core->engineState());
        int targets = 0, values = 0;
        for (std::size_t k = 0; k < before.size(); ++k) {
            if (std::memcmp(&before[k], &after[k], sizeof(double)) == 0) continue;
            (k % 2 == 0 ? targets : values) += 1;
        }
        EXPECT_EQ(values, 0);  // the block glides, never the parameter code
        EXPECT_EQ(targets, p.apply.motion == Motion::Glides ? 1 : 0);
    }
}
