// Automation: every parameter changed every 32 frames (hostile values among them), a
// click detector across the changes users make while audio plays, parameter changes
// from a second thread, and the parameter text interface.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>

#include "Validate.h"
#include "core/ParameterTable.h"
#include "ValidateUtil.h"
#include "tools/host/Vst2Instance.h"

namespace lumdel::host::validate {

namespace {

// With input at -6 dBFS, +60 dBFS is no longer audio but a runaway loop.
constexpr double kRunawayBound = 1000.0;

// Phase 0: values in [0, 1]; phase 1: also finite values outside; phase 2: also
// non-finite ones. One value in twenty is hostile from phase 1 on.
float randomValue(Session& s, int phase = 2) {
    if (phase > 0 && s.pick(20) == 0) {
        for (;;) {
            float v = hostileValues()[s.pick(static_cast<int>(hostileValues().size()))];
            if (phase == 2 || std::isfinite(v)) return v;
        }
    }
    return static_cast<float>(s.uniform());
}

const char* const kPhaseNames[] = {"values in [0, 1]", "plus finite values out of range",
                                   "plus NaN and infinities"};

void checkRandomAutomation(Session& s, Report& r) {
    auto host = s.startInstance(r);
    if (!host) return;
    auto saved = stateBytes(*host, s.facts);
    const int seconds = s.scale(4, 60);
    const int frames = seconds * 44100;
    long changes = 0;
    Scan total;
    double peak = 0.0;
    // One second at a time, so a runaway is reported with the second it started in.
    for (int sec = 0; sec < seconds; ++sec) {
        const int phase = std::min(2, sec * 3 / seconds);
        if (sec == 0 || phase != std::min(2, (sec - 1) * 3 / seconds))
            r.note("from second %d: %s", sec, kPhaseNames[phase]);
        Signal in = makeNoise(s.rng, s.facts.numInputs, 44100, 0.5);
        if (sec % 5 == 4) in = makeSilence(s.facts.numInputs, 44100);
        bool dbl = s.facts.canDouble() && (sec % 2 == 1);
        Signal out = processWith(*host, in, 32, dbl, s.facts.numOutputs, [&](int, int) {
            for (int p = 0; p < s.facts.numParams; ++p) host->setParameter(p, randomValue(s, phase));
            changes += s.facts.numParams;
        });
        Scan sc = scan(out, !dbl);
        peak = std::max(peak, sc.peak);
        if (!sc.clean()) {
            r.fail("second %d (%s, %s): %s", sec, precisionName(dbl), kPhaseNames[phase],
                   sc.describe().c_str());
            break;
        }
        if (sc.peak > kRunawayBound) {
            r.fail("second %d: output peak %.3g above %.0f (+60 dBFS): runaway", sec, sc.peak,
                   kRunawayBound);
            break;
        }
    }
    if (!r.failed())
        r.note("%d s of audio, %ld parameter changes (every parameter every 32 frames, 5%% of them "
               "out of range or non-finite): finite, peak %.3g (bound %.0f)",
               seconds, changes, peak, kRunawayBound);
    (void)frames;
    // Back to the saved state: nothing may stay broken.
    restoreState(*host, s.facts, saved);
    host->stop();
    if (!resume(*host)) {
        r.fail("the instance did not start again after the sweep");
        return;
    }
    Signal out = process(*host, makeNoise(s.rng, s.facts.numInputs, 44100, 0.5), 512, false,
                         s.facts.numOutputs);
    Scan sc = scan(out, true);
    if (!sc.clean() || sc.peak > kRunawayBound)
        r.fail("after restoring the saved state: %s", sc.describe().c_str());
    else
        r.note("state restored after the sweep: clean, peak %.3g", sc.peak);
}

// One event of the click test. A change of a parameter or the tempo is applied between
// two blocks on the thread that runs them. A program or preset load comes from another
// thread while blocks run, as a host's user interface makes it: the plug-in can then fade
// its output around the new sound (made on the audio thread it could not wait for that).
// So do CLAP hosts (a state loads on the main thread). An LV2 host restores a state
// between two runs, where the plug-in cannot fade around it, as a VST 2.4 program change
// made on the audio thread: LV2 gets no load events.
struct Event {
    std::string what;
    std::function<void(PluginInstance&)> apply;
    bool load = false;
};

bool looksLikeTimeParameter(const std::string& name) {
    std::string n;
    for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* key : {"time", "delay", "dly", "bypass", "sync", "div"})
        if (n.find(key) != std::string::npos) return true;
    return false;
}

Host* vstHost(PluginInstance& plugin) {
    return plugin.format() == Format::Vst2 ? &static_cast<Vst2Instance&>(plugin).host() : nullptr;
}

// The host's tempo and position as the click test moves them: a VST 2.4 effect asks for
// the tempo, the other formats get tempo and position with the next block.
struct TempoTrack {
    double bpm = 120.0, quarters = 0.0;
    long frame = 0;  // of the last change
    void change(PluginInstance& p, double newBpm, long now) {
        quarters += (now - frame) / 44100.0 * bpm / 60.0;
        frame = now;
        bpm = newBpm;
        if (Host* h = vstHost(p)) h->setTempo(bpm);
        else p.setTransport(true, bpm, quarters);
    }
};

// A program or preset made current: VST 2.4 programs through effSetProgram, Lumdel's
// presets through its chunk; the other formats as their hosts choose a preset.
void choose(PluginInstance& p, int k, bool program) {
    std::string error;
    if (Host* h = vstHost(p)) {
        if (program) h->dispatch(effSetProgram, 0, k);
        else lumdel_id::selectPreset(*h, k);
    } else {
        p.selectPreset(k, error);
    }
}

std::vector<Event> clickEvents(Session& s, PluginInstance& host, TempoTrack& tempo, const long& t) {
    std::vector<Event> events;
    const bool loads = s.options.format != Format::Lv2;
    for (double bpm : {90.0, 140.0, 120.0})
        events.push_back({"tempo " + std::to_string(int(bpm)) + " BPM",
                          [bpm, &tempo, &t](PluginInstance& h) { tempo.change(h, bpm, t); }});
    const int programs = loads ? s.facts.numPrograms : 0;
    for (int k = 1; k < std::min(programs, 4); ++k)
        events.push_back({"program " + std::to_string(k),
                          [k](PluginInstance& h) { choose(h, k, true); }, true});
    if (programs > 1)
        events.push_back({"program 0", [](PluginInstance& h) { choose(h, 0, true); }, true});
    const int perParameter = s.scale(2, 4);
    if (s.facts.isLumdel()) {
        // Lumdel ('LMDL'): delay times, Bypass and factory preset loads.
        for (int i = 0; i < perParameter; ++i) {
            float v = static_cast<float>(s.uniform());
            events.push_back({"DlyTimeL/R " + std::to_string(v), [v](PluginInstance& h) {
                                  h.setParameter(lumdel::kDlyTimeL, v);
                                  h.setParameter(lumdel::kDlyTimeR, 1.0f - v);
                              }});
        }
        events.push_back({"Bypass on", [](PluginInstance& h) { h.setParameter(lumdel::kBypass, 1.0f); }});
        events.push_back({"Bypass off", [](PluginInstance& h) { h.setParameter(lumdel::kBypass, 0.0f); }});
        const int presets = loads ? s.scale(3, 10) : 0;
        for (int i = 0; i < presets; ++i) {
            int k = 1 + s.pick(60);
            events.push_back({"preset " + std::to_string(k),
                              [k](PluginInstance& h) { choose(h, k, false); }, true});
        }
        if (loads)
            events.push_back({"preset 0", [](PluginInstance& h) { choose(h, 0, false); }, true});
    } else {
        for (int p = 0; p < s.facts.numParams; ++p) {
            std::string name = host.parameterName(p);
            if (!looksLikeTimeParameter(name)) continue;
            for (int i = 0; i < perParameter; ++i) {
                float v = static_cast<float>(s.uniform());
                events.push_back({name + " " + std::to_string(v),
                                  [p, v](PluginInstance& h) { h.setParameter(p, v); }});
            }
            events.push_back({name + " back", [p, v = host.parameter(p)](PluginInstance& h) {
                                  h.setParameter(p, v);
                              }});
        }
    }
    return events;
}

void checkClicks(Session& s, Report& r) {
    auto host = s.startInstance(r);
    if (!host) return;
    TempoTrack tempo;
    long t = 0;
    if (!vstHost(*host)) host->setTransport(true, tempo.bpm, tempo.quarters);
    const std::vector<Event> events = clickEvents(s, *host, tempo, t);
    // A 110 Hz sine at -6 dBFS: its own largest step is 0.0078, so what the plug-in makes
    // of it (delayed copies, filtered, mixed) steps little; a jump in the signal does not.
    const long second = 44100;
    auto sine = [&](long frames) {
        Signal in = makeSilence(s.facts.numInputs, static_cast<int>(frames));
        for (int c = 0; c < s.facts.numInputs; ++c)
            for (long i = 0; i < frames; ++i) in[c][i] = 0.5 * std::sin(2 * M_PI * 110.0 * (t + i) / 44100.0);
        t += frames;
        return in;
    };
    auto run = [&](long frames) { return process(*host, sine(frames), 256, false, s.facts.numOutputs); };
    // Measures from the last sample before the change, so a jump right at the block
    // boundary counts.
    std::vector<double> lastBefore(s.facts.numOutputs, 0.0);
    auto remember = [&](const Signal& out) {
        for (int c = 0; c < s.facts.numOutputs; ++c)
            if (!out[c].empty()) lastBefore[c] = out[c].back();
    };
    run(2 * second);
    Signal settle = run(second / 2);
    double before = largestStep(settle, 0, second);
    remember(settle);
    int clicks = 0;
    double worstRatio = 0.0, worstLoadRatio = 0.0;
    // A load from a second thread, started a few blocks into the second. Blocks run at
    // about a millisecond each while it is under way (faster than real time, slow enough
    // for a plug-in that waits for a block or two); the second is extended until it ends.
    auto runWithLoad = [&](const Event& e) {
        std::atomic<bool> started{false}, done{false};
        std::thread loader;
        Signal during;
        for (int extra = 0; extra < 10 && (extra == 0 || !done); ++extra) {
            Signal part = processWith(*host, sine(second), 256, false, s.facts.numOutputs, [&](int pos, int) {
                if (!started && pos >= 4 * 256) {
                    started = true;
                    loader = std::thread([&] {
                        e.apply(*host);
                        done = true;
                    });
                }
                if (started && !done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            });
            if (during.empty()) during = std::move(part);
            else
                for (int c = 0; c < s.facts.numOutputs; ++c)
                    during[c].insert(during[c].end(), part[c].begin(), part[c].end());
        }
        if (loader.joinable()) loader.join();
        return during;
    };
    // The plug-in may call back from the loading thread while blocks call back from this
    // one: the harness keeps no call lists meanwhile.
    Host* vst = vstHost(*host);
    const bool recording = vst && vst->recordCalls;
    if (vst) vst->recordCalls = false;
    for (const Event& e : events) {
        Signal during;
        if (e.load) {
            during = runWithLoad(e);
        } else {
            e.apply(*host);
            during = run(second);
        }
        for (int c = 0; c < s.facts.numOutputs; ++c) during[c].insert(during[c].begin(), lastBefore[c]);
        Signal after = run(second);
        remember(after);
        double settled = largestStep(after, 0, second);
        long where = 0;
        double step = largestStep(during, 0, second, &where);
        // Four times the larger settled step (the signal may get louder or higher in
        // pitch by a factor of two each) plus 0.01 (-40 dBFS) of slack.
        double bound = 4.0 * std::max(before, settled) + 0.01;
        double& worst = e.load ? worstLoadRatio : worstRatio;
        worst = std::max(worst, step / bound);
        if (step > bound) {
            ++clicks;
            r.fail("click after %s%s: step %.4g at %.1f ms (bound %.4g = 4 x settled step %.4g + 0.01)",
                   e.what.c_str(), e.load ? " (loaded from a second thread)" : "", step,
                   (where - 1) * 1000.0 / 44100.0, bound, std::max(before, settled));
        }
        before = settled;
    }
    if (vst) vst->recordCalls = recording;
    if (!clicks)
        r.note("%zu changes (tempo, %s; loads from a second thread while blocks run): largest "
               "step at most %.0f%% of its bound for the changes, %.0f%% for the loads%s",
               events.size(), s.facts.isLumdel() ? "delay times, bypass, factory presets" : "programs, time-like parameters",
               worstRatio * 100.0, worstLoadRatio * 100.0,
               s.options.format == Format::Lv2 ? " (none for LV2: its hosts load between runs)" : "");
}

void checkThreadedParameters(Session& s, Report& r) {
    auto host = s.start(r);
    if (!host) return;
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, bad{0};
    std::atomic<double> peak{0.0};
    AEffect* e = host->effect();
    const int nin = std::max(s.facts.numInputs, 1), nout = std::max(s.facts.numOutputs, 1);
    std::thread audio([&] {
        Buffers<float> in(nin, 128), out(nout, 128);
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<float> d(-0.5f, 0.5f);
        double local = 0.0;
        while (!stop) {
            for (auto& ch : in.data)
                for (float& x : ch) x = d(rng);
            e->processReplacing(e, in.get(), out.get(), 128);
            for (auto& ch : out.data)
                for (float x : ch) {
                    if (!std::isfinite(x)) ++bad;
                    else local = std::max(local, double(std::fabs(x)));
                }
            ++blocks;
        }
        peak = local;
    });
    const int rounds = s.scale(100, 500);
    char text[512];
    while (blocks == 0) std::this_thread::yield();
    for (int round = 0; round < rounds; ++round) {
        // Give the audio thread its turn now and then, so both really overlap.
        if (round % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int p = 0; p < s.facts.numParams; ++p) {
            e->setParameter(e, p, randomValue(s));
            (void)e->getParameter(e, p);
            e->dispatcher(e, effGetParamDisplay, p, 0, text, 0.0f);
        }
    }
    stop = true;
    audio.join();
    if (bad)
        r.fail("%ld non-finite samples while another thread changed parameters", bad.load());
    else if (peak > kRunawayBound)
        r.fail("output peak %.3g above %.0f while another thread changed parameters", peak.load(),
               kRunawayBound);
    else
        r.note("%d rounds of set/get/display of every parameter from a second thread while the "
               "audio thread ran %ld blocks: finite, peak %.3g",
               rounds, blocks.load(), peak.load());
}

void checkParameterTexts(Session& s, Report& r) {
    auto host = s.start(r);
    if (!host) return;
    int problems = 0, outside = 0;
    auto text = [&](int opcode, int index, const char* what, bool mustWrite = true) {
        unsigned char buf[512];
        std::memset(buf, 0x7F, sizeof buf);
        host->dispatch(opcode, index, 0, buf);
        size_t len = 0;
        while (len < sizeof buf && buf[len] != 0) ++len;
        bool beyond = false;
        for (size_t i = 256; i < sizeof buf; ++i) beyond |= buf[i] != 0x7F;
        if ((mustWrite && len >= 64) || beyond) {
            if (++problems <= 5)
                r.fail("%s of parameter %d: %s", what, index,
                       beyond ? "wrote beyond 256 bytes" : "64 bytes or more without a terminator");
        }
    };
    for (int p = 0; p < s.facts.numParams; ++p) {
        text(effGetParamName, p, "name");
        text(effGetParamLabel, p, "label");
        for (float v : {0.0f, 0.5f, 1.0f}) {
            host->setParameter(p, v);
            text(effGetParamDisplay, p, "display");
        }
        for (float v : hostileValues()) {
            host->setParameter(p, v);
            text(effGetParamDisplay, p, "display after a hostile value");
            // Hosts store what they read back: it must be a number. A value outside
            // [0, 1] that was set is read back as it was by some plug-ins (noted).
            float back = host->getParameter(p);
            if (!std::isfinite(back) && ++problems <= 5)
                r.fail("parameter %d reads back %g after setParameter(%g)", p, double(back), double(v));
            else if (!(back >= 0.0f && back <= 1.0f))
                ++outside;
        }
        float v = host->getParameter(p);
        host->setParameter(p, v);
        float again = host->getParameter(p);
        if (std::fabs(again - v) > 1e-6f && ++problems <= 5)
            r.fail("parameter %d: setting its own value %g reads back %g", p, double(v), double(again));
    }
    // Indices a host should not send, but which must not crash the plug-in.
    for (int p : {s.facts.numParams, s.facts.numParams + 1000, -1}) {
        text(effGetParamName, p, "name (out of range)", false);
        text(effGetParamDisplay, p, "display (out of range)", false);
    }
    if (!problems)
        r.note("%d parameters: names, labels and display texts terminated within 64 bytes, also "
               "after hostile values, which read back finite (%d of them outside [0, 1]); "
               "get(set(get)) stable; out-of-range indices survived",
               s.facts.numParams, outside);
}

}  // namespace

std::vector<Check> automationChecks() {
    return {
        {"automation.random", "every parameter every 32 frames, hostile values included",
         checkRandomAutomation, Reach::AnyFormat},
        {"automation.clicks", "largest step across time, tempo, bypass and program changes",
         checkClicks, Reach::AnyFormat},
        {"automation.threaded", "parameters set from a second thread while processing",
         checkThreadedParameters},
        {"automation.texts", "parameter names, labels and display texts", checkParameterTexts},
    };
}

}  // namespace lumdel::host::validate
