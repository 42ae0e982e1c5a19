// Every parameter's observable results pinned at once: for each of the sixty, a few
// hundred values (0, 1, the step edges of every step count, a grid, NaN, infinities,
// values far outside 0..1) are applied one after the other, and after each the host
// display texts, the editor readouts, the read-back values and the engine settings the
// parameter code writes are folded into four hashes. The hashes were taken from the
// parameter code as it was before it became table-driven; any byte that moves in a
// text, a readout cell, a read-back or an engine setting changes them.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "LoopbackHost.h"
#include "core/NumberFormat.h"
#include "core/ParameterTable.h"
#include "core/PluginCore.h"

using namespace lumdel;

namespace {

class Fnv {
public:
    void bytes(const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < n; ++i) h_ = (h_ ^ b[i]) * 0x100000001b3ull;
    }
    template <typename T>
    void add(T v) { bytes(&v, sizeof v); }
    void text(const char* s) { bytes(s, std::strlen(s) + 1); }
    std::uint64_t value() const { return h_; }

private:
    std::uint64_t h_ = 0xcbf29ce484222325ull;
};

// The values each parameter receives, in this order.
std::vector<float> sweepValues() {
    std::vector<float> v = {0.0f, 1.0f, -0.0f, 0.5f, 0.05f, 0.01f, 0.03f, 0.4999f, 0.5001f};
    for (int i = 0; i <= 100; ++i) v.push_back(static_cast<float>(i) / 100.0f);
    for (int n : {2, 3, 5, 6, 13, 14}) {
        for (int k = 0; k <= n; ++k) {
            const float edge = static_cast<float>(k) / static_cast<float>(n);
            v.push_back(std::nextafter(edge, -1.0f));
            v.push_back(edge);
            v.push_back(std::nextafter(edge, 2.0f));
            v.push_back(fromStep(k < n ? k : n - 1, n));
        }
    }
    const float inf = std::numeric_limits<float>::infinity();
    for (float x : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, -1.0f, 2.0f, 1e30f,
                    -1e30f, FLT_MAX, -FLT_MAX, 1e-40f, -1e-40f, 1.0000001f, -1e-7f})
        v.push_back(x);
    std::uint32_t seed = 12345;
    for (int i = 0; i < 80; ++i) {
        seed = seed * 1664525u + 1013904223u;
        v.push_back(-0.2f + 1.4f * static_cast<float>(seed >> 8) / 16777216.0f);
    }
    v.push_back(0.25f);  // leaves the parameter somewhere in the middle for the next one
    return v;
}

struct Hashes {
    Fnv display, readout, readBack, engine;
};

void addStereo(Fnv& h, const Stereo& s) {
    h.add(s[0]);
    h.add(s[1]);
}
template <typename T>
void addPair(Fnv& h, const Pair<T>& s) {
    h.add(s[0]);
    h.add(s[1]);
}

void addChannels(Fnv& h, const ChannelSettings& c) {
    ChannelGlides::forEach(c, c, [&](const Smoothed<Stereo>& a, const Smoothed<Stereo>&) {
        addStereo(h, a.target);
        addStereo(h, a.value);
    });
    for (const Stereo* s : {&c.fbGainValue, &c.fbPanValue, &c.dlyPanValue, &c.gateValue,
                            &c.muteInValue, &c.fbInvValue, &c.fbSign, &c.dlyInvValue,
                            &c.dlySign, &c.dlyModeValue, &c.dlyNumValue, &c.dlyDenValue,
                            &c.preNumValue, &c.preDenValue, &c.rangeValue, &c.rangeMs,
                            &c.dlyTimeNorm, &c.dlyTimeMs, &c.dlyTimeSetMs})
        addStereo(h, *s);
    for (const StereoInt* s : {&c.fbInv, &c.dlyInv, &c.dlySync, &c.dlyNum, &c.dlyDen,
                               &c.preNum, &c.preDen, &c.range})
        addPair(h, *s);
    addPair(h, c.dlyFade);
}

