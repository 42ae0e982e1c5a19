// The CLAP loader behind PluginInstance: clap_entry, the factory's first plug-in, init,
// activate / start_processing / process, parameters as value events (flushed at once,
// as between blocks), MIDI controllers as MIDI events on note port 0, the
// transport with every block, and state through streams. Normalised values map to a
// parameter's range; a stepped one's range in equal bins, as VST hosts divide 0..1.
#include "PluginInstance.h"

#ifdef LUMDEL_NO_CLAP_HEADERS
namespace lumdel::host {
std::unique_ptr<PluginInstance> openClap(const std::string&, double, int, std::string& error) {
    error = "this lumdel-host was built without the CLAP headers";
    return nullptr;
}
}  // namespace lumdel::host
#else

#include <clap/entry.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/thread-check.h>
#include <clap/plugin-factory.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumdel::host {

namespace {

// Events of one block, kept in time order by the order they are added.
struct EventList {
    std::vector<clap_event_param_value_t> params;
    std::vector<clap_event_midi_t> midi;
    const clap_event_header_t* at(uint32_t i) const {
        return i < params.size() ? &params[i].header : &midi[i - params.size()].header;
    }
    uint32_t size() const { return static_cast<uint32_t>(params.size() + midi.size()); }
    static uint32_t sizeOf(const clap_input_events_t* list) {
        return static_cast<const EventList*>(list->ctx)->size();
    }
    static const clap_event_header_t* get(const clap_input_events_t* list, uint32_t i) {
        return static_cast<const EventList*>(list->ctx)->at(i);
    }
};

bool ignoreOutput(const clap_output_events_t*, const clap_event_header_t*) { return true; }

// The instance whose audio-thread call this thread is inside of: the thread check
// answers per thread, so a state saved or loaded from another thread while a block runs
// is on the main thread, as in a host.
thread_local const void* tAudioCall = nullptr;

struct AudioCall {
    AudioCall(const void* instance, bool audio) { tAudioCall = audio ? instance : nullptr; }
    ~AudioCall() { tAudioCall = nullptr; }
};

class ClapInstance : public PluginInstance {
public:
    ClapInstance(double sampleRate, int maxBlock) : rate_(sampleRate), maxBlock_(maxBlock) {}
    ~ClapInstance() override;
    bool load(const std::string& path, std::string& error);

    Format format() const override { return Format::Clap; }
    std::string name() override { return plugin_ ? plugin_->desc->name : ""; }
    int parameterCount() override { return static_cast<int>(infos_.size()); }
    std::string parameterName(int index) override;
    float parameter(int index) override;
    void setParameter(int index, float value) override;
    void setTransport(bool available, double bpm, double quarters) override;
    bool start(std::string& error) override;
    void stop() override;
    // Takes effect at the next activation (CLAP gives the rate with activate).
    bool setSampleRate(double rate) override {
        if (active_ || !(rate > 0.0)) return false;
        rate_ = rate;
        return true;
    }
    void controlChanges(const std::vector<BlockControlChange>& events) override;
    void process(float** inputs, float** outputs, int frames) override;
    void processDouble(double** inputs, double** outputs, int frames) override;
    int latency() override;
    std::vector<unsigned char> state() override;
    bool setState(const std::vector<unsigned char>& bytes) override;
    int presetCount() override;
    std::string presetName(int) override { return ""; }
    bool selectPreset(int index, std::string& error) override;

private:
    template <typename T>
    void run(T** inputs, T** outputs, int frames);
    double plainOf(int index, float value) const;
    static const void* hostExtension(const clap_host_t* host, const char* id);
    static bool onAudioThread(const clap_host_t* host) {
        return tAudioCall == host->host_data;
    }
    static bool onMainThread(const clap_host_t* host) { return !onAudioThread(host); }

