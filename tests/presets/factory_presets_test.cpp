// The factory bank: names, the starting point, and the design rules of every designed row.
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

// The rows' values are pinned byte for byte by the fresh chunk's hash in store_bytes_test.
TEST(FactoryPresets, DefaultIsTheParameterTablesStartingPoint) {
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
