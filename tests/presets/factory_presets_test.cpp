// The factory bank: names, the reference rows, and the design rules of every row.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "PluginFixture.h"
#include "core/FactoryPresets.h"
#include "core/ParameterTable.h"

namespace {

using lumdel::kFactoryPresets;
using lumdel::kParams;

const char* const kNames[61] = {
    "Default", "Cirrostratus", "Nagual", "Studio One",
    "Bitch Slap", "El Dorado", "Solaris", "Oracle",
    "Up In Smoke", "Lullaby For A Robot", "Atomizer", "Fasttrack",
    "Exosphere", "Octachoron", "Close Encounter", "Cotton Wool",
    "Vertigo", "Raptures Of The Deep", "Stalker", "Bumper",
    "Airpeggiator", "Hanging Rock", "Wormhole", "Illumination",
    "Ping Pong", "Hadron Collider", "Parasite", "Pressure",
    "Delirium Tremens", "Desolation", "Mirage", "Descent",
    "Let It Flow", "Aurora Borealis", "Meta Flanger", "Patagonia",
    "Asa Nisi Masa", "Sauropod", "Silicon Soul", "Twin Brothers",
    "Backdraft", "Daydreaming", "Dirty Harry", "Cisterna Magna",
    "Silver Gate", "Primal Soup", "Orbitoclast", "Crystalline",
    "Master And Servant", "Out To Lunch", "Xibalba", "Albedo",
    "Gamma Ray", "Rub A Dub", "Short Circuit", "Great Attractor",
    "Acid Reflux", "Big Eye", "Fight Or Flight", "Beyond The Stars",
    "Bass Drone",
};

// Reference rows, as published to six significant digits: parameter, then "Default", "Cirrostratus", "Ping Pong", "Bass Drone".
const double kReference[60][4] = {
    {0.5, 0.502083, 0.5, 0.4985},
    {0.5, 0.565, 0.58, 0.62},
    {0.5, 0.344167, 0.36, 0.62},
    {0, 0.24, 0.09, 0.165},
    {0, 0.24, 0.09, 0.3365},
    {0, 0.545, 0, 0.968},
    {1, 0.455, 1, 0},
    {0.25, 0.25, 0.25, 0.25},
    {0.25, 0.25, 0.25, 0.25},
    {0.1, 0.1, 0.1, 0.1},
    {0.5, 0.5, 0.5, 0.057525},
    {0.5, 0.5, 0.5, 0.525},
    {0.5, 0.06, 1, 0.2085},
    {0.5, 0.29, 0.5, 0.654},
    {0.166667, 0, 0.166667, 1},
    {1, 0.440914, 1, 0.3875},
    {0, 0, 0, 0.492443},
    {0.5, 0.5, 0.5, 0.5},
    {0.5, 0.5, 0.5, 0.495},
    {0.25, 0.25, 0.25, 0.25},
    {0.25, 0.25, 0.25, 0.25},
    {0, 0.5, 0, 0.025},
    {0.5, 0.43, 0.34, 0.805},
    {0.166667, 1, 0.166667, 0.5},
    {1, 0.75, 1, 0.75},
    {1, 0.75, 1, 0.75},
    {0.1, 0.3, 0.1, 0.1},
    {0.1, 0.3, 0.1, 0.1},
    {0.269231, 0.576923, 0.269231, 0.346154},
    {0.269231, 0.576923, 0.269231, 0.269231},
    {0.833334, 0.5, 0.833334, 0.5},
    {0.833334, 0.5, 0.833334, 0.5},
    {0.5, 0.5, 0.5, 0.5},
    {0.1, 0.1, 0.1, 0.3},
    {0, 0.115385, 0, 0},
    {0.4, 0.375, 0.4, 0.542},
    {0.4, 0.375, 0.4, 0.361},
    {0, 0, 0, 0},
    {0, 0, 0, 1},
    {0, 0.1, 0, 0.3},
    {0.5, 0.5, 0.5, 0.435},
    {0, 0.25, 0.25, 0.25},
    {0, 0.75, 0, 0.5},
    {0, 0, 0, 0},
    {0, 0, 0, 0.5},
    {1, 0.25, 0.25, 0.25},
    {0, 0.25, 0, 0.25},
    {0.5, 0.52, 0.5, 0.93},
    {0, 0, 0, 0},
    {1, 1, 1, 1},
    {0, 0.191389, 0, 0.235},
    {0, 0.191389, 0, 0.235},
    {1, 1, 0.39, 0.25},
    {0.5, 0.81, 0.5, 0.485},
    {0, 0.083333, 0.25, 0.083333},
    {0, 0.25, 0.083333, 0},
    {0.115385, 0.192308, 0.115385, 0.115385},
    {0.115385, 0.192308, 0.115385, 0.115385},
    {0, 0, 0, 0},
    {0, 0, 0, 0},
};

bool isReferenceRow(int k) { return k == 0 || k == 1 || k == 24 || k == 60; }

int stepsOf(int param) {
    switch (kParams[param].kind) {
        case lumdel::ParamKind::Stepped:
        case lumdel::ParamKind::Switch:
            return kParams[param].steps;
        case lumdel::ParamKind::ThresholdSwitch:
        case lumdel::ParamKind::Legacy:
            return 2;
        default:
            return 0;
    }
}

// Peak gain of the state-variable filter at resonance q, by response type.
double filterPeak(int type, double q) {
    q = std::min(std::max(q, 0.05), 1.0);
    const double d = 2.0 * (1.0 - std::pow(q, 0.25));
    if (d <= 1e-9) return INFINITY;
    if (type == 1) return d < 1.0 ? 1.0 / d : 1.0;
    return d < std::sqrt(2.0) ? 1.0 / (d * std::sqrt(1.0 - d * d / 4.0)) : 1.0;
}

TEST(FactoryPresets, NamesInOrder) {
    for (int k = 0; k < 61; ++k) {
        EXPECT_STREQ(kFactoryPresets[k].name, kNames[k]) << k;
        EXPECT_LT(std::strlen(kFactoryPresets[k].name), 24u);
    }
}

TEST(FactoryPresets, ReferenceRowsAsTabled) {
    const int rows[4] = {0, 1, 24, 60};
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 60; ++i)
            EXPECT_NEAR(kFactoryPresets[rows[c]].values[i], kReference[i][c], 5e-7)
                << kNames[rows[c]] << " parameter " << i;
    // "Default" is the parameter table's starting point.
    for (int i = 0; i < 60; ++i)
        EXPECT_FLOAT_EQ(static_cast<float>(kFactoryPresets[0].values[i]),
                        static_cast<float>(kParams[i].preset0))
            << i;
}