    double rate_;
    int maxBlock_;
    void* library_ = nullptr;
    const clap_plugin_entry_t* entry_ = nullptr;
    const clap_plugin_t* plugin_ = nullptr;
    const clap_plugin_params_t* params_ = nullptr;
    const clap_plugin_state_t* state_ = nullptr;
    const clap_plugin_latency_t* latency_ = nullptr;
    std::vector<clap_param_info_t> infos_;
    EventList events_;
    clap_input_events_t in_{&events_, &EventList::sizeOf, &EventList::get};
    clap_output_events_t out_{nullptr, &ignoreOutput};
    clap_host_thread_check_t threadCheck_{&ClapInstance::onMainThread,
                                          &ClapInstance::onAudioThread};
    clap_host_t host_{CLAP_VERSION_INIT, this, "lumdel-host", "Lumdel test host", "", "1.0",
                      &ClapInstance::hostExtension, [](const clap_host_t*) {},
                      [](const clap_host_t*) {}, [](const clap_host_t*) {}};
    bool active_ = false;
    bool transport_ = true;
    double bpm_ = 120.0, quarters_ = 0.0;
    int64_t steady_ = 0;
};

const void* ClapInstance::hostExtension(const clap_host_t* host, const char* id) {
    auto* self = static_cast<ClapInstance*>(host->host_data);
    if (id && std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0) return &self->threadCheck_;
    return nullptr;
}

ClapInstance::~ClapInstance() {
    stop();
    if (plugin_) plugin_->destroy(plugin_);
    if (entry_) entry_->deinit();
    if (library_) dlclose(library_);
}

bool ClapInstance::load(const std::string& path, std::string& error) {
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        const char* e = dlerror();
        error = e ? e : "dlopen failed";
        return false;
    }
    entry_ = static_cast<const clap_plugin_entry_t*>(dlsym(library_, "clap_entry"));
    if (!entry_ || !entry_->init || !entry_->init(path.c_str())) {
        error = entry_ ? "clap_entry refused to initialise" : "no clap_entry in " + path;
        entry_ = nullptr;
        return false;
    }
    const auto* factory = static_cast<const clap_plugin_factory_t*>(
        entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    const clap_plugin_descriptor_t* desc =
        factory && factory->get_plugin_count(factory) > 0 ? factory->get_plugin_descriptor(factory, 0)
                                                          : nullptr;
    plugin_ = desc ? factory->create_plugin(factory, &host_, desc->id) : nullptr;
    if (!plugin_ || !plugin_->init(plugin_)) {
        error = "the CLAP factory gave no plug-in that initialises";
        return false;
    }
    params_ = static_cast<const clap_plugin_params_t*>(plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
    state_ = static_cast<const clap_plugin_state_t*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
    latency_ = static_cast<const clap_plugin_latency_t*>(plugin_->get_extension(plugin_, CLAP_EXT_LATENCY));
    for (uint32_t i = 0, n = params_ ? params_->count(plugin_) : 0; i < n; ++i) {
        clap_param_info_t info{};
        if (params_->get_info(plugin_, i, &info)) infos_.push_back(info);
    }
    return true;
}

std::string ClapInstance::parameterName(int index) {
    return index >= 0 && index < parameterCount() ? infos_[index].name : "";
}

double ClapInstance::plainOf(int index, float value) const {
    const clap_param_info_t& info = infos_[index];
    const double v = std::isfinite(value) ? std::clamp<double>(value, 0.0, 1.0) : 0.0;
    if (!(info.flags & CLAP_PARAM_IS_STEPPED))
        return info.min_value + v * (info.max_value - info.min_value);
    const double steps = std::floor(info.max_value - info.min_value) + 1.0;
    return info.min_value + std::min(std::floor(v * steps), steps - 1.0);
}

float ClapInstance::parameter(int index) {
    double plain = 0.0;
    if (index < 0 || index >= parameterCount() ||
        !params_->get_value(plugin_, infos_[index].id, &plain))
        return 0.0f;
    const clap_param_info_t& info = infos_[index];
    const double span = info.max_value - info.min_value;
    if (info.flags & CLAP_PARAM_IS_STEPPED)
        return static_cast<float>((plain - info.min_value + 0.5) / (std::floor(span) + 1.0));
    return static_cast<float>(span > 0.0 ? (plain - info.min_value) / span : 0.0);
}

// Flushed at once, as a host's flush between blocks (on the audio thread while the
// plug-in is active), so that a state saved or a start made afterwards has it in place.
void ClapInstance::setParameter(int index, float value) {
    if (index < 0 || index >= parameterCount() || !params_->flush) return;
    clap_event_param_value_t e{};
    e.header = {sizeof e, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    e.param_id = infos_[index].id;
    e.cookie = infos_[index].cookie;
    e.note_id = -1, e.port_index = -1, e.channel = -1, e.key = -1;
    e.value = plainOf(index, value);
    std::vector<clap_event_midi_t> midi;
    midi.swap(events_.midi);  // control changes wait for their block
    events_.params.assign(1, e);
    {
        AudioCall call(this, active_);
        params_->flush(plugin_, &in_, &out_);
    }
    events_.params.clear();
    events_.midi.swap(midi);
}

void ClapInstance::setTransport(bool available, double bpm, double quarters) {
    transport_ = available;
    bpm_ = bpm;
    quarters_ = quarters;
}

bool ClapInstance::start(std::string& error) {
    if (!plugin_) {
        error = "the CLAP plug-in is not loaded";
        return false;
    }
    stop();
    if (!plugin_->activate(plugin_, rate_, 1, static_cast<uint32_t>(std::max(1, maxBlock_)))) {
        error = "the CLAP plug-in refused to activate";
        return false;
    }
    active_ = true;
    bool started;
    {
        AudioCall call(this, true);  // start_processing belongs to the audio thread
        started = plugin_->start_processing(plugin_);
    }
    if (!started) {
        stop();
        error = "the CLAP plug-in refused to start processing";
        return false;
    }
    return true;
}

void ClapInstance::stop() {
    if (!plugin_ || !active_) return;
    {
        AudioCall call(this, true);
        plugin_->stop_processing(plugin_);
    }
    plugin_->deactivate(plugin_);
    active_ = false;
}

void ClapInstance::controlChanges(const std::vector<BlockControlChange>& events) {
    for (const BlockControlChange& c : events) {
        clap_event_midi_t e{};
        e.header = {sizeof e, static_cast<uint32_t>(std::max(0, c.frame)), CLAP_CORE_EVENT_SPACE_ID,
                    CLAP_EVENT_MIDI, 0};
        e.port_index = 0;
        e.data[0] = static_cast<uint8_t>(0xB0 | (c.channel & 0x0F));
        e.data[1] = static_cast<uint8_t>(c.controller & 0x7F);
        e.data[2] = static_cast<uint8_t>(c.value & 0x7F);
        events_.midi.push_back(e);
    }
}

// Blocks of 0 frames and blocks while deactivated go to the plug-in too, as careless
// hosts send them: the validator's odd-call checks see what the plug-in makes of them.
template <typename T>
void ClapInstance::run(T** inputs, T** outputs, int frames) {
    if (!plugin_ || frames < 0) return;
    clap_audio_buffer_t in[2]{}, out[1]{};
    for (int b = 0; b < 2; ++b) {
        in[b].channel_count = 2;
        if constexpr (sizeof(T) == sizeof(float))
            in[b].data32 = inputs + 2 * b;
        else
            in[b].data64 = inputs + 2 * b;
    }
    out[0].channel_count = 2;
    if constexpr (sizeof(T) == sizeof(float))
        out[0].data32 = outputs;
    else
        out[0].data64 = outputs;
    clap_event_transport_t t{};
    t.header = {sizeof t, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    t.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
              CLAP_TRANSPORT_HAS_TIME_SIGNATURE | CLAP_TRANSPORT_IS_PLAYING;
    t.tempo = bpm_;
    t.song_pos_beats = static_cast<clap_beattime>(std::llround(quarters_ * CLAP_BEATTIME_FACTOR));
    t.tsig_num = 4, t.tsig_denom = 4;
    clap_process_t p{};
    p.steady_time = steady_;
    p.frames_count = static_cast<uint32_t>(frames);
    p.transport = transport_ ? &t : nullptr;
    p.audio_inputs = in, p.audio_inputs_count = 2;
    p.audio_outputs = out, p.audio_outputs_count = 1;
    p.in_events = &in_, p.out_events = &out_;
    {
        AudioCall call(this, true);
        plugin_->process(plugin_, &p);
    }
    events_.params.clear();
    events_.midi.clear();
    steady_ += frames;
    if (transport_) quarters_ += frames / rate_ * bpm_ / 60.0;
}

void ClapInstance::process(float** inputs, float** outputs, int frames) {
    run(inputs, outputs, frames);
}

void ClapInstance::processDouble(double** inputs, double** outputs, int frames) {
    run(inputs, outputs, frames);
}

int ClapInstance::latency() {
    return latency_ && active_ ? static_cast<int>(latency_->get(plugin_)) : 0;
}

std::vector<unsigned char> ClapInstance::state() {
    std::vector<unsigned char> bytes;
    clap_ostream_t stream{&bytes, [](const clap_ostream_t* s, const void* data, uint64_t size) {
                              auto* out = static_cast<std::vector<unsigned char>*>(s->ctx);
                              const auto* d = static_cast<const unsigned char*>(data);
                              out->insert(out->end(), d, d + size);
                              return static_cast<int64_t>(size);
                          }};
    if (!state_ || !state_->save(plugin_, &stream)) return {};
    return bytes;
}

struct Reader {
    const std::vector<unsigned char>* bytes;
    size_t at;
};

bool ClapInstance::setState(const std::vector<unsigned char>& bytes) {
    Reader reader{&bytes, 0};
    clap_istream_t stream{&reader, [](const clap_istream_t* s, void* buffer, uint64_t size) {
                              auto* r = static_cast<Reader*>(s->ctx);
                              const uint64_t n = std::min<uint64_t>(size, r->bytes->size() - r->at);
                              if (n > 0) std::memcpy(buffer, r->bytes->data() + r->at, n);
                              r->at += n;
                              return static_cast<int64_t>(n);
                          }};
    return state_ && state_->load(plugin_, &stream);
}

// CLAP has no preset list of its own (here): a plug-in that keeps its bank in its state
// with a current index (Lumdel) gets its own state back with another index.
int ClapInstance::presetCount() {
    std::vector<unsigned char> bytes = state();
    int32_t count = 0;
    if (bytes.size() >= 16 && chunkWithCurrent(bytes, 0)) std::memcpy(&count, bytes.data() + 8, 4);
    return count;
}

bool ClapInstance::selectPreset(int index, std::string& error) {
    std::vector<unsigned char> bytes = state();
    if (!chunkWithCurrent(bytes, index) || !setState(bytes)) {
        error = "cannot select preset " + std::to_string(index) + " of this plug-in";
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<PluginInstance> openClap(const std::string& path, double sampleRate,
                                         int maxBlock, std::string& error) {
    auto instance = std::make_unique<ClapInstance>(sampleRate, maxBlock);
    if (!instance->load(path, error)) return nullptr;
    return instance;
}

}  // namespace lumdel::host
#endif
