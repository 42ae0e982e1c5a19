// The road of one block, written once for both host precisions. What acts at once is
// read before the first sample, the smoothed settings and the running state of every
// stage that works sample by sample are copied into locals and written back after the
// last, so the per-sample loop touches nothing but locals, the lines and the host
// buffers. The reverb takes whole runs and works in place.
//
// Included by the two sources that compile the block: EngineProcess.cpp for any x86-64
// and EngineProcessWide.cpp for x86-64-v3 (kWide); Engine::process picks one per
// instance. Nothing but Engine::run is instantiated from here.
#pragma once

#include <algorithm>
#include <cmath>

#include "Engine.h"
#include "FeedbackMatrix.h"
#include "HostIo.h"
#include "OutputStage.h"
#include "Splice.h"
#include "WetMix.h"

namespace lumdel {

struct Engine::BlockConstants {
    double smoothCoef, fadeStep;
    double dryThrough, dryToWet;  // RvbMode "fx": 1, 0; "out": 0, 1
    bool filterOn, filterAtInput, filterAfterLine, filterInLoop;
    int filterType;
    bool driveOn, reverbOn;
    Stereo fbSign, dlySign;
    double gateAttack, gateRelease;
    double duckThreshold, duckAttack, duckRelease;
    double vcoMan;
    SvfFilter::Constants filter;
    ModulationConstants modulation;
};

// The end of one sample: ducking by the key input, then the output stage.
template <typename T>
inline void finishSample(const HostIo<T>& io, int i, const typename HostIo<T>::Frame& in,
                         OutputStage& output, Ducker& ducker, const double* duckCoefs,
                         Stereo dry, Stereo mixed, double outputGain) {
    const double duck = ducker.step(in.key, duckCoefs[0], duckCoefs[1], duckCoefs[2]);
    io.write(i, output.output((dry + duck * mixed) * outputGain, in.main));
}

// One function on purpose, read top to bottom as the signal path: split into helpers
// that take the block's locals by reference, it would keep the block's state in memory
// instead of registers for the whole loop (see Stereo.h).
template <typename T, bool kClocked, bool kSmooth, bool kWide>
[[gnu::flatten]] void Engine::run(T** inputs, T** outputs, int frames, const Routing& routing) {
    const HostIo<T> io(inputs, outputs, routing);
    const BlockConstants k = blockConstants();
    Glides glide = *this;  // the smoothed settings, gliding per sample while kSmooth
    ChannelGlides channel = channels;
    SampleStages st = stages_;
    Reverb& reverb = stages_.reverb;
    // The drive's sums are only read while it is on; it starts them afresh when it is.
    if (k.driveOn) st.drive.beginBlock();
    reverb.amount = reverbAmount;
    OutputStage output(*this, kSmooth);
    LinePolicy<kClocked> lines = linePolicy<kClocked>(
        st.line, k.vcoMan, glide.vcoMod.staysAt(0.0, kSmooth), k.modulation.octave);
    // The modulation is heard by the filter and by clocked lines that follow it; else
    // the blend runs on the last sample only (the filter reads it from the next on).
    const bool modulationHeard = k.filterOn || lines.hearsModulation();
    const auto tapsNow = [this](int line) { return tapDistances(line); };
    TimeFades fades(st.line);
    // A preset load's switches splice the streams into the lines (the output is held
    // meanwhile); switches changed at any other time act at once.
    const LinePathSwitches switches{k.filterOn ? 1 : 0, fltMode,          k.filterType,
                                    k.driveOn ? 1 : 0,  kClocked ? 1 : 0, lfoWave,
                                    k.fbSign[0],        k.fbSign[1],      k.vcoMan};
    const bool join = output.holdRamping() && switches != lastSwitches_;
    lastSwitches_ = switches;
    LineSplices splices = splices_;
    const bool splicing = join || splices.active();
    const double spliceDecayK = spliceDecay;
    Stereo u{0.0, 0.0};
    Stereo lastX{0.0, 0.0};  // the last line input ahead of the anti-alias and the drive
    const bool meterAhead = st.meter.followAhead(frames);

    // With the reverb on, the block goes in runs: the samples of a run up to the mixed
    // signal, the reverb over the whole run, then ducking and output. The output stage's
    // hold ramp is replayed for the last step by a copy taken at the run's start.
    const double duckCoefs[3] = {k.duckThreshold, k.duckAttack, k.duckRelease};
    const int runLength = k.reverbOn ? Reverb::kMaxRun : frames;
    StereoScratch<Reverb::kMaxRun> runMixed, runDry;
    double runGain[Reverb::kMaxRun];
    for (int start = 0; start < frames; start += runLength) {
        const int end = std::min(frames, start + runLength);
        OutputStage tail = output;
        for (int i = start; i < end; ++i) {
            const auto in = io.read(i);
            if constexpr (kSmooth) {
                glideAll(glide, k.smoothCoef);
                glideAll(channel, k.smoothCoef);
            }
            output.beginSample();
            Stereo x = in.main * glide.inputGain.value;
            if (meterAhead) st.meter.store(x); else st.meter.step(x);
            if (k.filterOn) {
                st.filter.computeCoefficients({glide.cutoff.value, glide.resoMod.value},
                                              st.modulation.blend.filterModulation(),
                                              glide.reso.value, k.filter);
                if (k.filterAtInput) st.filter.process(x, k.filterType);
            }
            if constexpr (kClocked) u = st.antiAlias.step(x); else u = x;
            const Stereo beforeDrive = magnitude(u);
            st.drive.run(i, u, glide.driveGain.value, k.driveOn);
            st.modulation.step(beforeDrive, glide.modSrc.value, glide.cutfMod.value,
                               modulationHeard || i == frames - 1, k.modulation);
            Stereo toLine = feedbackMatrix(st.fbOut, channel.fbGain.value, channel.fbPan.value);
            Stereo lineIn = u * channel.muteIn.value;
            if (splicing) splices.step(st.line, join && i == 0, lineIn, toLine, spliceDecayK);
            Stereo a = lines.step(st.line, lineIn, toLine, st.modulation.blend.mod,
                                  glide.vcoMod.value, i >= frames - 4);
            a = fades.step(lines, st.line, channels.dlyFade, a, k.fadeStep, tapsNow);
            const Stereo gate = st.gate.step(a, channel.gateThreshold.value, k.gateAttack,
                                             k.gateRelease);
            Stereo y = a;
            if (k.filterAfterLine) st.filter.process(y, k.filterType);
            st.fbOut = loopLimit((k.filterInLoop ? Stereo(y) : Stereo(a)) * k.fbSign);
            const Stereo wet =
                panWet(gate * st.lookahead.step(y) * k.dlySign, channel.dlyPan.value);
            const Stereo mixed = output.held(mixWet(x, wet, glide.mix.value, k.dryToWet));
            const Stereo dry = x * (k.dryThrough * (1.0 - glide.mix.value));
            if constexpr (!kClocked) lastX = x;
            if (k.reverbOn) {
                runMixed[i - start] = mixed;
                runDry[i - start] = dry;
                runGain[i - start] = glide.outputGain.value;
            } else {
                finishSample(io, i, in, output, st.ducker, duckCoefs, dry, mixed,
                             glide.outputGain.value);
            }
        }
        if (k.reverbOn) {
            reverb.processRun(runMixed, end - start);
            for (int i = start; i < end; ++i) {
                tail.beginSample();
                finishSample(io, i, io.read(i), tail, st.ducker, duckCoefs, runDry[i - start],
                             runMixed[i - start], runGain[i - start]);
            }
            output = tail;
        }
    }

    // Without gliding the values stayed as they were.
    if constexpr (kSmooth) {
        keepValues<Glides>(*this, glide);
        keepValues<ChannelGlides>(channels, channel);
    }
    output.end(*this);
    lines.end(st.line);
    if (!k.driveOn) st.drive.skip(frames);
    if (splicing) {
        splices.settle();
        splices_ = splices;
    }
    // The anti-alias stages settle on their last input, so that switching the clocked mode
    // on goes on from where the lines were.
    if constexpr (!kClocked) st.antiAlias.settleOn(lastX);
    static_cast<SampleStages&>(stages_) = st;
}

// The block for both precisions and both builds of it (see EngineProcessWide.cpp).
#define LUMDEL_ENGINE_BLOCKS(PREFIX, WIDE)                                                  \
    PREFIX template void Engine::run<float, false, false, WIDE>(float**, float**, int,     \
                                                                 const Routing&);          \
    PREFIX template void Engine::run<float, false, true, WIDE>(float**, float**, int,      \
                                                                const Routing&);           \
    PREFIX template void Engine::run<float, true, false, WIDE>(float**, float**, int,      \
                                                                const Routing&);           \
    PREFIX template void Engine::run<float, true, true, WIDE>(float**, float**, int,       \
                                                               const Routing&);            \
    PREFIX template void Engine::run<double, false, false, WIDE>(double**, double**, int,  \
                                                                  const Routing&);         \
    PREFIX template void Engine::run<double, false, true, WIDE>(double**, double**, int,   \
                                                                 const Routing&);          \
    PREFIX template void Engine::run<double, true, false, WIDE>(double**, double**, int,   \
                                                                 const Routing&);          \
    PREFIX template void Engine::run<double, true, true, WIDE>(double**, double**, int,    \
                                                                const Routing&);

}  // namespace lumdel
