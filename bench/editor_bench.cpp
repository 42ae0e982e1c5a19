// The editor's idle cost offscreen: a quiet idle (readout, meters, controller display,
// nothing redrawn), an idle after one parameter change, and a whole open and close; each
// at 1x, 1.5x and 2x (the argument is ten times the scale).
#include <benchmark/benchmark.h>

#include "editor/Editor.h"
#include "shell/EditorAdapter.h"
#include "shell/Orv.h"
#include "core/ParameterTable.h"

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

struct OpenEditor {
    explicit OpenEditor(double scale) : orv(quietHost) {
        editor = dynamic_cast<Editor*>(guiEditorOf(orv));
        editor->setScale(scale);
        orv.dispatcher(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'),
                       lumdel::editor_request::kOpenOffscreen, nullptr, 0);
        editor->idle();
    }
    ~OpenEditor() { orv.dispatcher(effEditClose, 0, 0, nullptr, 0); }
    Orv orv;
    Editor* editor = nullptr;
};

void BM_EditorQuietIdle(benchmark::State& state) {
    OpenEditor e(state.range(0) / 10.0);
    for (auto _ : state) e.editor->idle();
}
BENCHMARK(BM_EditorQuietIdle)->Arg(10)->Arg(15)->Arg(20);

void BM_EditorIdleAfterOneChange(benchmark::State& state) {
    OpenEditor e(state.range(0) / 10.0);
    float v = 0.0f;
    for (auto _ : state) {
        v = v > 0.9f ? 0.0f : v + 0.01f;
        e.orv.setParameter(lumdel::kCutoff, v);
        e.editor->idle();
    }
}
BENCHMARK(BM_EditorIdleAfterOneChange)->Arg(10)->Arg(15)->Arg(20);

void BM_EditorOpenClose(benchmark::State& state) {
    Orv orv(quietHost);
    guiEditorOf(orv)->setScale(state.range(0) / 10.0);
    for (auto _ : state) {
        orv.dispatcher(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'),
                       lumdel::editor_request::kOpenOffscreen, nullptr, 0);
        orv.dispatcher(effEditClose, 0, 0, nullptr, 0);
    }
}
BENCHMARK(BM_EditorOpenClose)->Arg(10)->Arg(15)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
