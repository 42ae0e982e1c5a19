// The CLAP entry point: the factory with its one plug-in, and the plug-in's calls and
// extensions handed to ClapPlugin. No exception leaves any of them.
#include <clap/entry.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/plugin-factory.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "ClapExtras.h"
#include "ClapGui.h"
#include "ClapPlugin.h"

namespace {

using lumdel::clap::ClapPlugin;

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_DELAY,
                                 CLAP_PLUGIN_FEATURE_STEREO, nullptr};

const clap_plugin_descriptor_t kDescriptor = {
    CLAP_VERSION_INIT, "com.orvtone.lumdel", "Lumdel", "Orvtone", "", "", "", "1.0.0",
    "A stereo delay with tempo sync, filter, modulation, drive, gate, ducking and reverb",
    const_cast<const char**>(kFeatures)};

ClapPlugin* self(const clap_plugin_t* p) { return ClapPlugin::of(p); }

// --- audio ports: main stereo in and out (in place allowed), a stereo side chain -------
std::uint32_t portCount(const clap_plugin_t*, bool input) { return input ? 2 : 1; }
bool portInfo(const clap_plugin_t*, std::uint32_t index, bool input, clap_audio_port_info_t* info) {
    if (!info || index >= (input ? 2u : 1u)) return false;
    *info = clap_audio_port_info_t{};
    info->id = index;
    std::snprintf(info->name, sizeof info->name, "%s",
                  index == 1 ? "Side chain" : (input ? "Input" : "Output"));
    info->flags = CLAP_AUDIO_PORT_SUPPORTS_64BITS | CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE |
                  (index == 0 ? static_cast<std::uint32_t>(CLAP_AUDIO_PORT_IS_MAIN) : 0u);
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = index == 0 ? 0 : CLAP_INVALID_ID;
    return true;
}
const clap_plugin_audio_ports_t kAudioPorts = {portCount, portInfo};

// --- note ports: one MIDI input for the controllers ------------------------------------
std::uint32_t notePortCount(const clap_plugin_t*, bool input) { return input ? 1 : 0; }
bool notePortInfo(const clap_plugin_t*, std::uint32_t index, bool input, clap_note_port_info_t* info) {
    if (!info || !input || index != 0) return false;
    *info = clap_note_port_info_t{};
    info->id = 0;
    info->supported_dialects = CLAP_NOTE_DIALECT_MIDI;
    info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    std::snprintf(info->name, sizeof info->name, "%s", "MIDI controllers");
    return true;
}
const clap_plugin_note_ports_t kNotePorts = {notePortCount, notePortInfo};

// --- params ---------------------------------------------------------------------------
std::uint32_t paramCount(const clap_plugin_t*) { return lumdel::kNumParams; }
bool paramInfo(const clap_plugin_t*, std::uint32_t index, clap_param_info_t* info) {
    return info && index < static_cast<std::uint32_t>(lumdel::kNumParams) &&
           lumdel::clap::paramInfo(static_cast<int>(index), *info);
}
bool paramValue(const clap_plugin_t* p, clap_id id, double* value) {
    return value && self(p)->paramValue(id, *value);
}
bool valueToText(const clap_plugin_t* p, clap_id id, double value, char* out, std::uint32_t size) {
    return self(p)->valueToText(id, value, out, size);
}
bool textToValue(const clap_plugin_t* p, clap_id id, const char* text, double* value) {
    return value && self(p)->textToValue(id, text, *value);
}
void flush(const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
    self(p)->flush(in, out);
}
const clap_plugin_params_t kParams = {paramCount, paramInfo, paramValue, valueToText,
                                      textToValue, flush};

// --- state, latency, tail -------------------------------------------------------------
bool saveState(const clap_plugin_t* p, const clap_ostream_t* s) { return self(p)->saveState(s); }
bool loadState(const clap_plugin_t* p, const clap_istream_t* s) { return self(p)->loadState(s); }
const clap_plugin_state_t kState = {saveState, loadState};

std::uint32_t latency(const clap_plugin_t*) { return 0; }
const clap_plugin_latency_t kLatency = {latency};

std::uint32_t tail(const clap_plugin_t* p) { return self(p)->tail(); }
const clap_plugin_tail_t kTail = {tail};

