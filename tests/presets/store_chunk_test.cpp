// The host chunk through the real plug-in: round trips, byte order, every refusal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "PluginFixture.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr int kChunkSize = 16376;
constexpr size_t kRecords = 32;
constexpr size_t kAssignments = 16136;

size_t valueAt(int preset, int param) { return kRecords + 264 * preset + 24 + 4 * param; }

std::int32_t wordAt(const Bytes& b, size_t o) {
    std::int32_t w;
    std::memcpy(&w, b.data() + o, 4);
    return w;
}
void setWord(Bytes& b, size_t o, std::int32_t w) { std::memcpy(b.data() + o, &w, 4); }
float floatAt(const Bytes& b, size_t o) {
    float f;
    std::memcpy(&f, b.data() + o, 4);
    return f;
}
void setFloat(Bytes& b, size_t o, float f) { std::memcpy(b.data() + o, &f, 4); }

Bytes chunkOf(lumdel::host::Host& host) {
    void* data = nullptr;
    VstIntPtr size = host.dispatch(effGetChunk, 0, 0, &data);
    EXPECT_EQ(size, kChunkSize);
    EXPECT_NE(data, nullptr);
    if (!data || size != kChunkSize) return Bytes(kChunkSize, 0);
    auto* p = static_cast<unsigned char*>(data);
    return Bytes(p, p + size);
}

VstIntPtr sendChunk(lumdel::host::Host& host, Bytes b, VstIntPtr size = kChunkSize) {
    return host.dispatch(effSetChunk, 0, size, b.data());
}

// The chunk written on a machine of the other byte order.
Bytes reversed(Bytes b) {
    auto rev = [&](size_t o) {
        std::uint32_t w;
        std::memcpy(&w, b.data() + o, 4);
        w = __builtin_bswap32(w);
        std::memcpy(b.data() + o, &w, 4);
    };
    for (size_t o = 0; o < 32; o += 4) rev(o);
    for (int k = 0; k < 61; ++k)
        for (int j = 0; j < 60; ++j) rev(valueAt(k, j));
    for (int j = 0; j < 60; ++j) rev(kAssignments + 4 * j);
    return b;
}

class ChunkTest : public lumdel::test::PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        host->start();
        other = std::make_unique<lumdel::host::Host>();
        ASSERT_TRUE(other->load(lumdel::test::pluginLibrary()));
        other->start();
    }
    void TearDown() override {
        other.reset();
        PluginTest::TearDown();
    }

    // A state that differs from the factory state everywhere the chunk can carry it:
    // a renamed, edited current preset other than 0, and two controller assignments.
    void makeEditedState(lumdel::host::Host& h) {
        Bytes b = chunkOf(h);
        setWord(b, 12, 24);
        ASSERT_EQ(sendChunk(h, b), 0);
        h.setParameter(2, 0.8f);
        h.setParameter(3, 0.3f);
        h.setParameter(60 + 2, (7 + 0.5f) / 129.0f);
        h.setParameter(60 + 15, (74 + 0.5f) / 129.0f);
        char name[] = "Edited Pong";
        h.dispatch(effSetProgramName, 0, 0, name);
    }

    std::unique_ptr<lumdel::host::Host> other;
};

TEST_F(ChunkTest, HeaderAndLayout) {
    Bytes b = chunkOf(*host);
    EXPECT_EQ(wordAt(b, 0), 0x01000000);
    EXPECT_EQ(wordAt(b, 4), 0x4C4D444C);
    EXPECT_EQ(wordAt(b, 8), 61);
    EXPECT_EQ(wordAt(b, 12), 0);
    for (size_t o = 16; o < 32; ++o) EXPECT_EQ(b[o], 0) << o;
    EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + kRecords), "Default");
    EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + kRecords + 264 * 60), "Bass Drone");
    EXPECT_FLOAT_EQ(floatAt(b, valueAt(24, 52)), 0.39f);  // "Ping Pong" Ducking
    for (int j = 0; j < 60; ++j)
        EXPECT_FLOAT_EQ(floatAt(b, kAssignments + 4 * j), 999.5f / 129.0f);
}

