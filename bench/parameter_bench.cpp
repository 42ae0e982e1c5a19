// The cost of one parameter write on the plug-in core: every row a host automates
// without the engine lock (all but the reverb type and the two legacy switches), and
// the continuous rows alone (curve and a single store).
#include <benchmark/benchmark.h>

#include <vector>

#include "core/HostPort.h"
#include "core/ParameterTable.h"
#include "core/PluginCore.h"

using namespace lumdel;

namespace {

class QuietHost : public HostPort {
public:
    bool hostTime(bool, HostTime&) override { return false; }
    long outputLatency() override { return 0; }
    bool inputConnected(int) override { return true; }
    bool outputConnected(int) override { return true; }
    void setParameter(int, float) override {}
};

void writeEach(benchmark::State& state, const std::vector<int>& indices) {
    QuietHost host;
    PluginCore core(host);
    for (int i = 0; i < kNumParams; ++i)
        core.applyParameter(i, static_cast<float>(kParams[i].preset0));
    float v = 0.0f;
    for (auto _ : state) {
        for (int i : indices) core.applyParameter(i, v);
        v += 0.37f;
        if (v > 1.0f) v -= 1.0f;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(indices.size()));
}

void BM_ParameterWriteAll(benchmark::State& state) {
    std::vector<int> indices;
    for (int i = 0; i < kNumParams; ++i)
        if (i != kRvbType && kParams[i].kind != ParamKind::Legacy) indices.push_back(i);
    writeEach(state, indices);
}

void BM_ParameterWriteContinuous(benchmark::State& state) {
    std::vector<int> indices;
    for (int i = 0; i < kNumParams; ++i)
        if (kParams[i].kind == ParamKind::Continuous && i != kDlyTimeL && i != kDlyTimeR)
            indices.push_back(i);
    writeEach(state, indices);
}

}  // namespace

BENCHMARK(BM_ParameterWriteAll);
BENCHMARK(BM_ParameterWriteContinuous);
BENCHMARK_MAIN();
