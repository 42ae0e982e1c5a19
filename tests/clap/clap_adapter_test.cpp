// The CLAP binary as hosts drive it: the factory, odd call orders, rates and block
// sizes, in place and double precision, parameter texts both ways, the state through
// streams of any piece size (and hostile ones), MIDI controllers, flush, tail and the
// host's thread check.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "ClapFixture.h"
#include "clap/ClapExtras.h"
#include "core/ParameterTable.h"
#include "core/PresetStore.h"

using lumdel::test::Events;
using lumdel::test::Instance;
using lumdel::test::Stream;

namespace {

template <typename T>
int firstEcho(const std::vector<T>& channel, int from, int to) {
    for (int i = from; i < to; ++i)
        if (std::fabs(channel[i]) > 1e-3) return i;
    return -1;
}

// An impulse on every input at sample 0, rendered in blocks of `block` frames.
std::vector<float> impulseResponse(double rate, std::uint32_t frames, std::uint32_t block,
                                   bool inPlace = false) {
    Instance p;
    EXPECT_TRUE(p.activate(rate));
    p.p->start_processing(p.p);
    for (int c = 0; c < 4; ++c) p.in[c][0] = 1.0f;
    for (std::uint32_t at = 0; at < frames; at += block)
        EXPECT_EQ(p.run(std::min(block, frames - at), at, inPlace), CLAP_PROCESS_CONTINUE);
    return std::vector<float>(inPlace ? p.in[0].begin() : p.out[0].begin(),
                              (inPlace ? p.in[0].begin() : p.out[0].begin()) + frames);
}

}  // namespace

TEST(ClapBinary, FactoryMakesOnlyItsOwnPlugin) {
    const clap_plugin_factory_t* f = lumdel::test::clapFactory();
    ASSERT_NE(f, nullptr) << dlerror();
    EXPECT_EQ(f->get_plugin_count(f), 1u);
    const clap_plugin_descriptor_t* d = f->get_plugin_descriptor(f, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->name, "Lumdel");
    EXPECT_EQ(f->get_plugin_descriptor(f, 1), nullptr);
    lumdel::test::TestHost host;
    EXPECT_EQ(f->create_plugin(f, &host.host, "com.other.plugin"), nullptr);
    EXPECT_EQ(f->create_plugin(f, &host.host, nullptr), nullptr);
    EXPECT_EQ(f->create_plugin(f, nullptr, d->id), nullptr);
    EXPECT_EQ(lumdel::test::clapEntry()->get_factory("clap.other"), nullptr);
}

TEST(ClapBinary, OddCallOrdersAreSurvived) {
    {
        // Process before activate: an error, and the buffers are not touched.
        Instance p;
        ASSERT_NE(p.p, nullptr);
        p.out[0][0] = 7.0f;
        EXPECT_EQ(p.run(64), CLAP_PROCESS_ERROR);
        EXPECT_EQ(p.out[0][0], 7.0f);
        EXPECT_EQ(p.p->process(p.p, nullptr), CLAP_PROCESS_ERROR);
        // Init twice, reset and stop without start, deactivate while inactive.
        EXPECT_TRUE(p.p->init(p.p));
        p.p->deactivate(p.p);
        p.p->stop_processing(p.p);
        EXPECT_FALSE(p.activate(0.0));
        EXPECT_FALSE(p.activate(std::nan("")));
        EXPECT_TRUE(p.activate(48000.0));
        EXPECT_TRUE(p.activate(96000.0));  // again, at another rate, without deactivate
        p.p->reset(p.p);
        EXPECT_EQ(p.run(64), CLAP_PROCESS_CONTINUE);
    }
    {
        // Destroyed while active and processing, never deactivated.
        Instance p;
        ASSERT_TRUE(p.activate());
        p.p->start_processing(p.p);
        EXPECT_EQ(p.run(128), CLAP_PROCESS_CONTINUE);
    }
    {
        // Destroyed without init.
        Instance p(false);
        ASSERT_NE(p.p, nullptr);
    }
}

