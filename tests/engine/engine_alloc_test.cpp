// The blocks allocate nothing: every operator new of this test program is counted
// while blocks run, through every configuration and with settings changing between
// blocks (tempo, delay times, reverb type, sample rate excepted).
#include <atomic>
#include <cstdlib>
#include <new>

#include "engine_direct.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* counted(std::size_t n) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
}  // namespace

void* operator new(std::size_t n) { return counted(n); }
void* operator new[](std::size_t n) { return counted(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
    return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

using namespace lumdel;
using namespace lumdel::test;

class AllocationTest : public DirectTest {};

TEST_F(AllocationTest, BlocksAllocateNothing) {
    setRate(48000.0f);
    std::vector<float> in(2048), out(2048);
    std::vector<double> din(2048), dout(2048);
    for (int i = 0; i < 2048; ++i) din[i] = in[i] = std::sin(i * 0.05f) * 0.5f;
    float* ins[4] = {in.data(), in.data(), in.data(), in.data()};
    float* outs[2] = {out.data(), out.data() + 1024};
    double* dins[4] = {din.data(), din.data(), din.data(), din.data()};
    double* douts[2] = {dout.data(), dout.data() + 1024};

    const std::vector<std::vector<std::pair<int, float>>> configs = {
        {},
        {{kVcoOn, 0.0f}},
        {{kVcoOn, 1.0f}, {kVcoMod, 0.9f}, {kFltOn, 1.0f}, {kFltMode, 0.5f}, {kRvbOn, 1.0f}},
        {{kRvbType, 0.75f}, {kDrive, 0.6f}, {kDlyGateL, 0.4f}, {kLfoMode, 0.9f}, {kLFOWave, 0.9f}},
        {{kFltMode, 0.0f}, {kBypass, 1.0f}, {kDlyModeL, 0.0f}, {kDlyTimeL, 0.9f}},
    };
    long total = 0;
    for (const auto& config : configs) {
        for (auto [index, value] : config) effect->setParameter(index, value);
        counting = true;
        allocations = 0;
        for (int b = 0; b < 40; ++b) {
            effect->processReplacing(ins, outs, 1024);
            effect->processDoubleReplacing(dins, douts, 512);
            effect->processReplacing(ins, outs, 0);
            DirectHost::time.tempo = 100.0 + b;  // synced times recomputed per block
            DirectHost::time.ppqPos += 3.7;
        }
        counting = false;
        total += allocations.load();
    }
    EXPECT_EQ(total, 0);
}
