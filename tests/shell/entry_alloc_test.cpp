// Allocation failure never terminates the host: every allocation of this test program
// can be made to fail (an injected operator new), the engine's large buffers too (its
// allocation gate), and the effect is created through the same function the library's
// entry point calls. A failure anywhere in the
// construction gives a null plug-in (and leaks nothing, which the sanitizer build
// checks); one at resume gives a silent instance until a later resume succeeds; one in
// any other host call ends that call, never the host.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "engine/Engine.h"
#include "shell/CreateEffect.h"
#include "shell/Orv.h"
#include "core/ParameterTable.h"
#include "tools/host/Host.h"

namespace {

// The allocation that fails: the n-th from arming (1-based); 0 = none.
std::atomic<long> failAt{0};
std::atomic<long> counted{0};

void* allocate(std::size_t n, bool nothrow) {
    const long target = failAt.load(std::memory_order_relaxed);
    if (target > 0 && counted.fetch_add(1) + 1 == target) {
        if (nothrow) return nullptr;
        throw std::bad_alloc();
    }
    void* p = std::malloc(n ? n : 1);
    if (!p && !nothrow) throw std::bad_alloc();
    return p;
}

void arm(long n) {
    counted = 0;
    failAt = n;
}
// True when the armed failure happened.
bool disarm() {
    const bool failed = failAt.load() > 0 && counted.load() >= failAt.load();
    failAt = 0;
    return failed;
}

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

Orv* orvOf(AEffect* effect) {
    return dynamic_cast<Orv*>(static_cast<AudioEffect*>(effect->object));
}

}  // namespace

void* operator new(std::size_t n) { return allocate(n, false); }
void* operator new[](std::size_t n) { return allocate(n, false); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n, true); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n, true); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
// What a constructor that throws after new (std::nothrow) gives its memory back with.
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

bool noLargeBuffers(std::size_t bytes) { return bytes < (1u << 20); }

// The case that used to terminate hosts: no memory for the delay lines (a host creating
// many instances at a high rate). The entry point answers null.
TEST(AllocationFailure, DelayLinesWithoutMemoryGiveANullPlugin) {
    lumdel::setBufferAllocationGate(&noLargeBuffers);
    AEffect* effect = lumdel::createEffect(&quietHost);
    lumdel::setBufferAllocationGate(nullptr);
    EXPECT_EQ(effect, nullptr);
    effect = lumdel::createEffect(&quietHost);
    ASSERT_NE(effect, nullptr);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

// Every allocation of the construction in turn fails, until one construction gets
// through with all it asked for.
TEST(AllocationFailure, AnywhereInTheConstructionGivesANullPlugin) {
    long points = 0;
    for (long n = 1; n < 200000; ++n) {
        arm(n);
        AEffect* effect = lumdel::createEffect(&quietHost);
        const bool failed = disarm();
        if (!failed) {
            ASSERT_NE(effect, nullptr);
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
            break;
        }
        ASSERT_EQ(effect, nullptr) << "allocation " << n;
        ++points;
    }
    EXPECT_GT(points, 20);  // the construction allocates: each point was tried
    std::printf("[ figure   ] allocations tried in the construction: %ld\n", points);
}

// A resume whose new buffers cannot be had leaves the instance silent; the next resume
// that gets them brings the sound back.
TEST(AllocationFailure, AtResumeGivesASilentInstanceUntilAResumeSucceeds) {
    lumdel::host::Host host;
    host.recordCalls = false;  // the host's callbacks allocate nothing of their own
    ASSERT_TRUE(host.load(&lumdel::createEffect)) << host.error();
    Orv* orv = orvOf(host.effect());
    ASSERT_NE(orv, nullptr);
    host.setParameter(lumdel::kMix, 0.0f);  // dry: the input alone is heard
    lumdel::host::Buffers<float> in(4, 256), out(2, 256);
    for (int i = 0; i < 256; ++i)
        for (auto& channel : in.data) channel[i] = 0.5f * std::sin(0.05f * static_cast<float>(i));
    auto loudest = [&] {
        float peak = 0;
        for (int b = 0; b < 8; ++b) {
            host.process(in.get(), out.get(), 256);
            for (auto& channel : out.data)
                for (float v : channel) {
                    EXPECT_TRUE(std::isfinite(v));
                    peak = std::max(peak, std::fabs(v));
                }
        }
        return peak;
    };

    host.sampleRate = 192000.0f;
    host.dispatch(effSetSampleRate, 0, 0, nullptr, host.sampleRate);
    arm(1);  // the reverb lines
    host.resume();
    ASSERT_TRUE(disarm());
    EXPECT_TRUE(orv->buffersMissing());
    EXPECT_EQ(loudest(), 0.0f);
    EXPECT_EQ(orv->engine().delayBufferLength(), 10 * 44100 + 1);  // the old lines, whole

    host.suspend();
    lumdel::setBufferAllocationGate(&noLargeBuffers);  // the delay lines
    host.resume();
    lumdel::setBufferAllocationGate(nullptr);
    EXPECT_TRUE(orv->buffersMissing());
    EXPECT_EQ(loudest(), 0.0f);

    host.suspend();
    host.resume();
    EXPECT_FALSE(orv->buffersMissing());
    EXPECT_GT(loudest(), 0.1f);
    EXPECT_EQ(orv->engine().delayBufferLength(), 10 * 192000 + 1);
}

// Any host call whose allocation fails ends that call, and the effect stays usable.
TEST(AllocationFailure, InHostCallsEndsTheCallNotTheHost) {
    lumdel::host::Host host;
    ASSERT_TRUE(host.load(&lumdel::createEffect)) << host.error();
    host.start();
    char text[256];
    for (long n = 1; n <= 40; ++n) {
        arm(n);
        void* chunk = nullptr;
        host.dispatch(effGetChunk, 0, 0, &chunk);
        host.dispatch(effGetParamDisplay, lumdel::kDlyTimeL, 0, text);
        host.dispatch(effSetProgramName, 0, 0, const_cast<char*>("Renamed"));
        host.dispatch(effEditIdle);
        disarm();
    }
    EXPECT_EQ(host.parameterName(lumdel::kMix), "Mix");
}
