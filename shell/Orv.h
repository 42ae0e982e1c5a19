// The delay effect as a VST 2.4 effect: top layer of the effect object (AudioEffect,
// AudioEffectX, CPresetSystemEffect, Orv). It owns the format-neutral plug-in core
// (engine, parameter code, lifecycle), forwards the host's calls to it, serves the core
// as its HostPort and the editor as its EditorController, and creates the editor.
#pragma once

#include <atomic>
#include <mutex>

#include "../presets/CPresetSystemEffect.h"
#include "core/EditorController.h"
#include "core/EditorLink.h"
#include "core/HostPort.h"
#include "core/PluginCore.h"

class Orv : public CPresetSystemEffect,
            public lumdel::EditorController,
            private lumdel::HostPort {
public:
    static constexpr VstInt32 kUniqueId = vstFourCC('L', 'M', 'D', 'L');

    // Whether the effect makes its editor. A host's instance always has one; a tool
    // that only converts files or state builds the effect without it (then no stored
    // defaults are loaded either: they are loaded through the editor's preset strip).
    enum class WithEditor { Yes, No };
    explicit Orv(audioMasterCallback audioMaster, WithEditor withEditor = WithEditor::Yes);
    ~Orv() override;

    // Host UI thread (effMainsChanged): the engine's lifecycle. A resume that cannot
    // allocate the new rate's buffers leaves the instance silent (bypassed) until a
    // later resume succeeds.
    void suspend() override;
    void resume() override;
    // True while the blocks are silent for want of memory (tests).
    bool buffersMissing() const { return core_.buffersMissing(); }
    // Host UI thread (effSetSampleRate), usually before resume. Some hosts set the rate
    // while the effect is resumed: a new rate then takes effect at once, before the next
    // block, exactly as a suspend and resume would (here, under the engine lock).
    void setSampleRate(float sampleRate) override;
    // Host audio thread: one block, under the engine lock.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs,
                                VstInt32 sampleFrames) override;

    // Any thread: the one set-parameter operation (host, editor, preset store, MIDI): the
    // core applies the value, the editor hears it, and unless a preset is being applied
    // the preset store keeps it.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    // Editor thread: an edit of the user, told to the host (EditorController).
    bool beginEdit(VstInt32 index) override { return AudioEffectX::beginEdit(index); }
    void setParameterAutomated(VstInt32 index, float value) override {
        AudioEffectX::setParameterAutomated(index, value);
    }
    bool endEdit(VstInt32 index) override { return AudioEffectX::endEdit(index); }

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

    // UI thread (editor preset menu, preset store): applies preset index through the
    // full parameter path, relinks the editor's channels and recomputes synced values.
    void setCurrentPreset(VstInt32 index) override;

    // --- for the editor (UI thread unless noted) ---------------------------------------
    // The four-digit readout of a parameter (display texts).
    void getReadout(VstInt32 index, VstInt32& readoutNumber, VstInt32& readoutPoint,
                    bool& readoutSigned, VstInt32& readoutSlash, VstInt32& readoutNumerator,
                    VstInt32& readoutDenominator) override;
    // Kinds 1, 2 (delay fraction above 5000 ms), 4 (LFO fraction outside 0.01..15 Hz),
    // 8, 16 (pre-delay fraction above 1); any other kind: false.
    bool syncOutOfRange(int kind) const override { return core_.syncOutOfRange(kind); }
    // The editor's tempo control (0..1 maps 30..400 BPM), used while the host gives none.
    void setTempoNorm(float value) override;
    float getTempoNorm() const override { return core_.tempoNorm(); }
    double hostTempo() const { return core_.hostTempo(); }
    // True while the blocks receive a time record from the host.
    bool hostTempoValid() const override { return core_.hostTempoValid(); }
    // Peaks since the last call (then cleared), as heard after the output latency.
    void readMeterPeaks(float& left, float& right) override { core_.readMeterPeaks(left, right); }
    // True when the left and right delay settings match (within 0.01).
    bool channelsLinked() { return core_.channelsLinked(); }
    // The editor's link action: copies the delay timing of one channel to the other as
    // automated edits (begin edit, set, end edit) for every pair that differs.
    void copyChannelSettings(bool rightToLeft) override;
    // The editor registers itself here when it is created (null: no editor).
    void setEditorLink(lumdel::EditorLink* link) {
        editorLink_ = link;
        core_.setListener(link);
    }

    // Recomputes the tempo-synchronised values (flags kSyncLeft, kSyncRight, kSyncLfo)
    // and tells the editor the tempo.
    void recomputeSynced(int flags) { core_.recomputeSynced(flags); }

    lumdel::PluginCore& core() { return core_; }
    const lumdel::EngineState& engineState() const { return core_.engineState(); }
    const lumdel::Engine& engine() const { return core_.engine(); }
    const lumdel::Routing& routing() const { return core_.routing(); }
    bool arrangementFixed() const { return core_.arrangementFixed(); }

private:
    // HostPort: what the core asks of the host, in VST 2.4 calls.
    bool hostTime(bool withPosition, lumdel::HostTime& time) override;
    long outputLatency() override { return static_cast<long>(getOutputLatency()); }
    bool inputConnected(int pin) override { return isInputConnected(pin); }
    bool outputConnected(int pin) override { return isOutputConnected(pin); }

    lumdel::PluginCore core_;
    lumdel::EditorLink* editorLink_ = nullptr;
};