TEST(ClapBinary, EchoComesWhereTheRateAndBlocksPutIt) {
    // Preset 0: the first echo after pre-delay plus delay, whatever the block size.
    const std::vector<float> whole = impulseResponse(44100.0, 30000, Instance::kMaxFrames);
    EXPECT_EQ(firstEcho(whole, 100, 30000), 22097);
    for (std::uint32_t block : {1u, 64u, 2047u, 2049u, 10000u}) {
        const std::vector<float> cut = impulseResponse(44100.0, 30000, block);
        EXPECT_EQ(cut, whole) << "blocks of " << block;
    }
    EXPECT_EQ(impulseResponse(44100.0, 30000, 512, true), whole) << "in place";
    const std::vector<float> at48 = impulseResponse(48000.0, 30000, 512);
    const int echo48 = firstEcho(at48, 100, 30000);
    EXPECT_EQ(echo48, 24051);  // where the LV2 and VST 2.4 builds put it
    std::printf("first echo at 48 kHz: sample %d\n", echo48);
    for (double rate : {22050.0, 96000.0, 192000.0}) {
        const std::vector<float> r = impulseResponse(rate, 16, 16);
        for (float v : r) EXPECT_TRUE(std::isfinite(v)) << rate;
    }
}

TEST(ClapBinary, ZeroFramesHugeBlocksAndDoublePrecision) {
    Instance p;
    ASSERT_TRUE(p.activate());
    EXPECT_EQ(p.run(0), CLAP_PROCESS_CONTINUE);
    for (int c = 0; c < 4; ++c) p.in[c][0] = 1.0f, p.in64[c][0] = 1.0;
    EXPECT_EQ(p.run(Instance::kMaxFrames), CLAP_PROCESS_CONTINUE);
    Instance q;
    ASSERT_TRUE(q.activate());
    for (int c = 0; c < 4; ++c) q.in64[c][0] = 1.0;
    EXPECT_EQ(q.run(Instance::kMaxFrames, 0, false, true), CLAP_PROCESS_CONTINUE);
    double worst = 0.0;
    for (std::uint32_t i = 0; i < Instance::kMaxFrames; ++i)
        worst = std::max(worst, std::fabs(q.out64[0][i] - p.out[0][i]));
    EXPECT_LT(worst, 1e-6);
    EXPECT_EQ(firstEcho(q.out64[0], 100, 30000), 22097);
}

TEST(ClapBinary, ParametersDescribeThemselvesAndTextsGoBothWays) {
    Instance p;
    ASSERT_NE(p.params, nullptr);
    ASSERT_EQ(p.params->count(p.p), static_cast<std::uint32_t>(lumdel::kNumParams));
    clap_param_info_t info;
    EXPECT_FALSE(p.params->get_info(p.p, lumdel::kNumParams, &info));
    char text[64];
    double v = 0.0;
    EXPECT_FALSE(p.params->value_to_text(p.p, lumdel::kNumParams, 0.5, text, sizeof text));
    EXPECT_FALSE(p.params->value_to_text(p.p, 0, std::nan(""), text, sizeof text));
    EXPECT_FALSE(p.params->text_to_value(p.p, 0, nullptr, &v));
    EXPECT_FALSE(p.params->get_value(p.p, 999, &v));
    for (std::uint32_t i = 0; i < p.params->count(p.p); ++i) {
        ASSERT_TRUE(p.params->get_info(p.p, i, &info));
        EXPECT_EQ(info.id, i);
        EXPECT_STREQ(info.name, lumdel::kParams[i].name);
        const bool stepped = (info.flags & CLAP_PARAM_IS_STEPPED) != 0;
        EXPECT_EQ(stepped, lumdel::kParams[i].kind != lumdel::ParamKind::Continuous) << i;
        // The host's default is the value preset 0 gives.
        EXPECT_DOUBLE_EQ(p.value(i), info.default_value) << info.name;
        const int points = stepped ? static_cast<int>(info.max_value) + 1 : 11;
        for (int k = 0; k < points; ++k) {
            const double plain = stepped ? k : k / 10.0;
            ASSERT_TRUE(p.params->value_to_text(p.p, i, plain, text, sizeof text));
            double back = -1.0;
            ASSERT_TRUE(p.params->text_to_value(p.p, i, text, &back)) << info.name << " " << text;
            char again[64];
            ASSERT_TRUE(p.params->value_to_text(p.p, i, back, again, sizeof again));
            EXPECT_STREQ(again, text) << info.name << " at " << plain;
        }
    }
    // A step's word, a word with its unit and surrounding blanks.
    ASSERT_TRUE(p.params->text_to_value(p.p, lumdel::kRvbType, "plate", &v));
    EXPECT_EQ(v, 1.0);
    EXPECT_FALSE(p.params->text_to_value(p.p, lumdel::kRvbType, "cathedral", &v));
    ASSERT_TRUE(p.params->text_to_value(p.p, lumdel::kFbGainL, " -oo dB ", &v));
    EXPECT_EQ(v, 0.0);
    ASSERT_TRUE(p.params->value_to_text(p.p, lumdel::kFbGainL, 0.0, text, sizeof text));
    EXPECT_STREQ(text, "-oo dB");
    EXPECT_FALSE(p.params->text_to_value(p.p, lumdel::kMix, "much", &v));
}

