// A small VST 2.4 host for tests and the command-line tool: loads any plug-in
// library, answers its callbacks with settable time, pins, latency and canDo
// answers, records what the plug-in reports, sends MIDI and runs blocks.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/vst2.h"

namespace lumdel::host {

// A dlopen'ed plug-in library (RTLD_NOW | RTLD_LOCAL).
class PluginLibrary {
public:
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool ok() const { return entry_ != nullptr; }
    const std::string& error() const { return error_; }
    using Entry = AEffect* (*)(audioMasterCallback);
    Entry entry() const { return entry_; }

private:
    void* handle_ = nullptr;
    Entry entry_ = nullptr;
    std::string error_;
};

struct AutomateCall {
    int index;
    float value;
};

struct EditCall {
    int index;
    bool begin;
};

// Begin edit, automate and end edit in the order the plug-in sent them.
struct AutomationEvent {
    enum Kind { Begin, Automate, End } kind;
    int index;
    float value;  // Automate only
};

// One plug-in instance and the host around it.
class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // --- what the host answers -------------------------------------------
    VstIntPtr hostVersion = 2400;
    bool timeInfoAvailable = true;  // false: audioMasterGetTime answers null
    VstTimeInfo timeInfo{};         // tempo, position and flags handed out
    int connectedInputs = 4;        // pins 0..n-1 answer "connected"
    int connectedOutputs = 2;
    VstIntPtr outputLatency = 0;
    std::map<std::string, VstIntPtr> canDoAnswers{{"sendVstMidiEvent", 1}};
    float sampleRate = 44100.0f;
    int blockSize = 512;

    // --- what the plug-in reported ---------------------------------------
    std::vector<AutomateCall> automates;
    std::vector<EditCall> edits;
    std::vector<AutomationEvent> automationEvents;
    int updateDisplayCalls = 0;
    // Sizes the editor asked for (audioMasterSizeWindow), width and height.
    std::vector<std::pair<int, int>> windowSizes;
    // Called on audioMasterSizeWindow, to resize the window the editor lives in.
    std::function<void(int width, int height)> onSizeWindow;
    int wantMidiCalls = 0;
    int getTimeCalls = 0;
    std::vector<VstInt32> getTimeFilters;
    // false: the callbacks keep no lists (automates, edits, automationEvents,
    // getTimeFilters), so the host itself allocates nothing while the plug-in calls back
    // from its audio thread.
    bool recordCalls = true;
    // Called from inside the callbacks, to test re-entrant plug-in calls.
    std::function<void(int index, float value)> onAutomate;
    std::function<void()> onUpdateDisplay;

    // --- driving the plug-in ---------------------------------------------
    // Calls the entry point and effOpen; false (with error()) when it fails.
    bool load(PluginLibrary& library);
    // The same with any entry point, e.g. one that builds the effect in-process.
    bool load(PluginLibrary::Entry entry);
    // Calls effClose (which destroys the plug-in's object); safe to call twice.
    void close();
    AEffect* effect() const { return effect_; }
    const std::string& error() const { return error_; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    // effSetSampleRate, effSetBlockSize, effMainsChanged 1.
    void start();
    void resume() { dispatch(effMainsChanged, 0, 1); }
    void suspend() { dispatch(effMainsChanged, 0, 0); }

    void setParameter(int index, float value);
    float getParameter(int index);
    std::string parameterName(int index);
    std::string parameterLabel(int index);
    std::string parameterDisplay(int index);
    std::string effectName();
    std::string vendorString();
    std::string productString();

    void process(float** inputs, float** outputs, int frames);
    void processDouble(double** inputs, double** outputs, int frames);
    // Sends MIDI events through effProcessEvents.
    VstIntPtr sendMidi(const std::vector<VstMidiEvent>& events);
    static VstMidiEvent controlChange(int channel, int controller, int value, int deltaFrames = 0);

    // Sets tempo (BPM) with the tempo-valid flag; ppq position with its flag.
    void setTempo(double bpm);
    void setPosition(double ppq);

    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);

private:
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    AEffect* effect_ = nullptr;
    std::string error_;
};

// Deinterleaved stereo-or-more buffers with stable channel pointers.
template <typename T>
struct Buffers {
    Buffers(int channels, int frames) : data(channels, std::vector<T>(frames, T(0))) {
        for (auto& c : data) ptrs.push_back(c.data());
    }
    T** get() { return ptrs.data(); }
    std::vector<std::vector<T>> data;
    std::vector<T*> ptrs;
};

}  // namespace lumdel::host
