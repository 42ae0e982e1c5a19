#include "Orv.h"

#include <cstring>
#include <memory>

#include "../editor/Editor.h"
#include "EditorAdapter.h"
#include "core/ParameterTable.h"

using namespace lumdel;

namespace {
constexpr const char* kEffectName = "Lumdel";
constexpr const char* kVendorName = "Orvtone";
constexpr const char* kProductName = "Lumdel - The ultimate delay machine";
}  // namespace

// Called once by the entry point. The plug-in member already holds the factory bank and
// the engine with its tables and 44100 Hz buffers.
Orv::Orv(audioMasterCallback audioMaster, WithEditor withEditor, SettingsStore settings)
    : CPresetSystemEffect(audioMaster, 1, kNumParams), plugin_(*this, std::move(settings)) {
    std::lock_guard<std::recursive_timed_mutex> lock(core().engineLock());
    setNumInputs(4);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    canProcessReplacing();
    canDoubleReplacing();
    // The reverb's line positions exist before any preset is applied.
    setParameter(kRvbType, 0.0f);
    curProgram_ = 0;
    // The editor exists before preset 0 is applied, so its controls start in line.
    if (withEditor == WithEditor::Yes) {
        // The editor is owned at every step: by the pointer until the adapter exists
        // (its allocation may fail), then by the adapter, which the effect owns.
        auto owned = std::make_unique<Editor>(this);
        Editor* editor = owned.get();
        setEditor(new EditorAdapter(this, owned.release()));
        setEditorLink(editor);
        presetStore().setHooks(editor);
    }
    plugin_.loadStoredDefaults();
    setCurrentPreset(0);
    core().placeTaps();
    suspend();
}

// Called through effClose only. The editor goes first, while the whole effect still
// exists (a host may close the effect without closing the editor's window); then the
// destructor waits for a running block and frees the engine.
Orv::~Orv() {
    if (AEffEditor* editor = getEditor()) {
        setEditorLink(nullptr);
        presetStore().setHooks(nullptr);
        setEditor(nullptr);
        delete editor;
    }
    std::lock_guard<std::recursive_timed_mutex> lock(core().engineLock());
}

bool Orv::getEffectName(char* name) {
    std::strcpy(name, kEffectName);
    return true;
}

bool Orv::getVendorString(char* text) {
    std::strcpy(text, kVendorName);
    return true;
}

bool Orv::getProductString(char* text) {
    std::strcpy(text, kProductName);
    return true;
}

void Orv::getParameterName(VstInt32 index, char* text) { parameterName(index, text); }

void Orv::getParameterLabel(VstInt32 index, char* label) { parameterLabel(index, label); }

bool Orv::getParameterProperties(VstInt32 index, VstParameterProperties* p) {
    if (index < 0 || index >= kNumParams || !p) return false;
    const ParamInfo& info = kParams[index];
    switch (info.props) {
        case HostProps::None:
            return false;
        case HostProps::Switch:
            p->flags &= kVstParameterIsSwitch | kVstParameterUsesIntegerMinMax |
                        kVstParameterUsesIntStep;
            p->minInteger = 0;
            p->maxInteger = 1;
            p->stepInteger = 1;
            p->largeStepInteger = 1;
            return true;
        case HostProps::Stepped:
            p->flags = 0;
            p->minInteger = 1;
            p->maxInteger = info.hostMax;
            p->stepInteger = 1;
            return true;
        case HostProps::FloatEnvSpeed:
            p->stepFloat = p->smallStepFloat = 1.0f / 900.0f;
            p->largeStepFloat = 1.0f / 90.0f;
            p->flags = kVstParameterUsesFloatStep;
            return true;
        case HostProps::FloatDlyTime:
            p->stepFloat = p->smallStepFloat = 0.0001f;
            p->largeStepFloat = 0.1f;
            p->flags = kVstParameterUsesFloatStep;
            return true;
    }
    return false;
}

// Host UI thread. Only the channel counts matter.
bool Orv::setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output) {
    if (!input || !output) return false;
    return core().setArrangement(input->numChannels, output->numChannels);
}
