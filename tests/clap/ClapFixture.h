// A small CLAP host for the tests: loads Lumdel.clap through clap_entry, offers the host
// extensions the plug-in asks for (and records what it does with them), and runs
// blocks with event lists and streams of chosen piece sizes.
#pragma once

#include <clap/entry.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>
#include <clap/plugin-factory.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace lumdel::test {

inline const clap_plugin_entry_t* clapEntry() {
    static void* module = dlopen(LUMDEL_CLAP_BINARY, RTLD_NOW | RTLD_LOCAL);
    if (!module) return nullptr;
    static const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(module, "clap_entry"));
    static const bool ready = entry && entry->init(LUMDEL_CLAP_BINARY);
    return ready ? entry : nullptr;
}

inline const clap_plugin_factory_t* clapFactory() {
    const clap_plugin_entry_t* e = clapEntry();
    return e ? static_cast<const clap_plugin_factory_t*>(e->get_factory(CLAP_PLUGIN_FACTORY_ID))
             : nullptr;
}

// The host side: extensions, and what the plug-in asked of them.
struct TestHost {
    clap_host_t host;
    bool audioThread = false;  // what thread-check answers
    bool offerTimers = true;
    int flushRequests = 0, rescans = 0, dirty = 0;
    std::vector<std::uint32_t> timerPeriods;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizes;

    TestHost() {
        host = clap_host_t{CLAP_VERSION_INIT, this, "Lumdel tests", "", "", "1", getExtension,
                           requestRestart, requestProcess, requestCallback};
    }
    static TestHost* of(const clap_host_t* h) { return static_cast<TestHost*>(h->host_data); }
    static void requestRestart(const clap_host_t*) {}
    static void requestProcess(const clap_host_t*) {}
    static void requestCallback(const clap_host_t*) {}
    static const void* getExtension(const clap_host_t* h, const char* id) {
        static const clap_host_params_t params = {
            [](const clap_host_t* h, clap_param_rescan_flags) { ++of(h)->rescans; },
            [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
            [](const clap_host_t* h) { ++of(h)->flushRequests; }};
        static const clap_host_thread_check_t threads = {
            [](const clap_host_t* h) { return !of(h)->audioThread; },
            [](const clap_host_t* h) { return of(h)->audioThread; }};
        static const clap_host_state_t state = {[](const clap_host_t* h) { ++of(h)->dirty; }};
        static const clap_host_timer_support_t timers = {
            [](const clap_host_t* h, std::uint32_t period, clap_id* id) {
                of(h)->timerPeriods.push_back(period);
                *id = static_cast<clap_id>(of(h)->timerPeriods.size());
                return true;
            },
            [](const clap_host_t*, clap_id) { return true; }};
        static const clap_host_gui_t gui = {
            [](const clap_host_t*) {},
            [](const clap_host_t* h, std::uint32_t w, std::uint32_t hh) {
                of(h)->resizes.emplace_back(w, hh);
                return true;
            },
            [](const clap_host_t*) { return false; }, [](const clap_host_t*) { return false; },
            [](const clap_host_t*, bool) {}};
        if (!id) return nullptr;
        if (!std::strcmp(id, CLAP_EXT_PARAMS)) return &params;
        if (!std::strcmp(id, CLAP_EXT_THREAD_CHECK)) return &threads;
        if (!std::strcmp(id, CLAP_EXT_STATE)) return &state;
        if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT)) return of(h)->offerTimers ? &timers : nullptr;
        if (!std::strcmp(id, CLAP_EXT_GUI)) return &gui;
        return nullptr;
    }
};

// Events in, events out.
struct Events {
    std::vector<std::vector<std::uint8_t>> in, out;
    clap_input_events_t inList{this, size, get};
    clap_output_events_t outList{this, push};

