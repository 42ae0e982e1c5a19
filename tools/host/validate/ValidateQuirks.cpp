// Host quirks that real Linux hosts show: idle at 15 Hz, effEditIdle re-entrant from
// the update-display callback, parameters set and read from inside the automate
// callback, the editor opened at sample rate 0 before any resume and never closed
// before effClose, and a process locale that the plug-in must leave alone.
#include <clocale>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "Validate.h"
#include "ValidateUtil.h"

namespace lumdel::host::validate {

namespace {

void checkIdle(Session& s, Report& r) {
    auto host = s.start(r);
    if (!host) return;
    std::unique_ptr<ParentWindow> window;
    bool editor = false;
    if (s.facts.hasEditor()) {
        window = std::make_unique<ParentWindow>();
        if (window->ok()) editor = host->dispatch(effEditOpen, 0, 0, window->handle()) != 0 || true;
    }
    std::atomic<bool> stop{false};
    std::atomic<long> bad{0}, blocks{0};
    AEffect* e = host->effect();
    std::thread audio([&] {
        Buffers<float> in(std::max(s.facts.numInputs, 1), 256), out(std::max(s.facts.numOutputs, 1), 256);
        for (auto& ch : in.data)
            for (size_t i = 0; i < ch.size(); ++i) ch[i] = 0.25f * std::sin(0.02f * i);
        while (!stop) {
            e->processReplacing(e, in.get(), out.get(), 256);
            for (auto& ch : out.data)
                for (float x : ch) bad += !std::isfinite(x);
            ++blocks;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const int idles = s.scale(15, 45);  // 1 to 3 seconds at 15 Hz
    for (int i = 0; i < idles; ++i) {
        host->dispatch(effIdle);
        if (editor) host->dispatch(effEditIdle);
        if (window) window->pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(66));
    }
    stop = true;
    audio.join();
    if (editor) host->dispatch(effEditClose);
    if (bad) r.fail("%ld non-finite samples while idling", bad.load());
    else
        r.note("%d idle calls at 15 Hz (%s) while %ld blocks were processed: clean", idles,
               editor ? "effIdle and effEditIdle, editor open" : "effIdle, no editor", blocks.load());
}

void checkReentrant(Session& s, Report& r) {
    auto host = s.start(r);
    if (!host) return;
    std::unique_ptr<ParentWindow> window;
    if (s.facts.hasEditor()) {
        window = std::make_unique<ParentWindow>();
        if (window->ok()) host->dispatch(effEditOpen, 0, 0, window->handle());
        else window.reset();
    }
    int depth = 0, idleInside = 0, setInside = 0;
    Host* h = host.get();
    host->onUpdateDisplay = [&] {
        if (depth > 2) return;  // with the editor open or not, as hosts do
        ++depth;
        h->dispatch(effEditIdle);  // some hosts repaint from here
        ++idleInside;
        --depth;
    };
    host->onAutomate = [&](int index, float value) {
        if (depth > 2) return;
        ++depth;
        h->setParameter(index, value);
        (void)h->getParameter(index);
        ++setInside;
        --depth;
    };
    // What makes plug-ins call back: programs, chunks, parameter changes, editor idle.
    for (int k = 0; k < std::min(s.facts.numPrograms, 16); ++k) host->dispatch(effSetProgram, 0, k);
    host->dispatch(effSetProgram, 0, 0);
    if (s.facts.hasChunks()) {
        auto chunk = getChunk(*host);
        randomiseParameters(*host, s.facts, s.rng);
        setChunk(*host, chunk);
        if (s.facts.isLumdel())
            for (int k = 0; k < lumdel_id::kPresets; k += 7) lumdel_id::selectPreset(*host, k);
    }
    for (int p = 0; p < s.facts.numParams; ++p) {
        host->setParameter(p, static_cast<float>(s.uniform()));
        host->dispatch(effCanBeAutomated, p);
    }
    // Controller changes: plug-ins that map them to parameters report them as automation.
    for (int cc = 0; cc < 128; cc += 8) {
        host->sendMidi({Host::controlChange(0, cc, 100), Host::controlChange(0, cc + 1, 20)});
        process(*host, makeSilence(s.facts.numInputs, 64), 64, false, s.facts.numOutputs);
    }
    for (int i = 0; i < 10 && window; ++i) {
        host->dispatch(effEditIdle);
        window->pump();
    }
    if (window) host->dispatch(effEditClose);
    Scan sc = scan(process(*host, makeNoise(s.rng, s.facts.numInputs, 8192, 0.5), 512, false,
                           s.facts.numOutputs),
                   true);
    if (!sc.clean()) r.fail("after re-entrant calls: %s", sc.describe().c_str());
    else
        r.note("update-display callbacks %d (effEditIdle from inside: %d), automate callbacks %d "
               "(set/get from inside: %d): no crash, no deadlock, clean output",
               host->updateDisplayCalls, idleInside, static_cast<int>(host->automates.size()),
               setInside);
    host->onUpdateDisplay = nullptr;
    host->onAutomate = nullptr;
}

void checkEarlyEditor(Session& s, Report& r) {
    if (!s.facts.hasEditor()) {
        r.skip("the plug-in has no editor");
        return;
    }
    auto host = s.load(r);
    if (!host) return;
    host->sampleRate = 0.0f;  // the host does not know its rate yet
    host->timeInfo.sampleRate = 0.0;
    ERect* rect = nullptr;
    host->dispatch(effEditGetRect, 0, 0, &rect);
    if (rect) {
        int w = rect->right - rect->left, hgt = rect->bottom - rect->top;
        if (w <= 0 || hgt <= 0 || w > 8192 || hgt > 8192)
            r.fail("effEditGetRect before resume gives %d x %d", w, hgt);
        else
            r.note("effEditGetRect before resume: %d x %d", w, hgt);
    } else {
        r.note("effEditGetRect before resume gives no rectangle");
    }
    ParentWindow window;
    if (!window.ok()) {
        r.skip("no X display: editor not opened");
        return;
    }
    VstIntPtr opened = host->dispatch(effEditOpen, 0, 0, window.handle());
    for (int i = 0; i < 5; ++i) {
        host->dispatch(effEditIdle);
        window.pump();
    }
    host->dispatch(effEditClose);
    host->dispatch(effEditOpen, 0, 0, window.handle());
    host->sampleRate = 44100.0f;
    host->start();
    Scan sc = scan(process(*host, makeNoise(s.rng, s.facts.numInputs, 8192, 0.5), 512, false,
                           s.facts.numOutputs),
                   true);
    host->dispatch(effEditIdle);
    host->close();  // the editor is still open
    if (!sc.clean()) r.fail("after an editor opened at rate 0: %s", sc.describe().c_str());
    else
        r.note("editor opened at sample rate 0 before any resume (answer %ld), closed, opened "
               "again, then resumed, processed and effClose'd with the editor open: clean",
               static_cast<long>(opened));
}

// Hosts hand out odd time information: no record, tempo 0 while stopped, nonsense
// positions. Both while processing and at resume (where plug-ins read the tempo too).
void checkOddTimeInfo(Session& s, Report& r) {
    auto host = s.start(r);
    if (!host) return;
    const double nan = std::nan("");
    struct Odd {
        const char* what;
        double tempo, ppq;
        bool available;
    };
    const Odd odds[] = {{"no time record", 120.0, 0.0, false}, {"tempo 0", 0.0, 0.0, true},
                        {"tempo -120", -120.0, 0.0, true},     {"tempo NaN", nan, 0.0, true},
                        {"tempo +Inf", INFINITY, 0.0, true},    {"tempo 1e9", 1e9, 0.0, true},
                        {"tempo 20", 20.0, 0.0, true},          {"tempo 500", 500.0, 0.0, true},
                        {"position NaN", 120.0, nan, true},     {"position -1e12", 120.0, -1e12, true},
                        {"position 1e15", 120.0, 1e15, true}};
    int bad = 0;
    for (const Odd& odd : odds) {
        for (bool atResume : {false, true}) {
            host->timeInfoAvailable = odd.available;
            host->timeInfo.tempo = odd.tempo;
            host->timeInfo.ppqPos = odd.ppq;
            if (atResume) {
                host->suspend();
                host->resume();
            }
            Signal in = makeNoise(s.rng, s.facts.numInputs, 11025, 0.5);
            bool dbl = s.facts.canDouble() && atResume;
            Scan sc = scan(process(*host, in, 512, dbl, s.facts.numOutputs), !dbl);
            // process() advances the position; keep the odd one for the next block too.
            if (!sc.clean() || sc.peak > 1000.0) {
                ++bad;
                r.fail("%s%s: %s", odd.what, atResume ? " at resume" : " while processing",
                       sc.describe().c_str());
            }
        }
    }
    host->timeInfoAvailable = true;
    host->setTempo(120.0);
    host->setPosition(0.0);
    host->suspend();
    host->resume();
    Scan sc = scan(process(*host, makeNoise(s.rng, s.facts.numInputs, 22050, 0.5), 512, false,
                           s.facts.numOutputs),
                   true);
    if (!sc.clean()) r.fail("back at 120 BPM: %s", sc.describe().c_str());
    if (!bad && sc.clean())
        r.note("%zu kinds of odd time information, while processing and at resume: clean",
               sizeof odds / sizeof odds[0]);
}

void checkLocale(Session& s, Report& r) {
    auto current = [] { return std::string(std::setlocale(LC_ALL, nullptr)); };
    const std::string before = current();
    int changes = 0;
    auto expect = [&](const char* stage) {
        std::string now = current();
        if (now != before) {
            ++changes;
            r.fail("%s changed the locale from '%s' to '%s'", stage, before.c_str(), now.c_str());
            std::setlocale(LC_ALL, before.c_str());
        }
    };
    auto host = s.load(r);
    if (!host) return;
    expect("loading");
    host->start();
    expect("resume");
    process(*host, makeNoise(s.rng, s.facts.numInputs, 4096, 0.5), 512, false, s.facts.numOutputs);
    expect("processing");
    for (int p = 0; p < s.facts.numParams; ++p) host->parameterDisplay(p);
    expect("parameter display texts");
    if (s.facts.hasChunks()) {
        setChunk(*host, getChunk(*host));
        expect("the chunk");
    }
    if (s.facts.hasEditor()) {
        ParentWindow window;
        if (window.ok()) {
            host->dispatch(effEditOpen, 0, 0, window.handle());
            expect("opening the editor");
            for (int i = 0; i < 5; ++i) host->dispatch(effEditIdle);
            expect("editor idle");
            host->dispatch(effEditClose);
            expect("closing the editor");
        }
    }
    host->close();
    expect("effClose");
    if (!changes) r.note("locale '%s' unchanged by load, resume, processing, texts, chunk, editor and close", before.c_str());
}

}  // namespace

std::vector<Check> quirkChecks() {
    return {
        {"quirks.idle", "effIdle/effEditIdle at 15 Hz while processing", checkIdle},
        {"quirks.reentrant", "effEditIdle from update-display; set/get from automate", checkReentrant},
        {"quirks.early-editor", "editor at sample rate 0 before resume, open at effClose", checkEarlyEditor},
        {"quirks.time-info", "no time record, tempo 0/NaN/huge, odd positions", checkOddTimeInfo},
        {"quirks.locale", "setlocale unchanged by open, idle, editor and close", checkLocale},
    };
}

}  // namespace lumdel::host::validate