TEST(ClapBinary, EventsMoveParametersAtTheirSampleAndFlushWithoutAudio) {
    Instance p;
    ASSERT_TRUE(p.activate());
    p.events.param(0, lumdel::kMix, 0.25);
    p.events.param(0, lumdel::kRvbType, 1.0);
    p.events.param(0, 999, 0.5);                     // unknown id: ignored
    p.events.param(0, lumdel::kInput, std::nan(""));  // not finite: ignored
    p.p->get_extension(p.p, CLAP_EXT_PARAMS);
    p.params->flush(p.p, &p.events.inList, &p.events.outList);
    EXPECT_FLOAT_EQ(p.value(lumdel::kMix), 0.25);
    EXPECT_EQ(p.value(lumdel::kRvbType), 1.0);
    EXPECT_FLOAT_EQ(p.value(lumdel::kInput), 0.5);
    p.params->flush(p.p, nullptr, nullptr);

    // Output muted from sample 100 on: silence starts there (the output glides to it).
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 4000; ++i) p.in[c][i] = 0.5f;
    p.events.param(100, lumdel::kOutput, 0.0);
    p.run(4000);
    EXPECT_GT(std::fabs(p.out[0][99]), 0.1f);
    EXPECT_LT(std::fabs(p.out[0][3999]), 1e-3f);
    EXPECT_FLOAT_EQ(p.value(lumdel::kOutput), 0.0);
}

TEST(ClapBinary, MidiControllersDriveTheirParametersAndTellTheHost) {
    // A state whose preset store assigns controller 7 to Mix.
    Stream s;
    {
        Instance a;
        ASSERT_TRUE(a.state->save(a.p, &s.out));
    }
    lumdel::test::TestHost unused;
    (void)unused;
    Instance p;
    ASSERT_TRUE(p.activate());
    {
        // Assign through the chunk of a store of our own.
        struct Owner : lumdel::PresetStoreOwner {
            void setParameter(int, float) override {}
            void applyPreset(int) override {}
            void presetsChanged() override {}
        } owner;
        lumdel::PresetStore store(owner);
        ASSERT_EQ(store.loadChunk(s.bytes.data(), static_cast<std::int64_t>(s.bytes.size())), 0);
        store.setMidiAssignment(lumdel::kMix, 7);
        const unsigned char* chunk = store.makeChunk();
        Stream assigned;
        assigned.bytes.assign(chunk, chunk + lumdel::PresetStore::kChunkSize);
        assigned.piece = 100;
        ASSERT_TRUE(p.state->load(p.p, &assigned.in));
    }
    p.events.cc(10, 7, 0);
    p.events.cc(20, 8, 127);  // unassigned
    p.run(64);
    EXPECT_LT(p.value(lumdel::kMix), 0.01);
    const auto values = p.events.outOf(CLAP_EVENT_PARAM_VALUE);
    ASSERT_EQ(values.size(), 1u);
    const auto* v = reinterpret_cast<const clap_event_param_value_t*>(values[0]);
    EXPECT_EQ(v->param_id, static_cast<clap_id>(lumdel::kMix));
    EXPECT_EQ(v->header.time, 10u);
}

