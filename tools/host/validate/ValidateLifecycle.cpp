// Lifecycle: open and close many times, many instances side by side, calls in the
// orders real hosts make them (processing before resume or after suspend, empty
// blocks, suspend/resume storms, closing with the editor still open).
#include <malloc.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "Validate.h"
#include "ValidateUtil.h"
#include "tools/host/Vst2Instance.h"

namespace lumdel::host::validate {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapMeasurable = false;
#else
constexpr bool kHeapMeasurable = true;
#endif

// Bytes in use: small chunks in the arenas plus large ones that malloc mapped directly.
long heapInUse() {
    struct mallinfo2 m = mallinfo2();
    return static_cast<long>(m.uordblks + m.hblkhd);
}

// One cycle of the open-close check: create and close, then create, start, process,
// stop and close. False (with a failure) when an instance cannot be made or is not clean.
bool openCloseCycle(Session& s, Report& r, const Signal& in, int i) {
    {
        auto host = s.openInstance(r);
        if (!host) return false;
    }
    auto host = s.startInstance(r);
    if (!host) return false;
    Signal out = process(*host, in, 512, false, s.facts.numOutputs);
    if (!scan(out, true).clean()) {
        r.fail("cycle %d: output not clean: %s", i, scan(out, true).describe().c_str());
        return false;
    }
    host->stop();
    return true;
}

void checkOpenClose(Session& s, Report& r) {
    const int cycles = s.scale(10, 50);
    Signal in = makeNoise(s.rng, s.facts.numInputs, 1024, 0.5);
    // The session keeps a VST 2.4 library loaded; for the other formats an instance kept
    // open does, so that what is measured is the instances, not loading the library.
    std::unique_ptr<PluginInstance> keeper;
    if (s.options.format != Format::Vst2 && !(keeper = s.openInstance(r))) return;
    long before = 0;
    for (int i = 0; i < cycles + 2; ++i) {
        if (i == 2) before = heapInUse();  // after two warm-up cycles
        if (!openCloseCycle(s, r, in, i)) return;
    }
    if (!kHeapMeasurable) {
        r.note("%d cycles of create/close and create/start/process/close (heap not measured "
               "under the address sanitizer)",
               cycles);
        return;
    }
    long growth = heapInUse() - before;
    double perCycle = static_cast<double>(growth) / cycles;
    // A leaked buffer or editor shows as kilobytes per cycle; allocator noise does not.
    if (perCycle > 16384.0)
        r.fail("%d cycles: the heap grew by %ld bytes (%.0f per cycle): instances leak", cycles,
               growth, perCycle);
    else
        r.note("%d cycles of create/close and create/start/process/close: heap grew %ld bytes "
               "(%.0f per cycle, bound 16384)",
               cycles, growth, perCycle);
    if (!keeper) return;
    // Told, not judged: what a host that unloads the library after its last instance
    // loses per load (static initialisers of the library and what it links in).
    keeper.reset();
    const int loads = s.scale(3, 10);
    before = heapInUse();
    for (int i = 0; i < loads; ++i)
        if (!openCloseCycle(s, r, in, cycles + 2 + i)) return;
    r.note("the same with the library loaded and unloaded each cycle: heap grew %.0f bytes "
           "per load",
           static_cast<double>(heapInUse() - before) / loads);
}

void compareInstances(Session& s, Report& r, std::vector<std::unique_ptr<PluginInstance>>& hosts,
                      const char* what) {
    const int blocks = s.scale(40, 200);
    const int block = 256;
    Signal in = makeNoise(s.rng, s.facts.numInputs, block * blocks, 0.5);
    std::vector<Signal> outs(hosts.size(), makeSilence(s.facts.numOutputs, block * blocks));
    Buffers<float> bin(std::max(s.facts.numInputs, 1), block), bout(std::max(s.facts.numOutputs, 1), block);
    for (int b = 0; b < blocks; ++b) {
        for (size_t h = 0; h < hosts.size(); ++h) {  // interleaved, as a host's graph runs them
            for (int c = 0; c < s.facts.numInputs; ++c)
                for (int i = 0; i < block; ++i) bin.data[c][i] = static_cast<float>(in[c][b * block + i]);
            hosts[h]->process(bin.get(), bout.get(), block);
            for (int c = 0; c < s.facts.numOutputs; ++c)
                for (int i = 0; i < block; ++i) outs[h][c][b * block + i] = bout.data[c][i];
        }
    }
    for (size_t h = 1; h < hosts.size(); ++h) {
        long where = -1;
        double d = maxDifference(outs[0], outs[h], &where);
        if (d != 0.0) {
            r.fail("%s: instance %zu differs from instance 0 by up to %.3g (at frame %ld): the "
                   "instances share state",
                   what, h, d, where);
            return;
        }
    }
    r.note("%s: %zu instances processing interleaved give bit-identical output (peak %.3g)", what,
           hosts.size(), peakOf(outs[0]));
}

void checkInstances(Session& s, Report& r) {
    std::vector<std::unique_ptr<PluginInstance>> hosts;
    for (int i = 0; i < 8; ++i) {
        hosts.push_back(s.startInstance(r));
        if (!hosts.back()) return;
    }
    compareInstances(s, r, hosts, "default settings");
    std::uint64_t seed = s.rng();
    for (auto& h : hosts) {
        std::mt19937_64 same(seed);
        randomiseParameters(*h, s.facts, same);
        h->stop();
        if (!resume(*h)) {
            r.fail("an instance did not start again after a stop");
            return;
        }
    }
    compareInstances(s, r, hosts, "random settings");
}

// The first start of an instance that was only loaded: a VST 2.4 effect gets the calls
// Session::start makes (rate, block size, resume), any other format its loader's start.
bool startAsLoaded(PluginInstance& plugin) {
    if (plugin.format() == Format::Vst2) {
        static_cast<Vst2Instance&>(plugin).host().start();
        return true;
    }
    std::string error;
    return plugin.start(error);
}

void checkOddCalls(Session& s, Report& r) {
    Signal in = makeNoise(s.rng, s.facts.numInputs, 2048, 0.5);
    {
        auto host = s.openInstance(r);
        if (!host) return;
        for (bool dbl : precisions(s.facts)) {
            Scan sc = scan(process(*host, in, 512, dbl, s.facts.numOutputs), !dbl);
            if (!sc.clean()) r.fail("%s before the first resume: %s", precisionName(dbl), sc.describe().c_str());
        }
        if (!startAsLoaded(*host)) {
            r.fail("could not start after processing before the first start");
            return;
        }
        Scan sc = scan(process(*host, in, 512, false, s.facts.numOutputs), true);
        if (!sc.clean()) r.fail("after a late resume: %s", sc.describe().c_str());
        else r.note("processing before the first resume (no rate, no block size): survived, clean");
    }
    {
        auto host = s.startInstance(r);
        if (!host) return;
        process(*host, in, 512, false, s.facts.numOutputs);
        host->stop();
        for (bool dbl : precisions(s.facts)) {
            Scan sc = scan(process(*host, in, 512, dbl, s.facts.numOutputs), !dbl);
            if (!sc.clean()) r.fail("%s after suspend: %s", precisionName(dbl), sc.describe().c_str());
        }
        if (!resume(*host)) {
            r.fail("could not start again after processing while stopped");
            return;
        }
        Scan sc = scan(process(*host, in, 512, false, s.facts.numOutputs), true);
        if (!sc.clean()) r.fail("resumed after processing while suspended: %s", sc.describe().c_str());
        else r.note("processing while suspended: survived, clean");
    }
    {
        auto host = s.startInstance(r);
        if (!host) return;
        const float sentinel = 12345.0f;
        Buffers<float> fin(std::max(s.facts.numInputs, 1), 64), fout(std::max(s.facts.numOutputs, 1), 64);
        Buffers<double> din(std::max(s.facts.numInputs, 1), 64), dout(std::max(s.facts.numOutputs, 1), 64);
        for (auto& ch : fout.data) std::fill(ch.begin(), ch.end(), sentinel);
        for (auto& ch : dout.data) std::fill(ch.begin(), ch.end(), double(sentinel));
        int written = 0;
        for (int i = 0; i < 10; ++i) {
            host->process(fin.get(), fout.get(), 0);
            if (s.facts.canDouble()) host->processDouble(din.get(), dout.get(), 0);
        }
        for (auto& ch : fout.data)
            for (float x : ch) written += x != sentinel;
        for (auto& ch : dout.data)
            for (double x : ch) written += x != double(sentinel);
        if (written) r.fail("blocks of 0 frames wrote %d output samples", written);
        Scan sc = scan(process(*host, in, 512, false, s.facts.numOutputs), true);
        if (!sc.clean()) r.fail("after blocks of 0 frames: %s", sc.describe().c_str());
        if (!written && sc.clean()) r.note("blocks of 0 frames write nothing; processing continues clean");
    }
}

// Block-size changes while stopped: only VST 2.4 tells a made instance a new largest
// block; the other formats fix it when the instance is made (LV2) or activated (CLAP).
bool changeBlockSize(PluginInstance& plugin, int frames) {
    if (plugin.format() != Format::Vst2) return false;
    static_cast<Vst2Instance&>(plugin).host().dispatch(effSetBlockSize, 0, frames);
    return true;
}

void checkStorm(Session& s, Report& r) {
    const int steps = s.scale(100, 1000);
    const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f, 192000.0f};
    auto host = s.startInstance(r, 44100.0f, 2048);
    if (!host) return;
    bool resumed = true;
    int processed = 0, sizeChanges = 0, rateChanges = 0;
    Signal in = makeNoise(s.rng, s.facts.numInputs, 2048, 0.5);
    for (int i = 0; i < steps; ++i) {
        switch (s.pick(6)) {
            case 0: host->stop(); resumed = false; break;
            case 1: resumed = resume(*host); break;  // twice in a row is allowed too
            case 2:
                if (!resumed) rateChanges += host->setSampleRate(rates[s.pick(5)]);
                break;
            case 3:
                if (!resumed) sizeChanges += changeBlockSize(*host, 1 + s.pick(2048));
                break;
            default:
                if (resumed) {
                    Signal piece = in;
                    int n = 1 + s.pick(512);
                    for (auto& ch : piece) ch.resize(n);
                    Scan sc = scan(process(*host, piece, n, s.facts.canDouble() && s.pick(2), s.facts.numOutputs), false);
                    if (!sc.clean()) {
                        r.fail("step %d: %s", i, sc.describe().c_str());
                        return;
                    }
                    ++processed;
                }
        }
    }
    if (!resumed && !resume(*host)) {
        r.fail("the instance did not start again after the storm");
        return;
    }
    Scan sc = scan(process(*host, in, 512, false, s.facts.numOutputs), true);
    if (!sc.clean()) r.fail("after the storm: %s", sc.describe().c_str());
    else
        r.note("%d random lifecycle steps (%d blocks, %d rate and %d block-size changes while "
               "suspended): clean",
               steps, processed, rateChanges, sizeChanges);
}