TEST_F(ChunkTest, RoundTripBetweenInstancesIsIdenticalInStateAndSound) {
    makeEditedState(*host);
    const Bytes saved = chunkOf(*host);
    EXPECT_EQ(wordAt(saved, 12), 24);
    EXPECT_EQ(sendChunk(*other, saved), 0);
    EXPECT_EQ(chunkOf(*other), saved);
    for (int i = 0; i < 120; ++i)
        EXPECT_EQ(other->getParameter(i), host->getParameter(i)) << "parameter " << i;
    char name[64] = {};
    other->dispatch(effGetProgramName, 0, 0, name);
    EXPECT_STREQ(name, "Edited Pong");

    // Identical input gives identical output.
    constexpr int kFrames = 4096;
    lumdel::host::Buffers<float> in(4, kFrames), outA(2, kFrames), outB(2, kFrames);
    std::uint32_t seed = 12345;
    for (auto& channel : in.data)
        for (float& s : channel) {
            seed = seed * 1664525u + 1013904223u;
            s = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
        }
    for (int offset = 0; offset < kFrames; offset += 512) {
        std::vector<float*> i4, oa, ob;
        for (auto& c : in.data) i4.push_back(c.data() + offset);
        for (auto& c : outA.data) oa.push_back(c.data() + offset);
        for (auto& c : outB.data) ob.push_back(c.data() + offset);
        host->process(i4.data(), oa.data(), 512);
        other->process(i4.data(), ob.data(), 512);
    }
    EXPECT_EQ(outA.data, outB.data);
}

TEST_F(ChunkTest, OwnBufferHandedBackLoadsUnchanged) {
    makeEditedState(*host);
    const Bytes before = chunkOf(*host);
    void* data = nullptr;
    VstIntPtr size = host->dispatch(effGetChunk, 0, 0, &data);
    EXPECT_EQ(host->dispatch(effSetChunk, 0, size, data), 0);
    EXPECT_EQ(chunkOf(*host), before);
}

TEST_F(ChunkTest, PresetFlagStillMeansWholeBank) {
    void* data = nullptr;
    EXPECT_EQ(host->dispatch(effGetChunk, 1, 0, &data), kChunkSize);
    Bytes b(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + kChunkSize);
    EXPECT_EQ(wordAt(b, 8), 61);
    EXPECT_EQ(other->dispatch(effSetChunk, 1, kChunkSize, b.data()), 0);
}

TEST_F(ChunkTest, ByteReversedChunkIsCorrected) {
    makeEditedState(*host);
    const Bytes native = chunkOf(*host);
    EXPECT_EQ(sendChunk(*other, reversed(native)), 0);
    EXPECT_EQ(chunkOf(*other), native);  // values, count, current index and names
    EXPECT_FLOAT_EQ(other->getParameter(2), 0.8f);
    EXPECT_FLOAT_EQ(other->getParameter(62), 7.5f / 129.0f);
}

TEST_F(ChunkTest, RefusalsChangeNothing) {
    makeEditedState(*host);
    const Bytes good = chunkOf(*host);
    const Bytes original = chunkOf(*other);
    const float mix = other->getParameter(2);

    EXPECT_EQ(other->dispatch(effSetChunk, 0, kChunkSize, nullptr), -1);
    EXPECT_EQ(sendChunk(*other, good, kChunkSize - 1), -1);
    Bytes longer = good;
    longer.push_back(0);
    EXPECT_EQ(sendChunk(*other, longer, kChunkSize + 1), -1);
    EXPECT_EQ(sendChunk(*other, good, 0), -1);
    EXPECT_EQ(sendChunk(*other, good, -16376), -1);

    Bytes foreign = good;
    setWord(foreign, 4, 0x4C4D4458);  // 'LMDX'
    EXPECT_EQ(sendChunk(*other, foreign), -1);
    Bytes count = good;
    setWord(count, 8, 60);
    EXPECT_EQ(sendChunk(*other, count), -1);
    Bytes reversedCount = reversed(good);
    setWord(reversedCount, 8, static_cast<std::int32_t>(__builtin_bswap32(62)));
    EXPECT_EQ(sendChunk(*other, reversedCount), -1);

    Bytes format = good;
    setWord(format, 0, 0x02000000);
    EXPECT_EQ(sendChunk(*other, format), 0);
    Bytes nativeFormatInReversed = reversed(good);
    setWord(nativeFormatInReversed, 0, 0x01000000);  // reads as 1 after reversal
    EXPECT_EQ(sendChunk(*other, nativeFormatInReversed), 0);

    EXPECT_EQ(chunkOf(*other), original);
    EXPECT_EQ(other->getParameter(2), mix);
}