TEST(ClapBinary, StateRoundTripsInAnyPiecesAndRefusesHostileStreams) {
    Stream saved;
    saved.piece = 7;
    std::vector<double> values;
    {
        Instance a;
        ASSERT_TRUE(a.activate());
        a.events.param(0, lumdel::kMix, 0.125);
        a.events.param(0, lumdel::kLFOWave, 3.0);
        a.params->flush(a.p, &a.events.inList, &a.events.outList);
        ASSERT_TRUE(a.state->save(a.p, &saved.out));
        for (int i = 0; i < lumdel::kNumParams; ++i) values.push_back(a.value(i));
    }
    EXPECT_EQ(saved.bytes.size(), static_cast<std::size_t>(lumdel::PresetStore::kChunkSize));
    Instance b;
    auto unchanged = [&b]() {
        return b.value(lumdel::kMix) == 0.5 && b.value(lumdel::kLFOWave) == 0.0;
    };
    ASSERT_TRUE(unchanged());
    Stream failing;
    failing.fail = true;
    EXPECT_FALSE(b.state->save(b.p, &failing.out));
    EXPECT_FALSE(b.state->load(b.p, &failing.in));
    Stream shortOne;
    shortOne.bytes.assign(saved.bytes.begin(), saved.bytes.begin() + saved.bytes.size() / 2);
    EXPECT_FALSE(b.state->load(b.p, &shortOne.in));
    Stream garbage;
    garbage.bytes.assign(lumdel::PresetStore::kChunkSize, 0xA5);
    EXPECT_FALSE(b.state->load(b.p, &garbage.in));
    Stream huge;
    huge.bytes.assign(1 << 20, 0);
    EXPECT_FALSE(b.state->load(b.p, &huge.in));
    Stream empty;
    EXPECT_FALSE(b.state->load(b.p, &empty.in));
    EXPECT_FALSE(b.state->load(b.p, nullptr));
    EXPECT_TRUE(unchanged());
    saved.piece = 5;
    ASSERT_TRUE(b.state->load(b.p, &saved.in));
    for (int i = 0; i < lumdel::kNumParams; ++i) EXPECT_EQ(b.value(i), values[i]) << i;
}

TEST(ClapBinary, TailFollowsTheFeedbackAndLatencyIsZero) {
    Instance p;
    ASSERT_TRUE(p.activate(48000.0));
    const auto* tail = static_cast<const clap_plugin_tail_t*>(p.p->get_extension(p.p, kClapExtTail));
    ASSERT_NE(tail, nullptr);
    const std::uint32_t plain = tail->get(p.p);
    EXPECT_GT(plain, 48000u);  // at least both lines' time
    EXPECT_LT(plain, 20u * 48000u);
    p.events.param(0, lumdel::kFbGainL, 0.5);
    p.params->flush(p.p, &p.events.inList, &p.events.outList);
    EXPECT_EQ(tail->get(p.p), kClapTailInfinite);
    const auto* latency = static_cast<const clap_plugin_latency_t*>(p.p->get_extension(p.p, CLAP_EXT_LATENCY));
    ASSERT_NE(latency, nullptr);
    EXPECT_EQ(latency->get(p.p), 0u);
}

TEST(ClapBinary, MainThreadCallsAreRefusedOnTheAudioThread) {
    Instance p;
    p.host.audioThread = true;
    EXPECT_FALSE(p.activate());
    Stream s;
    EXPECT_FALSE(p.state->save(p.p, &s.out));
    p.host.audioThread = false;
    EXPECT_TRUE(p.activate());
    EXPECT_TRUE(p.state->save(p.p, &s.out));
}

TEST(ClapBinary, TheHostsTempoSetsTheSynchronisedDelay) {
    // Preset 0 follows the tempo: a quarter note at 60 BPM is 1000 ms (and the 1 ms
    // lookahead), from the transport of each block or from a transport event.
    clap_event_transport_t t{};
    t.header = {sizeof t, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    t.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING;
    t.tempo = 60.0;
    for (bool asEvent : {false, true}) {
        Instance p;
        ASSERT_TRUE(p.activate(48000.0));
        for (int c = 0; c < 4; ++c) p.in[c][0] = 1.0f;
        if (asEvent) p.events.add(t);
        p.run(512, 0, false, false, asEvent ? nullptr : &t);
        for (std::uint32_t at = 512; at < 60000; at += 512) {
            if (asEvent) p.events.add(t);
            p.run(512, at, false, false, asEvent ? nullptr : &t);
        }
        EXPECT_EQ(firstEcho(p.out[0], 100, 60000), 48051) << (asEvent ? "event" : "block");
    }
}