TEST(FactoryPresets, DesignedRowsFollowTheRules) {
    for (int k = 0; k < 61; ++k) {
        if (isReferenceRow(k)) continue;
        SCOPED_TRACE(kNames[k]);
        const double* v = kFactoryPresets[k].values;
        for (int i = 0; i < 60; ++i) {
            EXPECT_GE(v[i], 0.0) << i;
            EXPECT_LE(v[i], 1.0) << i;
            if (int n = stepsOf(i)) {
                const int step = lumdel::toStep(static_cast<float>(v[i]), n);
                EXPECT_NEAR(v[i], (step + 0.5) / n, 1e-12) << "parameter " << i << " off centre";
            }
        }
        // The legacy switches only force what the preset does not use.
        EXPECT_EQ(v[43] > 0.5, v[lumdel::kDrive] > 0.0);
        EXPECT_EQ(v[44] > 0.5, v[lumdel::kCutfMod] != 0.5);
        EXPECT_LT(v[lumdel::kBypass], 0.5);

        // Runaway feedback: the larger gain times the peak of a filter in the loop.
        double loop = std::max(v[lumdel::kFbGainL], v[lumdel::kFbGainR]);
        const bool filterInLoop = v[lumdel::kFltOn] > 0.5 && lumdel::toStep(static_cast<float>(v[lumdel::kFltMode]), 3) == 1;
        if (filterInLoop) {
            const double q = v[lumdel::kReso] + std::fabs(v[lumdel::kResoMod] - 0.5) * 2.0;
            loop *= filterPeak(lumdel::toStep(static_cast<float>(v[lumdel::kFltType]), 3), q);
        }
        EXPECT_LT(loop, 0.95);
    }
}

TEST(FactoryPresets, EveryRowIsDistinct) {
    for (int a = 0; a < 61; ++a)
        for (int b = a + 1; b < 61; ++b) {
            int differing = 0;
            for (int i = 0; i < 60; ++i)
                if (std::fabs(kFactoryPresets[a].values[i] - kFactoryPresets[b].values[i]) > 1e-6)
                    ++differing;
            EXPECT_GE(differing, 8) << kNames[a] << " / " << kNames[b];
        }
}

class FactoryBankTest : public lumdel::test::PluginTest {};

TEST_F(FactoryBankTest, NewInstanceHoldsTheBankRoundedToFloat) {
    void* data = nullptr;
    ASSERT_EQ(host->dispatch(effGetChunk, 0, 0, &data), 16376);
    const auto* chunk = static_cast<const unsigned char*>(data);
    for (int k = 0; k < 61; ++k) {
        const unsigned char* record = chunk + 32 + 264 * k;
        EXPECT_STREQ(reinterpret_cast<const char*>(record), kNames[k]);
        for (int i = 0; i < 60; ++i) {
            float stored;
            std::memcpy(&stored, record + 24 + 4 * i, 4);
            EXPECT_EQ(stored, static_cast<float>(kFactoryPresets[k].values[i])) << k << "/" << i;
        }
    }
    // Preset 0 is applied: the parameters answer its values.
    for (int i = 0; i < 60; ++i) {
        if (i == lumdel::kDlyTimeL || i == lumdel::kDlyTimeR || i == lumdel::kLegacyDrive ||
            i == lumdel::kLegacyCutfMod)
            continue;
        EXPECT_EQ(host->getParameter(i), static_cast<float>(kFactoryPresets[0].values[i])) << i;
    }
}

}  // namespace
