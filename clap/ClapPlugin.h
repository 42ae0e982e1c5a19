// The delay effect as a CLAP plug-in: owns one lumdel::Plugin, serves it as its HostPort
// and the editor as its EditorController, runs the host's blocks in pieces cut at the
// events (parameter values, MIDI controllers, transport), saves and loads the whole
// chunk through the host's streams, and hands the editor's edits to the host as
// gestures and values.
#pragma once

#include <clap/entry.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/thread-check.h>
#include <clap/plugin.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "ClapParams.h"
#include "core/EditorController.h"
#include "core/HostPort.h"
#include "core/Plugin.h"

namespace lumdel::clap {

class ClapGui;

class ClapPlugin : private HostPort, public EditorController {
public:
    // The longest piece of a host block run at once (longer blocks are run in pieces).
    static constexpr std::uint32_t kMaxPiece = 2048;
    // The longest state a load reads (a longer stream is refused).
    static constexpr std::int64_t kMaxState = 1 << 16;

    // Host main thread (the factory's create_plugin): the core, the factory bank and the
    // stored defaults, preset 0 applied, suspended.
    explicit ClapPlugin(const clap_host_t* host);
    ~ClapPlugin() override;
    const clap_plugin_t* clapPlugin() const { return &clap_; }
    static ClapPlugin* of(const clap_plugin_t* plugin);

    // Host main thread, once: finds the host's extensions.
    bool init() noexcept;
    // Host main thread: the engine's lifecycle at the host's rate.
    bool activate(double sampleRate) noexcept;
    void deactivate() noexcept;
    // Host audio thread: between these the host calls process.
    bool startProcessing() noexcept;
    void stopProcessing() noexcept;
    // Host audio thread (active): running state cleared, settings kept.
    void reset() noexcept;
    // Host audio thread: the events in time order and the block cut at them.
    clap_process_status process(const clap_process_t* process) noexcept;
    // Host main thread after request_callback (unused: nothing asks for it).
    void onMainThread() noexcept {}

    // --- params (main thread; flush on the audio thread while active) ---------------
    bool paramValue(clap_id id, double& value) noexcept;
    bool valueToText(clap_id id, double value, char* out, std::uint32_t size) noexcept;
    bool textToValue(clap_id id, const char* text, double& value) noexcept;
    void flush(const clap_input_events_t* in, const clap_output_events_t* out) noexcept;
    // --- state (main thread) --------------------------------------------------------
    bool saveState(const clap_ostream_t* stream) noexcept;
    bool loadState(const clap_istream_t* stream) noexcept;
    // --- tail (main or audio thread) ------------------------------------------------
    std::uint32_t tail() const noexcept;

    // True when the host says this is its audio thread (then main-thread calls refuse).
    bool onAudioThread() const;
    const clap_host_t* host() const { return host_; }
    Plugin& plugin() { return plugin_; }
    // --- gui (main thread) ----------------------------------------------------------
    // The editor for an embedded X11 window; false off the main thread, for another
    // window system or a floating window, when one exists, or without timer-support.
    bool createGui(const char* api, bool floating) noexcept;
    void destroyGui() noexcept;
    // Null unless a gui was created (and refused on the audio thread).
    ClapGui* gui() const { return onAudioThread() ? nullptr : gui_.get(); }

    // --- EditorController (main thread, the editor's) -------------------------------
    float getParameter(std::int32_t index) override { return plugin_.getParameter(index); }
    bool beginEdit(std::int32_t index) override;
    void setParameterAutomated(std::int32_t index, float value) override;
    bool endEdit(std::int32_t index) override;
    void reportParameter(std::int32_t index, float value) override;
    PresetStore& presetStore() override { return plugin_.presets(); }
    const SettingsStore& settingsStore() const override { return plugin_.settings(); }
    void getReadout(std::int32_t index, std::int32_t& number, std::int32_t& point,
                    bool& isSigned, std::int32_t& slash, std::int32_t& numerator,
                    std::int32_t& denominator) override;
    bool syncOutOfRange(int kind) const override { return plugin_.core().syncOutOfRange(kind); }
    void readMeterPeaks(float& left, float& right) override {
        plugin_.core().readMeterPeaks(left, right);
    }
    float getTempoNorm() const override { return plugin_.core().tempoNorm(); }
    void setTempoNorm(float value) override { plugin_.core().setTempoNorm(value); }
    bool hostTempoValid() const override { return plugin_.core().hostTempoValid(); }

private:
    // What the editor tells the host, queued from the main thread and sent by the next
    // process or flush.
    struct Outgoing {
        std::uint16_t type;  // CLAP_EVENT_PARAM_GESTURE_BEGIN, _END or _VALUE
        clap_id id;
        double value;
    };
    static constexpr std::uint32_t kQueue = 1024;

    // HostPort.
    bool hostTime(bool withPosition, HostTime& time) override;
    long outputLatency() override { return 0; }
    bool inputConnected(int) override { return true; }
    bool outputConnected(int) override { return true; }
    void setParameter(int index, float value) override { plugin_.setParameter(index, value); }
    void presetsChanged() override;

    void readTransport(const clap_event_transport_t& t);
    void handleEvent(const clap_event_header_t* ev, const clap_output_events_t* out);
    template <typename T>
    void runPiece(const clap_process_t& p, std::uint32_t offset, std::uint32_t frames);
    void push(std::uint16_t type, std::int32_t index, double value);
    void sendQueued(const clap_output_events_t* out, std::uint32_t time);
    void askFlush();

    clap_plugin_t clap_;
    const clap_host_t* host_;
    const clap_host_params_t* hostParams_ = nullptr;
    const clap_host_thread_check_t* threadCheck_ = nullptr;
    const clap_host_state_t* hostState_ = nullptr;
    Plugin plugin_;
    ParamTexts texts_;
    std::unique_ptr<ClapGui> gui_;
    bool active_ = false;
    std::atomic<bool> processing_{false};
    double sampleRate_ = 44100.0;
    // Silence for a missing input, a sink for a missing output, both precisions.
    std::unique_ptr<float[]> buffers32_;
    std::unique_ptr<double[]> buffers64_;
    std::unique_ptr<unsigned char[]> stateBuffer_;
    // The host's transport as the last record left it, moved on by each piece.
    bool timeValid_ = false, positionValid_ = false, playing_ = false;
    double tempo_ = 120.0, quarters_ = 0.0;
    // Editor to host: one producer (main thread), one consumer (process or flush).
    Outgoing queue_[kQueue];
    std::atomic<std::uint32_t> queueHead_{0}, queueTail_{0};
    int gestureDepth_[kNumParams] = {};
};

}  // namespace lumdel::clap
