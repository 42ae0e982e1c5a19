// The engine's cost per block (the block this processor runs: see CpuLevel.h, and
// LUMDEL_CPU=baseline for the build for any x86-64): a plain configuration (clocked mode, filter, reverb and
// drive off), the default preset, and a full load (clocked mode with LFO and envelope
// modulation, filter in the loop with resonance modulation, drive, gate, ducking, plate
// reverb), at 44100 and 96000 Hz in blocks of 64 and 512 frames of stereo noise. Each
// case also reports its cost as a multiple of copying the same block ("x_copy"). The
// silent-tail cases feed silence after a loud passage so that the feedback decays into
// the denormal range; compare them with the same configuration fed with noise.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "shell/Orv.h"
#include "core/ParameterTable.h"

using namespace lumdel;

namespace {

VstTimeInfo timeInfo{};

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    switch (opcode) {
        case audioMasterVersion: return 2400;
        case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(&timeInfo);
        default: return 0;
    }
}

enum Config { kPlain, kDefault, kFull };

std::vector<std::pair<int, float>> settingsFor(Config config) {
    switch (config) {
        case kPlain:
            return {{kVcoOn, 0.0f}, {kFltOn, 0.0f}, {kRvbOn, 0.0f}, {kDrive, 0.0f},
                    {kFbGainL, 0.5f}, {kFbGainR, 0.5f}};
        case kDefault: return {};
        case kFull:
            return {{kVcoOn, 1.0f},    {kVcoMod, 0.7f},   {kModSrc, 0.5f},  {kLFOWave, 0.5f},
                    {kFltOn, 1.0f},    {kFltMode, 0.5f},  {kReso, 0.6f},    {kResoMod, 0.8f},
                    {kCutfMod, 0.8f},  {kCutoff, 0.7f},   {kDrive, 0.5f},   {kDlyGateL, 0.3f},
                    {kDlyGateR, 0.3f}, {kDucking, 0.5f},  {kRvbOn, 1.0f},   {kRvbType, 0.75f},
                    {kFbGainL, 0.5f},  {kFbGainR, 0.5f}};
    }
    return {};
}

struct Instance {
    std::unique_ptr<Orv> effect;
    Instance(Config config, float rate, int block) {
        timeInfo.tempo = 120.0;
        timeInfo.sampleRate = rate;
        timeInfo.flags = kVstTempoValid | kVstPpqPosValid;
        effect = std::make_unique<Orv>(hostCallback);
        for (auto [index, value] : settingsFor(config)) effect->setParameter(index, value);
        effect->dispatcher(effSetSampleRate, 0, 0, nullptr, rate);
        effect->dispatcher(effSetBlockSize, 0, block, nullptr, 0.0f);
        effect->suspend();
        effect->resume();
    }
};

struct Noise {
    std::vector<std::vector<float>> in;
    std::vector<std::vector<float>> out;
    float* inPtr[4];
    float* outPtr[2];
    Noise(int frames, float level) : in(4, std::vector<float>(frames)), out(2, std::vector<float>(frames)) {
        unsigned seed = 99;
        for (auto& c : in)
            for (float& x : c) {
                seed = seed * 1103515245u + 12345u;
                x = level * (static_cast<float>((seed >> 9) & 0x7fff) / 16384.0f - 1.0f);
            }
        for (int c = 0; c < 4; ++c) inPtr[c] = in[c].data();
        for (int c = 0; c < 2; ++c) outPtr[c] = out[c].data();
    }
};

// CPU time of this thread: other processes on a busy machine do not count.
double threadNanoseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

// Nanoseconds of copying one stereo block, the yardstick of x_copy.
double copyNanoseconds(Noise& noise, int block) {
    const int reps = 200000;
    const double start = threadNanoseconds();
    for (int r = 0; r < reps; ++r) {
        std::memcpy(noise.outPtr[0], noise.inPtr[0], sizeof(float) * block);
        std::memcpy(noise.outPtr[1], noise.inPtr[1], sizeof(float) * block);
        benchmark::DoNotOptimize(noise.outPtr[0][r % block]);
        benchmark::ClobberMemory();
    }
    return (threadNanoseconds() - start) / reps;
}

void runCase(benchmark::State& state, Config config, bool silentTail) {
    const float rate = static_cast<float>(state.range(0));
    const int block = static_cast<int>(state.range(1));
    Instance instance(config, rate, block);
    Noise noise(block, 0.5f);
    Noise silence(block, 0.0f);
    if (silentTail) {
        // A loud second with long feedback, then silence until the repeats have died
        // away into the denormal range.
        instance.effect->setParameter(kFbGainL, 0.9f);
        instance.effect->setParameter(kFbGainR, 0.9f);
        for (int i = 0; i < static_cast<int>(rate) / block; ++i)
            instance.effect->processReplacing(noise.inPtr, noise.outPtr, block);
        for (int i = 0; i < 60 * static_cast<int>(rate) / block; ++i)
            instance.effect->processReplacing(silence.inPtr, silence.outPtr, block);
    }
    Noise& source = silentTail ? silence : noise;
    const double copyNs = copyNanoseconds(noise, block);
    const double start = threadNanoseconds();
    for (auto _ : state) {
        instance.effect->processReplacing(source.inPtr, source.outPtr, block);
        benchmark::ClobberMemory();
    }
    const double ns = (threadNanoseconds() - start) / static_cast<double>(state.iterations());
    state.counters["ns_per_frame"] = ns / block;
    state.counters["x_copy"] = ns / copyNs;
    state.SetItemsProcessed(state.iterations() * block);
}

void BM_Plain(benchmark::State& s) { runCase(s, kPlain, false); }
void BM_Default(benchmark::State& s) { runCase(s, kDefault, false); }
void BM_FullLoad(benchmark::State& s) { runCase(s, kFull, false); }
void BM_PlainSilentTail(benchmark::State& s) { runCase(s, kPlain, true); }
void BM_DefaultSilentTail(benchmark::State& s) { runCase(s, kDefault, true); }
void BM_FullLoadSilentTail(benchmark::State& s) { runCase(s, kFull, true); }

void rates(benchmark::internal::Benchmark* b) {
    for (int rate : {44100, 96000})
        for (int block : {64, 512}) b->Args({rate, block});
}

void BM_Construction(benchmark::State& state) {
    for (auto _ : state) {
        auto effect = std::make_unique<Orv>(hostCallback);
        benchmark::DoNotOptimize(effect.get());
    }
}

}  // namespace

BENCHMARK(BM_Plain)->Apply(rates);
BENCHMARK(BM_Default)->Apply(rates);
BENCHMARK(BM_FullLoad)->Apply(rates);
BENCHMARK(BM_PlainSilentTail)->Apply(rates);
BENCHMARK(BM_DefaultSilentTail)->Apply(rates);
BENCHMARK(BM_FullLoadSilentTail)->Apply(rates);
BENCHMARK(BM_Construction)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