TEST_F(ChunkTest, CurrentIndexOutOfRangeLoadsBankButAppliesNothing) {
    makeEditedState(*host);
    for (std::int32_t index : {-1, 61, 1000000}) {
        SCOPED_TRACE(index);
        Bytes b = chunkOf(*host);
        setFloat(b, valueAt(0, 2), 0.9f);  // preset 0 (current in `other`) Mix
        setWord(b, 12, index);
        auto fresh = std::make_unique<lumdel::host::Host>();
        ASSERT_TRUE(fresh->load(lumdel::test::pluginLibrary()));
        EXPECT_EQ(sendChunk(*fresh, b), 0);
        Bytes loaded = chunkOf(*fresh);
        EXPECT_EQ(wordAt(loaded, 12), 0);                    // current preset kept
        EXPECT_FLOAT_EQ(fresh->getParameter(2), 0.5f);       // nothing applied
        EXPECT_FLOAT_EQ(floatAt(loaded, valueAt(0, 2)), 0.9f);  // but the bank is loaded
        EXPECT_FLOAT_EQ(fresh->getParameter(62), 7.5f / 129.0f);  // and the assignments
        char name[64] = {};
        fresh->dispatch(effGetProgramNameIndexed, 24, 0, name);
        EXPECT_STREQ(name, "Edited Pong");
    }
}

TEST_F(ChunkTest, NonFiniteValuesNeverReachTheEngine) {
    Bytes b = chunkOf(*host);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    setFloat(b, valueAt(3, 2), nan);    // "Studio One" Mix
    setFloat(b, valueAt(3, 15), -inf);  // "Studio One" Cutoff
    setFloat(b, valueAt(7, 0), inf);
    setFloat(b, kAssignments + 4 * 2, nan);
    setFloat(b, kAssignments + 4 * 3, -0.25f);
    setFloat(b, kAssignments + 4 * 4, (64 + 0.5f) / 129.0f);
    setWord(b, 12, 3);
    ASSERT_EQ(sendChunk(*other, b), 0);

    // Each damaged value is replaced by the "Default" value of its parameter.
    EXPECT_FLOAT_EQ(other->getParameter(2), 0.5f);
    EXPECT_FLOAT_EQ(other->getParameter(15), 1.0f);
    Bytes loaded = chunkOf(*other);
    EXPECT_FLOAT_EQ(floatAt(loaded, valueAt(3, 2)), 0.5f);
    EXPECT_FLOAT_EQ(floatAt(loaded, valueAt(3, 15)), 1.0f);
    EXPECT_FLOAT_EQ(floatAt(loaded, valueAt(7, 0)), 0.5f);
    // Damaged or negative assignments mean "none"; good ones load.
    EXPECT_FLOAT_EQ(other->getParameter(62), 999.5f / 129.0f);
    EXPECT_FLOAT_EQ(other->getParameter(63), 999.5f / 129.0f);
    EXPECT_FLOAT_EQ(other->getParameter(64), 64.5f / 129.0f);
    for (int i = 0; i < 120; ++i) EXPECT_TRUE(std::isfinite(other->getParameter(i))) << i;

    // And the audio stays finite.
    lumdel::host::Buffers<float> in(4, 256), out(2, 256);
    for (float& s : in.data[0]) s = 0.25f;
    other->process(in.get(), out.get(), 256);
    for (auto& c : out.data)
        for (float s : c) ASSERT_TRUE(std::isfinite(s));
}

TEST_F(ChunkTest, EditingAParameterWritesIntoTheCurrentPreset) {
    host->setParameter(2, 0.7f);
    Bytes b = chunkOf(*host);
    EXPECT_FLOAT_EQ(floatAt(b, valueAt(0, 2)), 0.7f);
    // Re-selecting the preset later restores the changed value.
    setWord(b, 12, 5);
    ASSERT_EQ(sendChunk(*host, b), 0);
    EXPECT_NE(host->getParameter(2), 0.7f);
    b = chunkOf(*host);
    setWord(b, 12, 0);
    ASSERT_EQ(sendChunk(*host, b), 0);
    EXPECT_FLOAT_EQ(host->getParameter(2), 0.7f);
    // A non-finite host value changes neither the preset nor the parameter.
    host->setParameter(2, std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(floatAt(chunkOf(*host), valueAt(0, 2)), 0.7f);
}

TEST_F(ChunkTest, LoadingAPresetAsksTheHostToRefresh) {
    Bytes b = chunkOf(*host);
    setWord(b, 12, 60);
    const int before = host->updateDisplayCalls;
    ASSERT_EQ(sendChunk(*host, b), 0);
    EXPECT_GT(host->updateDisplayCalls, before);
    char name[64] = {};
    host->dispatch(effGetProgramName, 0, 0, name);
    EXPECT_STREQ(name, "Bass Drone");
    EXPECT_EQ(host->dispatch(effGetProgram), 0);
}

}  // namespace