    static std::uint32_t size(const clap_input_events_t* l) {
        return static_cast<std::uint32_t>(static_cast<Events*>(l->ctx)->in.size());
    }
    static const clap_event_header_t* get(const clap_input_events_t* l, std::uint32_t i) {
        auto& v = static_cast<Events*>(l->ctx)->in;
        return i < v.size() ? reinterpret_cast<const clap_event_header_t*>(v[i].data()) : nullptr;
    }
    static bool push(const clap_output_events_t* l, const clap_event_header_t* e) {
        const auto* b = reinterpret_cast<const std::uint8_t*>(e);
        static_cast<Events*>(l->ctx)->out.emplace_back(b, b + e->size);
        return true;
    }
    template <typename E>
    void add(const E& e) {
        const auto* b = reinterpret_cast<const std::uint8_t*>(&e);
        in.emplace_back(b, b + sizeof e);
    }
    void param(std::uint32_t time, clap_id id, double value) {
        clap_event_param_value_t v{};
        v.header = {sizeof v, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        v.param_id = id;
        v.note_id = v.port_index = v.channel = v.key = -1;
        v.value = value;
        add(v);
    }
    void cc(std::uint32_t time, std::uint8_t controller, std::uint8_t value) {
        clap_event_midi_t m{};
        m.header = {sizeof m, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
        m.data[0] = 0xB0;
        m.data[1] = controller;
        m.data[2] = value;
        add(m);
    }
    // The output events of one type.
    std::vector<const clap_event_header_t*> outOf(std::uint16_t type) const {
        std::vector<const clap_event_header_t*> r;
        for (const auto& e : out) {
            const auto* h = reinterpret_cast<const clap_event_header_t*>(e.data());
            if (h->type == type) r.push_back(h);
        }
        return r;
    }
};

// A stream over a byte vector that moves at most `piece` bytes per call (0: refuses).
struct Stream {
    Stream() = default;
    Stream(const Stream&) = delete;  // the tables point at this one
    std::vector<std::uint8_t> bytes;
    std::size_t at = 0, piece = 1 << 20;
    bool fail = false;
    clap_ostream_t out{this, write};
    clap_istream_t in{this, read};
    static std::int64_t write(const clap_ostream_t* s, const void* b, std::uint64_t n) {
        auto* self = static_cast<Stream*>(s->ctx);
        if (self->fail) return -1;
        const std::size_t k = std::min<std::size_t>(n, self->piece);
        const auto* p = static_cast<const std::uint8_t*>(b);
        self->bytes.insert(self->bytes.end(), p, p + k);
        return static_cast<std::int64_t>(k);
    }
    static std::int64_t read(const clap_istream_t* s, void* b, std::uint64_t n) {
        auto* self = static_cast<Stream*>(s->ctx);
        if (self->fail) return -1;
        const std::size_t k = std::min<std::size_t>({n, self->piece, self->bytes.size() - self->at});
        if (k > 0) std::memcpy(b, self->bytes.data() + self->at, k);
        self->at += k;
        return static_cast<std::int64_t>(k);
    }
};

// One instance with stereo in, side chain and out buffers of float (or double).
struct Instance {
    static constexpr std::uint32_t kMaxFrames = 1 << 17;
    TestHost host;
    const clap_plugin_t* p = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;
    std::vector<float> in[4], out[2];
    std::vector<double> in64[4], out64[2];
    Events events;

    explicit Instance(bool init = true) {
        const clap_plugin_factory_t* f = clapFactory();
        if (!f) return;
        p = f->create_plugin(f, &host.host, "com.orvtone.lumdel");
        if (!p) return;
        if (init) p->init(p);
        params = static_cast<const clap_plugin_params_t*>(p->get_extension(p, CLAP_EXT_PARAMS));
        state = static_cast<const clap_plugin_state_t*>(p->get_extension(p, CLAP_EXT_STATE));
        for (auto& v : in) v.assign(kMaxFrames, 0.0f);
        for (auto& v : out) v.assign(kMaxFrames, 0.0f);
        for (auto& v : in64) v.assign(kMaxFrames, 0.0);
        for (auto& v : out64) v.assign(kMaxFrames, 0.0);
    }
    ~Instance() {
        if (p) p->destroy(p);
    }
    bool activate(double rate = 44100.0) { return p->activate(p, rate, 1, kMaxFrames); }
    double value(clap_id id) {
        double v = -1.0;
        params->get_value(p, id, &v);
        return v;
    }
    // frames of the buffers from offset; inPlace: the main output is the main input.
    clap_process_status run(std::uint32_t frames, std::uint32_t offset = 0, bool inPlace = false,
                            bool wide = false, const clap_event_transport_t* transport = nullptr) {
        float* i32[4];
        double* i64[4];
        for (int c = 0; c < 4; ++c) {
            i32[c] = in[c].data() + offset;
            i64[c] = in64[c].data() + offset;
        }
        float* o32[2] = {out[0].data() + offset, out[1].data() + offset};
        double* o64[2] = {out64[0].data() + offset, out64[1].data() + offset};
        if (inPlace) {
            o32[0] = i32[0], o32[1] = i32[1];
            o64[0] = i64[0], o64[1] = i64[1];
        }
        clap_audio_buffer_t ins[2] = {
            {wide ? nullptr : i32, wide ? i64 : nullptr, 2, 0, 0},
            {wide ? nullptr : i32 + 2, wide ? i64 + 2 : nullptr, 2, 0, 0}};
        clap_audio_buffer_t outs[1] = {{wide ? nullptr : o32, wide ? o64 : nullptr, 2, 0, 0}};
        clap_process_t proc{0, frames, transport, ins, outs, 2, 1, &events.inList, &events.outList};
        const clap_process_status s = p->process(p, &proc);
        events.in.clear();
        return s;
    }
};

}  // namespace lumdel::test
