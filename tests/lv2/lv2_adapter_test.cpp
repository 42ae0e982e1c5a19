// The LV2 binary as hosts drive it: instantiation with and without features, ports left
// unconnected, odd block sizes and shared buffers, the host's transport, the state.
#include <gtest/gtest.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "Lv2Fixture.h"
#include "core/PresetStore.h"
#include "lv2/Lv2Plugin.h"

using lumdel::test::Lv2Instance;
using lumdel::test::UriMap;

namespace {

int firstEcho(const std::vector<float>& channel, int from, int to) {
    for (int i = from; i < to; ++i)
        if (std::fabs(channel[i]) > 1e-3f) return i;
    return -1;
}

void impulse(Lv2Instance& p) {
    for (int c = 0; c < 4; ++c) p.in[c][0] = 1.0f;
}

bool allFinite(const std::vector<float>& v, int frames) {
    for (int i = 0; i < frames; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

}  // namespace

TEST(Lv2Binary, InstantiatesOnlyWhereItCan) {
    const LV2_Descriptor* desc = lumdel::test::lv2Descriptor();
    ASSERT_NE(desc, nullptr) << dlerror();
    EXPECT_STREQ(desc->URI, lumdel::lv2::kPluginUri);
    UriMap uris;
    const LV2_Feature map = {LV2_URID__map, &uris.feature};
    const LV2_Feature* features[] = {&map, nullptr};
    for (double rate : {0.0, -48000.0, std::nan(""), HUGE_VAL})
        EXPECT_EQ(desc->instantiate(desc, rate, "", features), nullptr) << rate;
    EXPECT_EQ(desc->extension_data("urn:nothing"), nullptr);
    EXPECT_EQ(desc->extension_data(nullptr), nullptr);

    // lv2apply passes no features at all (a null list from other hosts): the plug-in
    // runs, without events and state.
    Lv2Instance bare(nullptr);
    ASSERT_NE(bare.handle, nullptr);
    bare.connectAll();
    bare.desc->activate(bare.handle);
    impulse(bare);
    bare.run(30000);
    EXPECT_EQ(firstEcho(bare.out[0], 100, 30000), 24051);
    auto store = [](LV2_State_Handle, uint32_t, const void*, size_t, uint32_t, uint32_t) {
        return LV2_STATE_SUCCESS;
    };
    EXPECT_EQ(bare.state()->save(bare.handle, store, nullptr, 0, nullptr),
              LV2_STATE_ERR_NO_FEATURE);
    LV2_Handle nullFeatures = bare.desc->instantiate(bare.desc, 44100.0, "", nullptr);
    ASSERT_NE(nullFeatures, nullptr);
    bare.desc->cleanup(nullFeatures);
}

TEST(Lv2Binary, RunsWithPortsMissingAndOddBlocks) {
    UriMap uris;
    {
        // Nothing connected: runs of any length change nothing and do not crash.
        Lv2Instance p(&uris);
        ASSERT_NE(p.handle, nullptr);
        p.desc->activate(p.handle);
        p.run(0);
        p.run(512);
        p.run(Lv2Instance::kMaxFrames);
        p.desc->deactivate(p.handle);
    }
    {
        // Only the outputs: silence in, finite silence out; the side chain and the
        // events may stay unconnected while the main inputs carry the echo.
        Lv2Instance p(&uris);
        for (int c = 0; c < 2; ++c)
            p.desc->connect_port(p.handle, lumdel::lv2::kFirstAudioOut + c, p.out[c].data());
        p.desc->activate(p.handle);
        p.run(4096);
        EXPECT_TRUE(allFinite(p.out[0], 4096));
        EXPECT_EQ(firstEcho(p.out[0], 0, 4096), -1);
        for (int c = 0; c < 2; ++c)
            p.desc->connect_port(p.handle, lumdel::lv2::kFirstAudioIn + c, p.in[c].data());
        p.in[0][0] = p.in[1][0] = 1.0f;
        p.run(30000);
        EXPECT_EQ(firstEcho(p.out[1], 100, 30000), 24051);
    }
}

// Hosts call in odd orders: run before activate, activate twice, deactivate first, state
// saved mid-stream, cleanup while active. Each gives finite output and nothing crashes.
TEST(Lv2Binary, SurvivesOddCallOrders) {
    UriMap uris;
    Lv2Instance p(&uris);
    p.connectAll();
    impulse(p);
    p.run(256);  // never activated
    EXPECT_TRUE(allFinite(p.out[0], 256));
    p.desc->deactivate(p.handle);
    p.desc->activate(p.handle);
    p.desc->activate(p.handle);
    p.run(30000);
    EXPECT_TRUE(allFinite(p.out[1], 30000));
    auto store = [](LV2_State_Handle, uint32_t, const void*, size_t, uint32_t, uint32_t) {
        return LV2_STATE_SUCCESS;
    };
    EXPECT_EQ(p.state()->save(p.handle, store, nullptr, 0, nullptr), LV2_STATE_SUCCESS);
    p.run(0);
    p.controls[lumdel::kMix] = NAN;  // a host's garbage: ignored
    p.controls[lumdel::kOutput] = 1e30f;
    p.run(4096);
    EXPECT_TRUE(allFinite(p.out[0], 4096));
}

// One host block longer than the plug-in's piece, and the same frames in blocks of one
// sample (lv2apply's way) and of 1000: the same output.
TEST(Lv2Binary, BlockSizesDoNotChangeTheSound) {
    UriMap uris;
    const int total = 30000;
    std::vector<float> reference;
    for (int block : {total, 1000, 1}) {
        Lv2Instance p(&uris);
        p.controls[lumdel::kFbGainL] = p.controls[lumdel::kFbGainR] = 0.6f;
        p.connectAll();
        p.desc->activate(p.handle);
        impulse(p);
        for (int start = 0; start < total; start += block) {
            for (int c = 0; c < 4; ++c)
                p.desc->connect_port(p.handle, lumdel::lv2::kFirstAudioIn + c,
                                     p.in[c].data() + start);
            for (int c = 0; c < 2; ++c)
                p.desc->connect_port(p.handle, lumdel::lv2::kFirstAudioOut + c,
                                     p.out[c].data() + start);
            p.run(block);
        }
        std::vector<float> out(p.out[0].begin(), p.out[0].begin() + total);
        if (reference.empty()) {
            reference = out;
            EXPECT_EQ(firstEcho(out, 100, total), 24051);
        } else {
            EXPECT_EQ(out, reference) << "blocks of " << block;
        }
    }
}

// A host's tempo arrives as time:Position; a note delay follows it. At 60 BPM the
// quarter note of preset 0 is twice as long as at the 120 BPM used without a host tempo.
TEST(Lv2Binary, FollowsTheHostTempo) {
    UriMap uris;
    Lv2Instance p(&uris);
    p.connectAll();
    lv2_atom_forge_frame_time(&p.forge, 0);
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&p.forge, &object, 0, uris.map(LV2_TIME__Position));
    lv2_atom_forge_key(&p.forge, uris.map(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&p.forge, 60.0f);
    lv2_atom_forge_key(&p.forge, uris.map(LV2_TIME__speed));
    lv2_atom_forge_float(&p.forge, 1.0f);
    lv2_atom_forge_key(&p.forge, uris.map(LV2_TIME__bar));
    lv2_atom_forge_long(&p.forge, 0);
    lv2_atom_forge_key(&p.forge, uris.map(LV2_TIME__barBeat));
    lv2_atom_forge_float(&p.forge, 0.0f);
    lv2_atom_forge_pop(&p.forge, &object);
    lv2_atom_forge_pop(&p.forge, &p.frame);
    p.desc->activate(p.handle);
    p.run(64);  // the tempo arrives; the lines settle on the new time
    p.clearEvents();
    for (int c = 0; c < 4; ++c) p.in[c][64] = 1.0f;
    for (int c = 0; c < 4; ++c)
        p.desc->connect_port(p.handle, lumdel::lv2::kFirstAudioIn + c, p.in[c].data() + 64);
    for (int c = 0; c < 2; ++c)
        p.desc->connect_port(p.handle, lumdel::lv2::kFirstAudioOut + c, p.out[c].data() + 64);
    p.run(60000);
    const int echo = firstEcho(p.out[0], 64 + 100, 64 + 60000);
    EXPECT_NEAR(echo - 64, 48051, 2);
}

TEST(Lv2Binary, StateCarriesTheChunkAndRefusesHostileBlobs) {
    UriMap uris;
    struct Saved {
        std::vector<uint8_t> data;
        uint32_t key = 0, type = 0, flags = 0;
    };
    auto store = [](LV2_State_Handle h, uint32_t key, const void* value, size_t size,
                    uint32_t type, uint32_t flags) {
        auto* s = static_cast<Saved*>(h);
        const auto* bytes = static_cast<const uint8_t*>(value);
        s->data.assign(bytes, bytes + size);
        s->key = key;
        s->type = type;
        s->flags = flags;
        return LV2_STATE_SUCCESS;
    };
    auto retrieve = [](LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type,
                       uint32_t* flags) -> const void* {
        auto* s = static_cast<Saved*>(h);
        if (key != s->key) return nullptr;
        *size = s->data.size();
        *type = s->type;
        *flags = s->flags;
        return s->data.data();
    };

    // An instance whose current preset holds a changed value.
    Lv2Instance a(&uris);
    a.controls[lumdel::kMix] = 0.9f;
    a.connectAll();
    a.desc->activate(a.handle);
    a.run(16);
    Saved saved;
    ASSERT_EQ(a.state()->save(a.handle, store, &saved, 0, nullptr), LV2_STATE_SUCCESS);
    EXPECT_EQ(saved.key, uris.map(lumdel::lv2::kChunkKey));
    EXPECT_EQ(saved.type, uris.map(LV2_ATOM__Chunk));
    EXPECT_TRUE(saved.flags & LV2_STATE_IS_POD);
    ASSERT_EQ(saved.data.size(), 16376u);

    // Restored into a fresh instance, it saves the same bytes again.
    Lv2Instance b(&uris);
    b.connectAll();
    ASSERT_EQ(b.state()->restore(b.handle, retrieve, &saved, 0, nullptr), LV2_STATE_SUCCESS);
    Saved again;
    ASSERT_EQ(b.state()->save(b.handle, store, &again, 0, nullptr), LV2_STATE_SUCCESS);
    EXPECT_EQ(again.data, saved.data);

    // Wrong type, cut short, garbage, missing: refused, and the state stays as it was.
    Saved fresh;
    Lv2Instance c(&uris);
    ASSERT_EQ(c.state()->save(c.handle, store, &fresh, 0, nullptr), LV2_STATE_SUCCESS);
    ASSERT_NE(fresh.data, saved.data) << "the changed Mix is not in the chunk";
    Saved wrongType = saved;
    wrongType.type = uris.map(LV2_ATOM__String);
    EXPECT_EQ(c.state()->restore(c.handle, retrieve, &wrongType, 0, nullptr),
              LV2_STATE_ERR_BAD_TYPE);
    Saved cut = saved;
    cut.data.resize(100);
    EXPECT_NE(c.state()->restore(c.handle, retrieve, &cut, 0, nullptr), LV2_STATE_SUCCESS);
    Saved garbage = saved;
    std::memset(garbage.data.data(), 0xA5, garbage.data.size());
    EXPECT_NE(c.state()->restore(c.handle, retrieve, &garbage, 0, nullptr), LV2_STATE_SUCCESS);
    Saved missing;
    missing.key = 0xFFFF;
    EXPECT_EQ(c.state()->restore(c.handle, retrieve, &missing, 0, nullptr),
              LV2_STATE_ERR_NO_PROPERTY);
    EXPECT_EQ(c.state()->save(c.handle, nullptr, &again, 0, nullptr), LV2_STATE_ERR_UNKNOWN);
    EXPECT_EQ(c.state()->restore(c.handle, nullptr, &again, 0, nullptr), LV2_STATE_ERR_UNKNOWN);
    ASSERT_EQ(c.state()->save(c.handle, store, &again, 0, nullptr), LV2_STATE_SUCCESS);
    EXPECT_EQ(again.data, fresh.data);
}

// Hosts may hand the same buffer as input and output: the sound stays the same.
TEST(Lv2Binary, InPlaceBuffersSoundTheSame) {
    UriMap uris;
    Lv2Instance separate(&uris), shared(&uris);
    for (Lv2Instance* p : {&separate, &shared}) {
        p->controls[lumdel::kFbGainL] = p->controls[lumdel::kFbGainR] = 0.6f;
        p->controls[lumdel::kRvbOn] = 1.0f;
        p->connectAll();
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < 3000; ++i) p->in[c][i] = std::sin(0.01f * i * (c + 1));
    }
    for (int c = 0; c < 2; ++c) {
        shared.out[c] = shared.in[c];
        shared.desc->connect_port(shared.handle, lumdel::lv2::kFirstAudioIn + c,
                                  shared.out[c].data());
    }
    for (Lv2Instance* p : {&separate, &shared}) {
        p->desc->activate(p->handle);
        for (int start = 0; start < 30000; start += 512) {
            for (int c = 0; c < 2; ++c) {
                p->desc->connect_port(p->handle, lumdel::lv2::kFirstAudioIn + c,
                                      (p == &shared ? p->out[c] : p->in[c]).data() + start);
                p->desc->connect_port(p->handle, lumdel::lv2::kFirstAudioOut + c,
                                      p->out[c].data() + start);
            }
            p->run(512);
        }
    }
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(std::vector<float>(shared.out[c].begin(), shared.out[c].begin() + 30208),
                  std::vector<float>(separate.out[c].begin(), separate.out[c].begin() + 30208))
            << "channel " << c;
}

// A chunk made by the plug-in's own preset store with Mix on controller 7, restored
// through the state: a control change on the event port then drives Mix; other
// controllers, other messages and a sequence of another type do nothing.
TEST(Lv2Binary, MidiControllersDriveTheirParameters) {
    struct NoOwner : lumdel::PresetStoreOwner {
        void setParameter(int, float) override {}
        void applyPreset(int) override {}
        void presetsChanged() override {}
    } owner;
    lumdel::PresetStore store(owner);
    store.setMidiAssignment(lumdel::kMix, 7);
    const unsigned char* chunk = store.makeChunk();
    struct Blob {
        const unsigned char* data;
        uint32_t type;
    };
    auto retrieve = [](LV2_State_Handle h, uint32_t, size_t* size, uint32_t* type,
                       uint32_t* flags) -> const void* {
        auto* b = static_cast<Blob*>(h);
        *size = lumdel::PresetStore::kChunkSize;
        *type = b->type;
        *flags = LV2_STATE_IS_POD;
        return b->data;
    };
    UriMap uris;
    // Dry share of an impulse after the given MIDI messages (three bytes each).
    auto dryAfter = [&uris, &retrieve, chunk](std::vector<std::vector<uint8_t>> messages) {
        Lv2Instance p(&uris);
        Blob blob{chunk, uris.map(LV2_ATOM__Chunk)};
        EXPECT_EQ(p.state()->restore(p.handle, retrieve, &blob, 0, nullptr), LV2_STATE_SUCCESS);
        p.connectAll();
        p.desc->activate(p.handle);
        for (const auto& m : messages) {
            lv2_atom_forge_frame_time(&p.forge, 0);
            lv2_atom_forge_atom(&p.forge, static_cast<uint32_t>(m.size()),
                                uris.map(LV2_MIDI__MidiEvent));
            lv2_atom_forge_write(&p.forge, m.data(), static_cast<uint32_t>(m.size()));
        }
        lv2_atom_forge_pop(&p.forge, &p.frame);
        p.run(4096);  // the controller arrives and Mix glides to it
        p.clearEvents();
        for (int c = 0; c < 4; ++c) p.in[c][4096] = 1.0f;
        for (int c = 0; c < 4; ++c)
            p.desc->connect_port(p.handle, lumdel::lv2::kFirstAudioIn + c,
                                 p.in[c].data() + 4096);
        for (int c = 0; c < 2; ++c)
            p.desc->connect_port(p.handle, lumdel::lv2::kFirstAudioOut + c,
                                 p.out[c].data() + 4096);
        p.run(64);
        return p.out[0][4096];
    };
    EXPECT_NEAR(dryAfter({}), 0.5f, 0.01f);
    EXPECT_NEAR(dryAfter({{0xB0, 7, 127}}), 0.0f, 0.01f);
    EXPECT_NEAR(dryAfter({{0xB5, 7, 127}}), 0.0f, 0.01f);  // any channel
    EXPECT_NEAR(dryAfter({{0xB0, 8, 127}}), 0.5f, 0.01f);
    EXPECT_NEAR(dryAfter({{0x90, 7, 127}}), 0.5f, 0.01f);
    EXPECT_NEAR(dryAfter({{0xB0, 7}}), 0.5f, 0.01f);        // cut short
}

// An edit in the UI is applied at once and then written to the port; the port arriving
// at the value the parameter holds must not apply it again (a delay time would fade its
// line out and in a second time: a dip in the echoes).
TEST(Lv2Binary, APortAtTheHeldValueChangesNothing) {
    UriMap uris;
    Lv2Instance edited(&uris), untouched(&uris);
    double phase = 0.0;
    std::vector<float> heard[2];
    for (Lv2Instance* p : {&edited, &untouched}) {
        // Free delay times, whose changes fade.
        p->controls[lumdel::kDlyModeL] = p->controls[lumdel::kDlyModeR] = 0.0f;
        p->connectAll();
        p->desc->activate(p->handle);
    }
    auto run = [&](int blocks, std::vector<float>* keep) {
        for (int b = 0; b < blocks; ++b) {
            const double start = phase;
            for (Lv2Instance* p : {&edited, &untouched}) {
                phase = start;
                for (int i = 0; i < 480; ++i, phase += 0.05)
                    for (int c = 0; c < 4; ++c) p->in[c][i] = 0.5f * std::sin(phase);
                p->run(480);
            }
            if (!keep) continue;
            keep[0].insert(keep[0].end(), edited.out[0].begin(), edited.out[0].begin() + 480);
            keep[1].insert(keep[1].end(), untouched.out[0].begin(),
                           untouched.out[0].begin() + 480);
        }
    };
    run(20, nullptr);
    for (Lv2Instance* p : {&edited, &untouched})
        static_cast<lumdel::lv2::Lv2Plugin*>(p->handle)->plugin().setParameter(lumdel::kDlyTimeL,
                                                                               0.3f);
    run(40, nullptr);  // the edit's own fade is over
    edited.controls[lumdel::kDlyTimeL] = 0.3f;
    run(40, heard);
    EXPECT_EQ(heard[0], heard[1]);
    EXPECT_FLOAT_EQ(static_cast<lumdel::lv2::Lv2Plugin*>(edited.handle)->plugin().getParameter(
                        lumdel::kDlyTimeL),
                    0.3f);
}
