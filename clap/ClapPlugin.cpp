#include "ClapPlugin.h"

#include <clap/fixedpoint.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "ClapExtras.h"
#include "ClapGui.h"


namespace lumdel::clap {

namespace {

// The buffers of one precision: silence and a sink. In place needs no copies: the block
// reads each sample's inputs before it writes its outputs.
constexpr std::uint32_t kSilence = 0, kSink = 1, kBuffers = 2;
// How long the reverb is given to die away once its input stops.
constexpr double kReverbAllowanceMs = 5000.0;

template <typename T>
T** channelsOf(const clap_audio_buffer_t& b);
template <>
float** channelsOf<float>(const clap_audio_buffer_t& b) { return b.data32; }
template <>
double** channelsOf<double>(const clap_audio_buffer_t& b) { return b.data64; }

// Channel c of a port, or null (a mono port gives its one channel to both).
template <typename T>
T* channel(const clap_audio_buffer_t* ports, std::uint32_t count, std::uint32_t port,
           std::uint32_t c) {
    if (!ports || port >= count) return nullptr;
    T** data = channelsOf<T>(ports[port]);
    const std::uint32_t n = ports[port].channel_count;
    if (!data || n == 0) return nullptr;
    return data[c < n ? c : 0];
}

}  // namespace

ClapPlugin* ClapPlugin::of(const clap_plugin_t* plugin) {
    return plugin ? static_cast<ClapPlugin*>(plugin->plugin_data) : nullptr;
}

ClapPlugin::ClapPlugin(const clap_host_t* host)
    : clap_(),
      host_(host),
      plugin_(*this, SettingsStore()),
      buffers32_(new float[kBuffers * kMaxPiece]()),
      buffers64_(new double[kBuffers * kMaxPiece]()),
      stateBuffer_(new unsigned char[kMaxState + 1]) {
    std::lock_guard<std::recursive_timed_mutex> lock(plugin_.core().engineLock());
    // The reverb's line positions exist before any preset is applied.
    plugin_.setParameter(kRvbType, 0.0f);
    plugin_.loadStoredDefaults();
    plugin_.setCurrentPreset(0);
    plugin_.core().placeTaps();
    plugin_.core().suspend();
}

// The editor goes first; then waits for a running block before the engine goes.
ClapPlugin::~ClapPlugin() {
    gui_.reset();
    std::lock_guard<std::recursive_timed_mutex> lock(plugin_.core().engineLock());
}

bool ClapPlugin::init() noexcept {
    if (!host_ || !host_->get_extension) return true;
    try {
        auto ext = [this](const char* id) { return host_->get_extension(host_, id); };
        hostParams_ = static_cast<const clap_host_params_t*>(ext(CLAP_EXT_PARAMS));
        threadCheck_ = static_cast<const clap_host_thread_check_t*>(ext(CLAP_EXT_THREAD_CHECK));
        hostState_ = static_cast<const clap_host_state_t*>(ext(CLAP_EXT_STATE));
        return true;
    } catch (...) {
        return false;
    }
}

bool ClapPlugin::onAudioThread() const {
    return threadCheck_ && threadCheck_->is_audio_thread && threadCheck_->is_audio_thread(host_);
}

// The rate is installed by the resume; a host may activate again at another rate.
bool ClapPlugin::activate(double sampleRate) noexcept {
    if (onAudioThread() || !(sampleRate > 0.0) || !std::isfinite(sampleRate)) return false;
    try {
        PluginCore& core = plugin_.core();
        core.suspend();
        sampleRate_ = sampleRate;
        timeValid_ = positionValid_ = playing_ = false;
        core.setSampleRate(static_cast<float>(sampleRate));
        core.resume();
        if (core.buffersMissing()) {
            core.suspend();
            return false;
        }
        active_ = true;
        return true;
    } catch (...) {
        return false;
    }
}

void ClapPlugin::deactivate() noexcept {
    if (onAudioThread()) return;
    try {
        plugin_.core().suspend();
        active_ = false;
    } catch (...) {
    }
}

bool ClapPlugin::startProcessing() noexcept {
    processing_ = true;
    return true;
}

void ClapPlugin::stopProcessing() noexcept { processing_ = false; }

void ClapPlugin::reset() noexcept {
    try {
        // At the unchanged rate a suspend and resume allocate nothing: they clear the
        // lines and the running state under the engine lock.
        std::unique_lock<std::recursive_timed_mutex> lock(plugin_.core().engineLock(),
                                                          std::try_to_lock);
        if (!lock) return;
        plugin_.core().suspend();
        plugin_.core().resume();
    } catch (...) {
    }
}

void ClapPlugin::readTransport(const clap_event_transport_t& t) {
    timeValid_ = (t.flags & CLAP_TRANSPORT_HAS_TEMPO) && std::isfinite(t.tempo);
    if (timeValid_) tempo_ = t.tempo;
    positionValid_ = (t.flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0;
    if (positionValid_)
        quarters_ = static_cast<double>(t.song_pos_beats) / static_cast<double>(CLAP_BEATTIME_FACTOR);
    playing_ = (t.flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
}

bool ClapPlugin::hostTime(bool withPosition, HostTime& time) {
    if (!timeValid_) return false;
    time.tempo = tempo_;
    time.positionValid = withPosition && positionValid_;
    time.ppqPosition = quarters_;
    return true;
}

void ClapPlugin::handleEvent(const clap_event_header_t* ev, const clap_output_events_t* out) {
    if (!ev || ev->space_id != CLAP_CORE_EVENT_SPACE_ID) return;
    switch (ev->type) {
        case CLAP_EVENT_PARAM_VALUE: {
            if (ev->size < sizeof(clap_event_param_value_t)) return;
            const auto* pv = reinterpret_cast<const clap_event_param_value_t*>(ev);
            if (pv->param_id >= static_cast<clap_id>(kNumParams) || !std::isfinite(pv->value))
                return;
            const int index = static_cast<int>(pv->param_id);
            plugin_.setParameter(index, normalisedOf(index, pv->value));
            return;
        }
        case CLAP_EVENT_MIDI: {
            if (ev->size < sizeof(clap_event_midi_t)) return;
            const auto* m = reinterpret_cast<const clap_event_midi_t*>(ev);
            if ((m->data[0] & 0xF0) != 0xB0) return;
            PresetStore& store = plugin_.presets();
            store.controlChange(m->data[1], m->data[2]);
            // The host hears what the controller moved.
            const int index = store.controllerParameter(m->data[1]);
            if (index < 0 || index >= kNumParams || !out || !out->try_push) return;
            clap_event_param_value_t v{};
            v.header = {sizeof v, ev->time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
            v.param_id = static_cast<clap_id>(index);
            v.note_id = -1;
            v.port_index = v.channel = v.key = -1;
            v.value = plainOf(index, plugin_.getParameter(index));
            out->try_push(out, &v.header);
            return;
        }
        case CLAP_EVENT_TRANSPORT:
            if (ev->size >= sizeof(clap_event_transport_t))
                readTransport(*reinterpret_cast<const clap_event_transport_t*>(ev));
            return;
        default: return;
    }
}

template <typename T>
void ClapPlugin::runPiece(const clap_process_t& p, std::uint32_t offset, std::uint32_t frames) {
    T* const base = std::is_same<T, float>::value ? reinterpret_cast<T*>(buffers32_.get())
                                                  : reinterpret_cast<T*>(buffers64_.get());
    T* const silence = base + kSilence * kMaxPiece;
    T* const sink = base + kSink * kMaxPiece;
    T* in[4];
    T* out[2];
    for (std::uint32_t c = 0; c < 2; ++c) {
        T* i = channel<T>(p.audio_inputs, p.audio_inputs_count, 0, c);
        in[c] = i ? i + offset : silence;
        T* s = channel<T>(p.audio_inputs, p.audio_inputs_count, 1, c);
        // Without a side chain the ducking listens to the main input, as with two pins.
        in[c + 2] = s ? s + offset : in[c];
        T* o = channel<T>(p.audio_outputs, p.audio_outputs_count, 0, c);
        out[c] = o ? o + offset : sink;
    }
    plugin_.core().process(in, out, static_cast<int>(frames));
    if (timeValid_ && playing_) quarters_ += frames / sampleRate_ * tempo_ / 60.0;
}

clap_process_status ClapPlugin::process(const clap_process_t* p) noexcept {
    if (!p || !active_) return CLAP_PROCESS_ERROR;
    try {
        timeValid_ = positionValid_ = playing_ = false;
        if (p->transport) readTransport(*p->transport);
        const clap_input_events_t* in = p->in_events;
        const std::uint32_t events = in && in->size && in->get ? in->size(in) : 0;
        const bool wide = p->audio_outputs_count > 0 && p->audio_outputs &&
                          !p->audio_outputs[0].data32 && p->audio_outputs[0].data64;
        const std::uint32_t frames = p->frames_count;
        std::uint32_t done = 0, next = 0;
        do {
            // The events up to here, and the piece up to the next one.
            std::uint32_t end = std::min(frames, done + kMaxPiece);
            for (; next < events; ++next) {
                const clap_event_header_t* ev = in->get(in, next);
                if (ev && ev->time > done && ev->time < frames) {
                    end = std::min(end, ev->time);
                    break;
                }
                handleEvent(ev, p->out_events);
            }
            if (wide)
                runPiece<double>(*p, done, end - done);
            else
                runPiece<float>(*p, done, end - done);
            done = end;
        } while (done < frames);
        for (; next < events; ++next) handleEvent(in->get(in, next), p->out_events);
        sendQueued(p->out_events, frames > 0 ? frames - 1 : 0);
        return CLAP_PROCESS_CONTINUE;
    } catch (...) {
        return CLAP_PROCESS_ERROR;
    }
}

// --- gui ------------------------------------------------------------------------------

bool ClapPlugin::createGui(const char* api, bool floating) noexcept {
    if (onAudioThread() || gui_ || floating || !api || std::strcmp(api, CLAP_WINDOW_API_X11) != 0)
        return false;
    try {
        gui_ = ClapGui::create(*this);
        return gui_ != nullptr;
    } catch (...) {
        return false;
    }
}

void ClapPlugin::destroyGui() noexcept {
    if (onAudioThread()) return;
    try {
        gui_.reset();
    } catch (...) {
    }
}

// --- params ---------------------------------------------------------------------------

bool ClapPlugin::paramValue(clap_id id, double& value) noexcept {
    if (id >= static_cast<clap_id>(kNumParams)) return false;
    value = plainOf(static_cast<int>(id), plugin_.getParameter(static_cast<int>(id)));
    return true;
}

bool ClapPlugin::valueToText(clap_id id, double value, char* out, std::uint32_t size) noexcept {
    if (id >= static_cast<clap_id>(kNumParams)) return false;
    try {
        return texts_.toText(plugin_.core().engineState(), static_cast<int>(id), value, out,
                             size);
    } catch (...) {
        return false;
    }
}

bool ClapPlugin::textToValue(clap_id id, const char* text, double& value) noexcept {
    if (id >= static_cast<clap_id>(kNumParams)) return false;
    try {
        return texts_.fromText(plugin_.core().engineState(), static_cast<int>(id), text, value);
    } catch (...) {
        return false;
    }
}

// Values without audio: the events as a block of no frames would take them.
void ClapPlugin::flush(const clap_input_events_t* in, const clap_output_events_t* out) noexcept {
    try {
        const std::uint32_t events = in && in->size && in->get ? in->size(in) : 0;
        for (std::uint32_t i = 0; i < events; ++i) handleEvent(in->get(in, i), out);
        sendQueued(out, 0);
    } catch (...) {
    }
}

// --- the editor's edits to the host ---------------------------------------------------

void ClapPlugin::push(std::uint16_t type, std::int32_t index, double value) {
    const std::uint32_t tail = queueTail_.load(std::memory_order_relaxed);
    const std::uint32_t head = queueHead_.load(std::memory_order_acquire);
    if (tail - head >= kQueue) return;  // the host has not taken events for a long time
    queue_[tail % kQueue] = Outgoing{type, static_cast<clap_id>(index), value};
    queueTail_.store(tail + 1, std::memory_order_release);
}

void ClapPlugin::sendQueued(const clap_output_events_t* out, std::uint32_t time) {
    std::uint32_t head = queueHead_.load(std::memory_order_relaxed);
    const std::uint32_t tail = queueTail_.load(std::memory_order_acquire);
    for (; head != tail; ++head) {
        const Outgoing& o = queue_[head % kQueue];
        if (!out || !out->try_push) continue;
        if (o.type == CLAP_EVENT_PARAM_VALUE) {
            clap_event_param_value_t v{};
            v.header = {sizeof v, time, CLAP_CORE_EVENT_SPACE_ID, o.type, 0};
            v.param_id = o.id;
            v.note_id = -1;
            v.port_index = v.channel = v.key = -1;
            v.value = o.value;
            out->try_push(out, &v.header);
        } else {
            clap_event_param_gesture_t g{};
            g.header = {sizeof g, time, CLAP_CORE_EVENT_SPACE_ID, o.type, 0};
            g.param_id = o.id;
            out->try_push(out, &g.header);
        }
    }
    queueHead_.store(head, std::memory_order_release);
}

// The host sends process or flush soon after; while it processes, process takes them.
void ClapPlugin::askFlush() {
    if (!processing_ && hostParams_ && hostParams_->request_flush)
        hostParams_->request_flush(host_);
}

bool ClapPlugin::beginEdit(std::int32_t index) {
    if (index < 0 || index >= kNumParams) return false;
    if (gestureDepth_[index]++ == 0) push(CLAP_EVENT_PARAM_GESTURE_BEGIN, index, 0.0);
    return true;
}

void ClapPlugin::setParameterAutomated(std::int32_t index, float value) {
    plugin_.setParameter(index, value);
    reportParameter(index, value);
}

void ClapPlugin::reportParameter(std::int32_t index, float value) {
    if (index < 0 || index >= kNumParams || !std::isfinite(value)) return;
    push(CLAP_EVENT_PARAM_VALUE, index, plainOf(index, value));
    askFlush();
}

bool ClapPlugin::endEdit(std::int32_t index) {
    if (index < 0 || index >= kNumParams || gestureDepth_[index] == 0) return false;
    if (--gestureDepth_[index] == 0) {
        push(CLAP_EVENT_PARAM_GESTURE_END, index, 0.0);
        askFlush();
        if (hostState_ && hostState_->mark_dirty) hostState_->mark_dirty(host_);
    }
    return true;
}

void ClapPlugin::getReadout(std::int32_t index, std::int32_t& number, std::int32_t& point,
                            bool& isSigned, std::int32_t& slash, std::int32_t& numerator,
                            std::int32_t& denominator) {
    readoutCells(plugin_.core(), index, number, point, isSigned, slash, numerator, denominator);
}

// A preset applied (the editor's menu, a state load): the host reads every value again.
void ClapPlugin::presetsChanged() {
    if (onAudioThread() || !hostParams_ || !hostParams_->rescan) return;
    hostParams_->rescan(host_, CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT);
}

// --- state ----------------------------------------------------------------------------

// The whole chunk (bank, current preset, controller assignments), written in as many
// pieces as the stream takes.
bool ClapPlugin::saveState(const clap_ostream_t* stream) noexcept {
    if (onAudioThread() || !stream || !stream->write) return false;
    try {
        const unsigned char* chunk = plugin_.presets().makeChunk();
        std::int64_t done = 0;
        while (done < PresetStore::kChunkSize) {
            const std::int64_t n = stream->write(stream, chunk + done,
                                                 static_cast<std::uint64_t>(PresetStore::kChunkSize - done));
            if (n <= 0 || n > PresetStore::kChunkSize - done) return false;
            done += n;
        }
        return true;
    } catch (...) {
        return false;
    }
}

// Read to the end first; the chunk is then loaded whole or not at all.
bool ClapPlugin::loadState(const clap_istream_t* stream) noexcept {
    if (onAudioThread() || !stream || !stream->read) return false;
    try {
        unsigned char* buffer = stateBuffer_.get();
        std::int64_t size = 0;
        for (;;) {
            const std::int64_t room = kMaxState + 1 - size;
            if (room <= 0) return false;  // longer than any state of ours
            const std::int64_t n = stream->read(stream, buffer + size, static_cast<std::uint64_t>(room));
            if (n == 0) break;
            if (n < 0 || n > room) return false;
            size += n;
        }
        return plugin_.presets().loadChunk(buffer, size) == 0;
    } catch (...) {
        return false;
    }
}

// --- tail -----------------------------------------------------------------------------

// With feedback the echoes repeat for as long as gain, drive and filter let them: no
// bound the host could rely on. Without, the last echo leaves after the longer line's
// pre-delay (at most its delay) and delay, then the reverb (when on) dies away within
// its allowance, and the 1 ms lookahead.
std::uint32_t ClapPlugin::tail() const noexcept {
    const ChannelSettings& ch = plugin_.core().engineState().channels;
    double ms = 0.0;
    for (int line = 0; line < 2; ++line) {
        if (ch.fbGainValue[line] > 0.0) return kClapTailInfinite;
        ms = std::max(ms, 2.0 * std::clamp(ch.dlyTimeMs[line], 0.0, 5000.0));
    }
    if (plugin_.core().engineState().rvbOn) ms += kReverbAllowanceMs;
    const double samples = std::ceil((ms + 1.0) * sampleRate_ / 1000.0);
    return samples < kClapTailInfinite ? static_cast<std::uint32_t>(samples) : kClapTailInfinite;
}

}  // namespace lumdel::clap