// --- gui: the editor embedded in the host's X11 window, idled by the host's timer ------
using lumdel::clap::ClapGui;
bool guiApi(const clap_plugin_t*, const char* api, bool floating) {
    return api && !floating && std::strcmp(api, CLAP_WINDOW_API_X11) == 0;
}
bool guiPreferred(const clap_plugin_t*, const char** api, bool* floating) {
    if (!api || !floating) return false;
    *api = CLAP_WINDOW_API_X11;
    *floating = false;
    return true;
}
bool guiCreate(const clap_plugin_t* p, const char* api, bool floating) {
    return self(p)->createGui(api, floating);
}
void guiDestroy(const clap_plugin_t* p) { self(p)->destroyGui(); }
bool guiScale(const clap_plugin_t* p, double scale) {
    ClapGui* g = self(p)->gui();
    return g && g->setScale(scale);
}
bool guiSize(const clap_plugin_t* p, std::uint32_t* w, std::uint32_t* h) {
    ClapGui* g = self(p)->gui();
    return g && w && h && g->getSize(*w, *h);
}
bool guiCanResize(const clap_plugin_t*) { return false; }
// The user cannot drag the editor's size (only the size menu changes it): hints that say
// so. Qtractor asks for them even so and logs an error when none come.
bool guiHints(const clap_plugin_t*, clap_gui_resize_hints_t* hints) {
    if (!hints) return false;
    *hints = clap_gui_resize_hints_t{false, false, false, 1, 1};
    return true;
}
bool guiAdjust(const clap_plugin_t*, std::uint32_t*, std::uint32_t*) { return false; }
bool guiSetSize(const clap_plugin_t* p, std::uint32_t w, std::uint32_t h) {
    ClapGui* g = self(p)->gui();
    return g && g->setSize(w, h);
}
bool guiParent(const clap_plugin_t* p, const clap_window_t* window) {
    ClapGui* g = self(p)->gui();
    try {
        return g && g->setParent(window);
    } catch (...) {
        return false;
    }
}
bool guiTransient(const clap_plugin_t*, const clap_window_t*) { return false; }
void guiTitle(const clap_plugin_t*, const char*) {}
// Embedded, the editor is shown and hidden with the host's window.
bool guiShow(const clap_plugin_t* p) { return self(p)->gui() != nullptr; }
bool guiHide(const clap_plugin_t* p) { return self(p)->gui() != nullptr; }
const clap_plugin_gui_t kGui = {guiApi,    guiPreferred, guiCreate,  guiDestroy, guiScale,
                                guiSize,   guiCanResize, guiHints,   guiAdjust,  guiSetSize,
                                guiParent, guiTransient, guiTitle,   guiShow,    guiHide};

void onTimer(const clap_plugin_t* p, clap_id id) {
    ClapGui* g = self(p)->gui();
    try {
        if (g) g->onTimer(id);
    } catch (...) {
    }
}
const clap_plugin_timer_support_t kTimer = {onTimer};

// --- the plug-in ----------------------------------------------------------------------
bool init(const clap_plugin_t* p) { return self(p)->init(); }
void destroy(const clap_plugin_t* p) {
    try {
        delete self(p);
    } catch (...) {
    }
}
bool activate(const clap_plugin_t* p, double rate, std::uint32_t, std::uint32_t) {
    return self(p)->activate(rate);
}
void deactivate(const clap_plugin_t* p) { self(p)->deactivate(); }
bool startProcessing(const clap_plugin_t* p) { return self(p)->startProcessing(); }
void stopProcessing(const clap_plugin_t* p) { self(p)->stopProcessing(); }
void reset(const clap_plugin_t* p) { self(p)->reset(); }
clap_process_status process(const clap_plugin_t* p, const clap_process_t* process) {
    return self(p)->process(process);
}
const void* extension(const clap_plugin_t*, const char* id) {
    if (!id) return nullptr;
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) return &kAudioPorts;
    if (std::strcmp(id, CLAP_EXT_NOTE_PORTS) == 0) return &kNotePorts;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kParams;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &kState;
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &kLatency;
    if (std::strcmp(id, kClapExtTail) == 0) return &kTail;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &kGui;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &kTimer;
    return nullptr;
}
void onMainThread(const clap_plugin_t* p) { self(p)->onMainThread(); }

// --- the factory ----------------------------------------------------------------------
std::uint32_t pluginCount(const clap_plugin_factory_t*) { return 1; }
const clap_plugin_descriptor_t* descriptor(const clap_plugin_factory_t*, std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
// Host main thread: a new instance for our id and a host of a CLAP version we speak.
const clap_plugin_t* create(const clap_plugin_factory_t*, const clap_host_t* host, const char* id) {
    if (!host || !id || std::strcmp(id, kDescriptor.id) != 0 ||
        !clap_version_is_compatible(host->clap_version))
        return nullptr;
    try {
        auto* plugin = new ClapPlugin(host);
        clap_plugin_t* c = const_cast<clap_plugin_t*>(plugin->clapPlugin());
        *c = clap_plugin_t{&kDescriptor, plugin, init, destroy, activate, deactivate,
                           startProcessing, stopProcessing, reset, process, extension,
                           onMainThread};
        return c;
    } catch (...) {
        return nullptr;
    }
}
const clap_plugin_factory_t kFactory = {pluginCount, descriptor, create};

bool entryInit(const char*) { return true; }
void entryDeinit() {}
const void* factory(const char* id) {
    return id && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

}  // namespace

// Host main thread: the module's one entry.
extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry = {CLAP_VERSION_INIT, entryInit,
                                                               entryDeinit, factory};
