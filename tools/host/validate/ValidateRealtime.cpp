// Real-time safety: inside the block operations (and the MIDI event call that hosts make
// on the audio thread) a plug-in allocates nothing, opens no file, never sleeps and
// takes at most one lock (its own processing lock).
#include <cmath>
#include <cstddef>
#include <cstring>

#include "RtCount.h"
#include <algorithm>

#include "Validate.h"
#include "ValidateUtil.h"

namespace lumdel::host::validate {

namespace {

struct RtTally {
    RtCounts counts{};
    long blocks = 0;
};

// One block on the audio thread, counted; MIDI events (when given) are delivered first,
// inside the counted region, as hosts do.
void countedBlock(Host& host, RtTally& t, int frames, bool dbl, Buffers<float>& fin,
                  Buffers<float>& fout, Buffers<double>& din, Buffers<double>& dout,
                  VstEvents* events) {
    AEffect* e = host.effect();
    lumdel_rt_begin();
    if (events) e->dispatcher(e, effProcessEvents, 0, 0, events, 0.0f);
    if (dbl)
        e->processDoubleReplacing(e, din.get(), dout.get(), frames);
    else
        e->processReplacing(e, fin.get(), fout.get(), frames);
    lumdel_rt_end(&t.counts);
    ++t.blocks;
}

struct MidiList {
    VstEvents* list() { return reinterpret_cast<VstEvents*>(storage.data()); }
    std::vector<unsigned char> storage;
    std::vector<VstMidiEvent> events;
};

MidiList controllerEvents(std::mt19937_64& rng, int count) {
    MidiList m;
    m.events.resize(count);
    m.storage.resize(sizeof(VstEvents) + count * sizeof(VstEvent*));
    for (int i = 0; i < count; ++i)
        m.events[i] = Host::controlChange(static_cast<int>(rng() % 16), static_cast<int>(rng() % 128),
                                          static_cast<int>(rng() % 128), static_cast<int>(rng() % 64));
    m.list()->numEvents = count;
    // The list's pointers run past its declared events[2], into the storage behind it.
    auto* slots = reinterpret_cast<VstEvent**>(m.storage.data() + offsetof(VstEvents, events));
    for (int i = 0; i < count; ++i) slots[i] = reinterpret_cast<VstEvent*>(&m.events[i]);
    return m;
}

void runScenario(Session& s, Host& host, RtTally& t, int blocks, bool automate) {
    host.recordCalls = false;
    const int nin = std::max(s.facts.numInputs, 1), nout = std::max(s.facts.numOutputs, 1);
    Buffers<float> fin(nin, 512), fout(nout, 512);
    Buffers<double> din(nin, 512), dout(nout, 512);
    std::uniform_real_distribution<double> d(-0.5, 0.5);
    for (auto& ch : fin.data)
        for (float& x : ch) x = static_cast<float>(d(s.rng));
    for (auto& ch : din.data)
        for (double& x : ch) x = d(s.rng);
    MidiList midi = controllerEvents(s.rng, 4);
    for (int b = 0; b < blocks; ++b) {
        int frames = b % 3 == 0 ? 512 : 1 + s.pick(512);
        bool dbl = s.facts.canDouble() && b % 2 == 1;
        if (automate) {
            for (int k = 0; k < 4; ++k) host.setParameter(s.pick(s.facts.numParams), static_cast<float>(s.uniform()));
        }
        countedBlock(host, t, frames, dbl, fin, fout, din, dout, automate ? midi.list() : nullptr);
    }
}

std::string describe(const RtCounts& c) {
    std::string s;
    for (int k = 0; k < RT_KINDS; ++k) {
        if (!c.calls[k]) continue;
        s += (s.empty() ? "" : ", ") + std::to_string(c.calls[k]) + " " + lumdel_rt_kind_name(k);
    }
    if (s.empty()) s = "nothing";
    s += "; " + std::to_string(c.distinctLocks) + " distinct mutex(es)";
    return s;
}

bool violates(const RtCounts& c) {
    for (int k = 0; k < RT_KINDS; ++k)
        if (k != RT_LOCK && c.calls[k]) return true;
    return c.distinctLocks > 1;
}

void verdict(Report& r, const char* what, const RtTally& t) {
    // One mutex is allowed: the plug-in's own lock around its block (taken uncontended).
    if (violates(t.counts))
        r.fail("%s: %ld blocks: %s", what, t.blocks, describe(t.counts).c_str());
    else
        r.note("%s: %ld blocks: %s", what, t.blocks, describe(t.counts).c_str());
}

void checkRealtime(Session& s, Report& r) {
    if (!lumdel_rt_available()) {
        r.skip("not available in a sanitizer build (its run-time owns malloc)");
        return;
    }
    const int blocks = s.scale(50, 400);
    for (int pass = 0; pass < 2; ++pass) {
        const bool withEditor = pass == 1;
        std::unique_ptr<ParentWindow> window;
        if (withEditor) {
            if (!s.facts.hasEditor()) break;
            window = std::make_unique<ParentWindow>();
            if (!window->ok()) {
                r.note("editor open: not tried (no X display)");
                break;
            }
        }
        auto host = s.start(r);
        if (!host) return;
        if (withEditor) {
            host->dispatch(effEditOpen, 0, 0, window->handle());
            host->dispatch(effEditIdle);
        }
        const char* editorText = withEditor ? "editor open" : "editor closed";
        RtTally plain, automated;
        runScenario(s, *host, plain, blocks, false);
        verdict(r, (std::string(editorText) + ", default settings").c_str(), plain);
        runScenario(s, *host, automated, blocks, true);
        verdict(r, (std::string(editorText) + ", automation and MIDI between blocks").c_str(), automated);
        if (s.facts.isLumdel()) {
            // Lumdel ('LMDL'): every factory preset, selected through the chunk.
            RtTally presets;
            std::string worst;
            for (int k = 0; k < lumdel_id::kPresets; ++k) {
                lumdel_id::selectPreset(*host, k);
                RtTally one;
                runScenario(s, *host, one, s.scale(4, 16), false);
                if (violates(one.counts) && worst.empty())
                    worst = "first at preset " + std::to_string(k) + ": " + describe(one.counts);
                lumdel_rt_begin();
                lumdel_rt_end(&presets.counts);
                for (int kind = 0; kind < RT_KINDS; ++kind) presets.counts.calls[kind] += one.counts.calls[kind];
                presets.counts.distinctLocks = std::max(presets.counts.distinctLocks, one.counts.distinctLocks);
                presets.blocks += one.blocks;
                if (withEditor) host->dispatch(effEditIdle);
            }
            verdict(r, (std::string(editorText) + ", all 61 factory presets").c_str(), presets);
            if (!worst.empty()) r.note("%s", worst.c_str());
        }
        if (withEditor) host->dispatch(effEditClose);
    }
}

// The same blocks through the plug-in-instance interface, for LV2 and CLAP: the control
// changes and time travel inside the block there (an atom sequence, an event list), so
// the plug-in's handling of them is counted with it.
void instanceScenario(Session& s, PluginInstance& plugin, RtTally& t, int blocks, bool automate) {
    Buffers<float> fin(4, 512), fout(2, 512);
    Buffers<double> din(4, 512), dout(2, 512);
    std::uniform_real_distribution<double> d(-0.5, 0.5);
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 512; ++i) din.data[c][i] = fin.data[c][i] = static_cast<float>(d(s.rng));
    std::vector<BlockControlChange> controls;
    for (int k = 0; k < 4; ++k)
        controls.push_back({s.pick(64), s.pick(16), s.pick(128), s.pick(128)});
    std::sort(controls.begin(), controls.end(),
              [](const BlockControlChange& a, const BlockControlChange& b) { return a.frame < b.frame; });
    for (int b = 0; b < blocks; ++b) {
        const int frames = b % 3 == 0 ? 512 : 1 + s.pick(512);
        const bool dbl = s.facts.canDouble() && b % 2 == 1;
        if (automate) {
            for (int k = 0; k < 4; ++k)
                plugin.setParameter(s.pick(s.facts.numParams), static_cast<float>(s.uniform()));
            plugin.controlChanges(controls);
        }
        lumdel_rt_begin();
        if (dbl)
            plugin.processDouble(din.get(), dout.get(), frames);
        else
            plugin.process(fin.get(), fout.get(), frames);
        lumdel_rt_end(&t.counts);
        ++t.blocks;
    }
}

void checkRealtimeInstance(Session& s, Report& r) {
    if (!lumdel_rt_available()) {
        r.skip("not available in a sanitizer build (its run-time owns malloc)");
        return;
    }
    const int blocks = s.scale(50, 400);
    auto plugin = s.startInstance(r);
    if (!plugin) return;
    RtTally plain, automated, presets;
    instanceScenario(s, *plugin, plain, blocks, false);
    verdict(r, "default settings", plain);
    instanceScenario(s, *plugin, automated, blocks, true);
    verdict(r, "automation and MIDI controllers", automated);
    // Every preset the plug-in lists (selected between blocks, as a host does).
    const int count = plugin->presetCount();
    std::string error;
    for (int k = 0; k < count; ++k) {
        if (!plugin->selectPreset(k, error)) {
            r.fail("preset %d: %s", k, error.c_str());
            return;
        }
        instanceScenario(s, *plugin, presets, s.scale(4, 16), false);
    }
    if (count > 0) verdict(r, (std::to_string(count) + " presets").c_str(), presets);
}

}  // namespace

std::vector<Check> realtimeChecks() {
    return {
        {"realtime.block", "no allocation, file, sleep or foreign lock inside the block",
         checkRealtime},
        {"realtime.instance-block", "the same for LV2 and CLAP, events inside the block",
         checkRealtimeInstance, Reach::OtherFormats},
    };
}

}  // namespace lumdel::host::validate