void checkEditorLifecycle(Session& s, Report& r) {
    if (!s.facts.hasEditor()) {
        r.skip("the plug-in has no editor");
        return;
    }
    ParentWindow window;
    if (!window.ok()) {
        r.skip("no X display (set DISPLAY or install Xvfb)");
        return;
    }
    {
        auto host = s.start(r);
        if (!host) return;
        VstIntPtr opened = host->dispatch(effEditOpen, 0, 0, window.handle());
        for (int i = 0; i < 5; ++i) {
            host->dispatch(effEditIdle);
            window.pump();
        }
        host->close();  // effClose without effEditClose, as some hosts do at shutdown
        r.note("editor opened (answer %ld), then effClose without effEditClose: survived",
               static_cast<long>(opened));
    }
    auto host = s.start(r);
    if (!host) return;
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, bad{0};
    std::thread audio([&] {
        Buffers<float> in(std::max(s.facts.numInputs, 1), 256), out(std::max(s.facts.numOutputs, 1), 256);
        for (auto& ch : in.data)
            for (size_t i = 0; i < ch.size(); ++i) ch[i] = 0.3f * std::sin(0.05f * i);
        while (!stop) {
            host->effect()->processReplacing(host->effect(), in.get(), out.get(), 256);
            for (auto& ch : out.data)
                for (float x : ch) bad += !std::isfinite(x);
            ++blocks;
        }
    });
    const int cycles = s.scale(5, 25);
    for (int i = 0; i < cycles; ++i) {
        host->dispatch(effEditOpen, 0, 0, window.handle());
        for (int k = 0; k < 3; ++k) {
            host->dispatch(effEditIdle);
            window.pump();
        }
        host->dispatch(effEditClose);
    }
    stop = true;
    audio.join();
    if (bad) r.fail("%ld non-finite samples while the editor opened and closed", bad.load());
    else
        r.note("%d editor open/idle/close cycles while another thread processed %ld blocks: clean",
               cycles, blocks.load());
}

}  // namespace

std::vector<Check> lifecycleChecks() {
    return {
        {"lifecycle.open-close", "create and close many times, no leak", checkOpenClose,
         Reach::AnyFormat},
        {"lifecycle.instances", "8 instances side by side give identical output", checkInstances,
         Reach::AnyFormat},
        {"lifecycle.odd-calls", "process before resume, after suspend, 0 frames", checkOddCalls,
         Reach::AnyFormat},
        {"lifecycle.storm", "random suspend/resume/rate/block-size/process sequences", checkStorm,
         Reach::AnyFormat},
        {"lifecycle.editor", "effClose with the editor open; editor cycles while processing",
         checkEditorLifecycle},
    };
}

}  // namespace lumdel::host::validate
