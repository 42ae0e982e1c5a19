// The delay effect: its parameters, the engine it drives and the editor it creates.
// Top layer of the effect object (AudioEffect, AudioEffectX, CPresetSystemEffect, Orv).
#pragma once

#include <mutex>

#include "../engine/Routing.h"
#include "../presets/CPresetSystemEffect.h"

class Orv : public CPresetSystemEffect {
public:
    static constexpr VstInt32 kUniqueId = vstFourCC('L', 'M', 'D', 'L');

    explicit Orv(audioMasterCallback audioMaster);
    ~Orv() override;

    // Host UI thread (effMainsChanged): the engine's lifecycle.
    void suspend() override;
    void resume() override;
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

    void setCurrentPreset(VstInt32 index) override;

    const lumdel::Routing& routing() const { return routing_; }
    bool arrangementFixed() const { return arrangementFixed_; }

private:
    // Counts connected pins and picks the routing, unless the host fixed it.
    void probePins();

    std::recursive_timed_mutex engineMutex_;
    lumdel::Routing routing_;
    bool arrangementFixed_ = false;
    float values_[60] = {};
};
