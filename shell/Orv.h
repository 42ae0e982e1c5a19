// The delay effect: its parameters, the engine it drives and the editor it creates.
// Top layer of the effect object (AudioEffect, AudioEffectX, CPresetSystemEffect, Orv).
#pragma once

#include <atomic>
#include <mutex>

#include "../engine/Engine.h"
#include "../engine/Routing.h"
#include "../presets/CPresetSystemEffect.h"
#include "EditorLink.h"

class Orv : public CPresetSystemEffect {
public:
    static constexpr VstInt32 kUniqueId = vstFourCC('L', 'M', 'D', 'L');

    explicit Orv(audioMasterCallback audioMaster);
    ~Orv() override;

    // Host UI thread (effMainsChanged): the engine's lifecycle. A resume that cannot
    // allocate the new rate's buffers leaves the instance silent (bypassed) until a
    // later resume succeeds.
    void suspend() override;
    void resume() override;
    // True while the blocks are silent for want of memory (tests).
    bool buffersMissing() const { return buffersMissing_; }
    // Host UI thread (effSetSampleRate), usually before resume. Some hosts set the rate
    // while the effect is resumed: a new rate then takes effect at once, before the next
    // block, exactly as a suspend and resume would (here, under the engine lock).
    void setSampleRate(float sampleRate) override;
    // Host audio thread: one block, under the engine lock.
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs,
                                VstInt32 sampleFrames) override;

    // Any thread: the one place where a parameter value becomes engine settings.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;

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
                    VstInt32& readoutDenominator);
    // Kinds 1, 2 (delay fraction above 5000 ms), 4 (LFO fraction outside 0.01..15 Hz),
    // 8, 16 (pre-delay fraction above 1); any other kind: false.
    bool syncOutOfRange(int kind) const { return engine_.syncOutOfRange(kind); }
    // The editor's tempo control (0..1 maps 30..400 BPM), used while the host gives none.
    void setTempoNorm(float value);
    float getTempoNorm() const { return static_cast<float>(engine_.hostTempoNorm); }
    double hostTempo() const { return engine_.hostTempo; }
    // True while the blocks receive a time record from the host.
    bool hostTempoValid() const { return engine_.hostTempoValid != 0; }
    // Peaks since the last call (then cleared), as heard after the output latency.
    void readMeterPeaks(float& left, float& right);
    // True when the left and right delay settings match (within 0.01).
    bool channelsLinked();
    // The editor's link action: copies the delay timing of one channel to the other as
    // automated edits (begin edit, set, end edit) for every pair that differs.
    void copyChannelSettings(bool rightToLeft);
    // The editor registers itself here when it is created (null: no editor).
    void setEditorLink(lumdel::EditorLink* link) { editorLink_ = link; }

    // Recomputes the tempo-synchronised values (flags kSyncLeft, kSyncRight, kSyncLfo)
    // and tells the editor the tempo.
    void recomputeSynced(int flags);

    const lumdel::EngineState& engineState() const { return engine_; }
    const lumdel::Engine& engine() const { return engine_; }
    const lumdel::Routing& routing() const { return routing_; }
    bool arrangementFixed() const { return arrangementFixed_; }

private:
    // Counts connected pins and picks the routing, unless the host fixed it.
    void probePins();
    // The engine share of set parameter: the curve or step rule of one index 0..59.
    void applyParameter(VstInt32 index, float value);
    void applyDelayMode(int line, float value);
    void applyRange(int line, float value);
    void applyDelayTime(int line, float value);
    void applyReverbType(float value);
    // The stored value of a parameter 0..59 (not 43, 44).
    double parameterValue(VstInt32 index) const;
    template <typename T>
    void processBlock(T** inputs, T** outputs, VstInt32 sampleFrames);
    // Before a preset load: asks the block to ramp the output to silence and waits (at
    // most 100 ms) until it is there. Returns whether a hold was taken (release it with
    // releaseOutput). No hold while no block ran in the last 50 ms, or on the thread that
    // runs the blocks (a MIDI program change), which must never wait.
    bool holdOutput();
    void releaseOutput();
    // Empties the reverb under the engine lock (a preset load that changes its type).
    void clearReverb();

    std::recursive_timed_mutex engineMutex_;
    // When (steady clock, ns; 0: never) and on which thread the last block ran.
    std::atomic<long long> lastBlockNs_{0};
    std::atomic<unsigned long> blockThread_{0};
    lumdel::Engine engine_;
    lumdel::Routing routing_;
    bool arrangementFixed_ = false;
    // The last resume could not allocate the buffers of the host's rate: the blocks
    // output silence (read and written under the engine lock).
    bool buffersMissing_ = false;
    // Between resume and suspend (host UI thread only).
    bool resumed_ = false;
    lumdel::EditorLink* editorLink_ = nullptr;
};
