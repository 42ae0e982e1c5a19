// The delay effect as a VST 2.4 effect: top layer of the effect object (AudioEffect,
// AudioEffectX, CPresetSystemEffect, Orv). It owns the format-neutral plug-in
// (lumdel::Plugin: engine, parameter code, lifecycle, preset store, settings folder),
// forwards the host's calls to it, serves it as its HostPort and the editor as its
// EditorController, and creates the editor.
#pragma once

#include <atomic>
#include <mutex>

#include "CPresetSystemEffect.h"
#include "core/EditorController.h"
#include "core/EditorLink.h"
#include "core/HostPort.h"
#include "core/Plugin.h"

class Orv : public CPresetSystemEffect,
            public lumdel::EditorController,
            private lumdel::HostPort {
public:
    static constexpr VstInt32 kUniqueId = vstFourCC('L', 'M', 'D', 'L');
    static_assert(kUniqueId == lumdel::kPluginId, "one identifier for host and files");

    // Whether the effect makes its editor. A host's instance always has one; a test that
    // looks at the engine builds the effect without it.
    enum class WithEditor { Yes, No };
    // settings: the folder the stored defaults come from and the strip stores into (the
    // user's own by default; an empty directory: none, the factory state).
    explicit Orv(audioMasterCallback audioMaster, WithEditor withEditor = WithEditor::Yes,
                 lumdel::SettingsStore settings = lumdel::SettingsStore());
    ~Orv() override;

    // Host UI thread (effMainsChanged): the engine's lifecycle. A resume that cannot
    // allocate the new rate's buffers leaves the instance silent (bypassed) until a
    // later resume succeeds.
    void suspend() override;
    void resume() override;
    // True while the blocks are silent for want of memory (tests).
    bool buffersMissing() const { return plugin_.core().buffersMissing(); }
    // Host UI thread (effSetSampleRate), usually before resume. Some hosts set the rate
    // while the effect is resumed: a new rate then takes effect at once, before the next
    // block, exactly as a suspend and resume would (here, under the engine lock).
    void setSampleRate(float sampleRate) override;
    // Host audio thread: one block, under the engine lock.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs,
                                VstInt32 sampleFrames) override;

    // Any thread: the one set-parameter operation (host, editor, preset store, MIDI),
    // handed to lumdel::Plugin: the core applies the value, the editor hears it, and
    // unless a preset is being applied the preset store keeps it.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    // Editor thread: an edit of the user, told to the host (EditorController).
    bool beginEdit(VstInt32 index) override { return AudioEffectX::beginEdit(index); }
    void setParameterAutomated(VstInt32 index, float value) override {
        AudioEffectX::setParameterAutomated(index, value);
    }
    bool endEdit(VstInt32 index) override { return AudioEffectX::endEdit(index); }
    // Editor thread: a value the host did not set, told to it as an automation.
    void reportParameter(VstInt32 index, float value) override {
        callHost(audioMasterAutomate, index, 0, nullptr, value);
    }
    // The preset store and the settings folder (EditorController, CPresetSystemEffect).
    lumdel::PresetStore& presetStore() override { return plugin_.presets(); }
    const lumdel::SettingsStore& settingsStore() const override { return plugin_.settings(); }

    // Host UI thread: names, labels, display texts and properties.
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool getParameterProperties(VstInt32 index, VstParameterProperties* p) override;
    bool setSpeakerArrangement(VstSpeakerArrangement* input,
                               VstSpeakerArrangement* output) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;

    // --- for the editor (UI thread unless noted) ---------------------------------------
    // The four-digit readout of a parameter (display texts).
    void getReadout(VstInt32 index, VstInt32& readoutNumber, VstInt32& readoutPoint,
                    bool& readoutSigned, VstInt32& readoutSlash, VstInt32& readoutNumerator,
                    VstInt32& readoutDenominator) override;
    // Kinds 1, 2 (delay fraction above 5000 ms), 4 (LFO fraction outside 0.01..15 Hz),
    // 8, 16 (pre-delay fraction above 1); any other kind: false.
    bool syncOutOfRange(int kind) const override { return core().syncOutOfRange(kind); }
    // The editor's tempo control (0..1 maps 30..400 BPM), used while the host gives none.
    void setTempoNorm(float value) override;
    float getTempoNorm() const override { return core().tempoNorm(); }
    double hostTempo() const { return core().hostTempo(); }
    // True while the blocks receive a time record from the host.
    bool hostTempoValid() const override { return core().hostTempoValid(); }
    // Peaks since the last call (then cleared), as heard after the output latency.
    void readMeterPeaks(float& left, float& right) override {
        plugin_.core().readMeterPeaks(left, right);
    }
    // True when the left and right delay settings match (within 0.01).
    bool channelsLinked() { return core().channelsLinked(); }
    // The editor registers itself here when it is created (null: no editor).
    void setEditorLink(lumdel::EditorLink* link) { plugin_.setEditorLink(link); }

    // Recomputes the tempo-synchronised values (flags kSyncLeft, kSyncRight, kSyncLfo)
    // and tells the editor the tempo.
    void recomputeSynced(int flags) { plugin_.core().recomputeSynced(flags); }

    lumdel::Plugin& plugin() { return plugin_; }
    lumdel::PluginCore& core() { return plugin_.core(); }
    const lumdel::PluginCore& core() const { return plugin_.core(); }
    const lumdel::EngineState& engineState() const { return core().engineState(); }
    const lumdel::Engine& engine() const { return core().engine(); }
    const lumdel::Routing& routing() const { return core().routing(); }
    bool arrangementFixed() const { return core().arrangementFixed(); }

private:
    // HostPort: what the core asks of the host, in VST 2.4 calls.
    bool hostTime(bool withPosition, lumdel::HostTime& time) override;
    long outputLatency() override { return static_cast<long>(getOutputLatency()); }
    bool inputConnected(int pin) override { return isInputConnected(pin); }
    bool outputConnected(int pin) override { return isOutputConnected(pin); }
    void presetsChanged() override { updateDisplay(); }

    lumdel::Plugin plugin_;
};