void addEngine(Fnv& h, const EngineState& e) {
    Glides::forEach(e, e, [&](const Smoothed<double>& a, const Smoothed<double>&) {
        h.add(a.target);
        h.add(a.value);
    });
    addChannels(h, e.channels);
    for (double d : {e.inputValue, e.outputValue, e.mixValue, e.gateAttackCoef,
                     e.gateReleaseCoef, e.duckingValue, e.duckThreshold, e.duckAttackCoef,
                     e.duckReleaseCoef, e.lfoWaveValue, e.lfoRateValue, e.lfoRateHz,
                     e.lfoPhaseInc, e.lrOffsetValue, e.lrOffset, e.modSrcValue,
                     e.cutfModValue, e.resoModValue, e.envSpeedValue, e.envTimeMs, e.envCoef,
                     e.modSensValue, e.modSens, e.fltTypeValue, e.cutoffValue, e.resoValue,
                     e.fltModeValue, e.fltOnValue, e.vcoManValue, e.vcoMan, e.vcoModValue,
                     e.vcoOnValue, e.driveValue, e.hostTempoNorm, e.hostTempo,
                     e.lfoModeValue, e.lfoNumValue, e.lfoDenValue, e.rvbModeValue,
                     e.rvbTypeValue, e.rvbDampValue, e.rvbAmtValue, e.reverbAmount,
                     e.rvbOnValue, e.bypassValue})
        h.add(d);
    for (int i : {e.lfoWave, e.fltType, e.fltMode, e.fltOn, e.vcoOn, e.lfoMode, e.lfoNum,
                  e.lfoDen, e.rvbMode, e.rvbType, e.rvbOn, e.bypass})
        h.add(i);
}

// Every index the host or the editor may ask about, the out-of-range ones included.
void addObservations(const PluginCore& core, Hashes& h) {
    for (int i = -1; i <= kNumParams + 2; ++i) {
        char text[64];
        std::memset(text, '#', sizeof text);
        text[sizeof text - 1] = 0;
        core.parameterDisplay(i, text);
        h.display.text(text);
        // The readout keeps the caller's sign and slash where a rule sets none: once from
        // a fresh cell set, once from one a ratio left behind.
        Readout fresh;
        core.readout(i, fresh);
        Readout left;
        left.isSigned = true;
        left.slash = 2;
        left.denominator = 7;
        core.readout(i, left);
        for (const Readout* r : {&fresh, &left}) {
            h.readout.add(r->number);
            h.readout.add(r->point);
            h.readout.add(r->isSigned);
            h.readout.add(r->slash);
            h.readout.add(r->numerator);
            h.readout.add(r->denominator);
        }
        h.readBack.add(core.getParameter(i));
    }
    h.readBack.add(core.channelsLinked());
    addEngine(h.engine, core.engineState());
}

Hashes sweep() {
    LoopbackHost host;
    auto core = std::make_unique<PluginCore>(host);
    host.core = core.get();
    for (int i = 0; i < kNumParams; ++i)
        core->applyParameter(i, static_cast<float>(kParams[i].preset0));
    core->resume();
    Hashes h;
    const std::vector<float> values = sweepValues();
    auto pass = [&] {
        for (int index = -2; index <= kNumParams + 1; ++index) {
            for (float v : values) {
                core->applyParameter(index, v);
                addObservations(*core, h);
            }
        }
    };
    // From factory preset 0 (both lines and the LFO follow the tempo) at 44100 Hz.
    pass();
    // Free time, free LFO, at 22050 Hz and 87 BPM (the cutoff meets half the rate).
    core->suspend();
    core->setSampleRate(22050.0f);
    host.tempo = 87.0;
    core->resume();
    for (int index : {kDlyModeL, kDlyModeR, kLfoMode}) core->applyParameter(index, 0.0f);
    core->setTempoNorm(0.3f);
    pass();
    return h;
}

}  // namespace

TEST(CoreParameterFingerprint, TextsReadoutsReadBackAndEngineSettingsAreUnchanged) {
    const Hashes h = sweep();
    EXPECT_EQ(h.display.value(), 0x93a1a132e730e1beull) << std::hex << h.display.value();
    EXPECT_EQ(h.readout.value(), 0x2b435a27b5f9d7c7ull) << std::hex << h.readout.value();
    EXPECT_EQ(h.readBack.value(), 0x98564d91807e7086ull) << std::hex << h.readBack.value();
    EXPECT_EQ(h.engine.value(), 0x6d0271d09089f9a2ull) << std::hex << h.engine.value();
}
