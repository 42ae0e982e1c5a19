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
#include <type_traits>

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

// What the passes ahead of the lines leave for the lines' pass, per sample of a run.
struct AheadOfLines {
    static constexpr int kRun = Reverb::kMaxRun;
    StereoScratch<kRun> x;                 // the gained input (filtered, at the input)
    StereoScratch<kRun> u;                 // the line input after the drive
    StereoScratch<kRun> beforeDrive;       // |u| ahead of the drive, for the follower
    StereoScratch<kRun> filterModulation;  // the blend's, as the sample before left it
    StereoScratch<kRun> mod;               // the modulation signals
    StereoScratch<kRun> filter;            // the filter's coefficients f, damp
    ClockRateScratch<kRun> rate;           // the clocks' speed and tick spacing
    double duck[kRun];                     // the ducker's gain
};

// What the input pass gives for one sample.
struct InputSample {
    Stereo x;            // the gained input (filtered, at the input)
    Stereo u;            // the line input after the drive
    Stereo beforeDrive;  // |u| ahead of the drive, for the follower
};

// The ducking gain of one sample, from the key input alone.
template <typename K>
inline double duckSample(Stereo key, Ducker& ducker, const K& k) {
    return ducker.step(key, k.duckThreshold, k.duckAttack, k.duckRelease);
}

// One sample of the input pass: input gain, meter, the filter at the input (its
// coefficients from the modulation of the sample before), anti-alias and drive.
template <bool kClocked, bool kSmooth, typename T, typename Stages, typename K>
inline InputSample inputSample(const HostIo<T>& io, Stages& st, Glides& glide, const K& k,
                               bool meterAhead, int i) {
    if constexpr (kSmooth) {
        glide.next(Glides::kInput, k.smoothCoef);
        if (k.filterAtInput) glide.next(Glides::kFilter, k.smoothCoef);
    }
    Stereo x = io.read(i).main * glide.inputGain.value;
    if (meterAhead) st.meter.store(x); else st.meter.step(x);
    if (k.filterAtInput) {
        st.filter.computeCoefficients({glide.cutoff.value, glide.resoMod.value},
                                      st.modulation.blend.filterModulation(),
                                      glide.reso.value, k.filter);
        st.filter.process(x, k.filterType);
    }
    Stereo u = x;
    if constexpr (kClocked) u = st.antiAlias.step(x);
    const Stereo beforeDrive = magnitude(u);
    st.drive.run(i, u, glide.driveGain.value, k.driveOn);
    return {x, u, beforeDrive};
}

// One sample of the modulation pass: follower, LFO and blend.
template <bool kSmooth, typename Stages, typename K>
inline void modulationSample(Stages& st, Glides& glide, const K& k, Stereo beforeDrive,
                             bool heard) {
    if constexpr (kSmooth) glide.next(Glides::kModulation, k.smoothCoef);
    st.modulation.step(beforeDrive, glide.modSrc.value, glide.cutfMod.value, heard,
                       k.modulation);
}

// One sample of the rate pass, from the modulation alone: the coefficients of the filter
// after the line (left in filter) and the clocks' rate (while they follow the modulation).
template <bool kClocked, bool kSmooth, typename Lines, typename K>
inline ClockRate rateSample(SvfFilter& filter, Glides& glide, const K& k, const Lines& lines,
                            bool clockFollows, Stereo filterModulation, Stereo mod) {
    if constexpr (kSmooth) {
        if (!k.filterAtInput) glide.next(Glides::kFilter, k.smoothCoef);
        glide.next(Glides::kClock, k.smoothCoef);
    }
    if (k.filterAfterLine)
        filter.computeCoefficients({glide.cutoff.value, glide.resoMod.value},
                                   filterModulation, glide.reso.value, k.filter);
    if constexpr (kClocked) {
        if (clockFollows) return lines.rate(mod, glide.vcoMod.value);
    }
    return ClockRate{};
}

// The three passes ahead of the lines over the samples start..end of a run, leaving what
// the lines' pass reads in ahead (index i - start). The ducker's gain, which needs no
// more than the key input, goes with the input pass: its recursion then runs beside the
// anti-alias filter's, where the loop has room, rather than alone after the reverb.
template <bool kClocked, bool kSmooth, typename T, typename Stages, typename K, typename Lines>
inline void runAheadOfLines(const HostIo<T>& io, Stages& st, Glides& glide, const K& k,
                            const Lines& lines, bool meterAhead, int start, int end,
                            AheadOfLines& ahead) {
    for (int i = start; i < end; ++i) {
        const InputSample in = inputSample<kClocked, kSmooth>(io, st, glide, k, meterAhead, i);
        ahead.x[i - start] = in.x;
        ahead.u[i - start] = in.u;
        ahead.beforeDrive[i - start] = in.beforeDrive;
        ahead.duck[i - start] = duckSample(io.read(i).key, st.ducker, k);
    }
    for (int i = start; i < end; ++i) {
        ahead.filterModulation[i - start] = st.modulation.blend.filterModulation();
        modulationSample<kSmooth>(st, glide, k, ahead.beforeDrive[i - start], true);
        ahead.mod[i - start] = st.modulation.blend.mod;
    }
    for (int i = start; i < end; ++i) {
        ahead.rate[i - start] = rateSample<kClocked, kSmooth>(
            st.filter, glide, k, lines, true, ahead.filterModulation[i - start],
            ahead.mod[i - start]);
        ahead.filter[i - start] = Stereo{st.filter.f, st.filter.damp};
    }
}

// The end of one sample: the mixed signal ducked, then the output stage.
template <typename T>
inline void finishSample(const HostIo<T>& io, int i, Stereo raw, OutputStage& output,
                         double duck, Stereo dry, Stereo mixed, double outputGain) {
    io.write(i, output.output((dry + duck * mixed) * outputGain, raw));
}

// One function on purpose, read top to bottom as the signal path: split into helpers
// that take the block's locals by reference, it would keep the block's state in memory
// instead of registers for the whole loop (see Stereo.h). Only the part ahead of the
// lines (input, modulation, rate) is in per-sample helpers, which both ways below share;
// flattened into the block they cost plain and default blocks 3 to 4 instructions a frame.
//
// While the clocked lines follow the modulation (and the filter is not at the input,
// where it hears the modulation of the sample before), that part runs ahead of the
// lines: over a whole run, in three short passes that leave what the lines read in the
// scratch, before the lines' pass goes over the run. Nothing in it waits for what the
// lines give, and the long chain from the input through anti-alias, follower, LFO and
// blend to the clocks' rate (and the filter's coefficients) is then no longer paid inside
// every sample of the lines' own recursion. Otherwise each sample goes the whole way at
// once. The block is compiled for both ways (kAhead); which one runs is chosen per block.
template <typename T, bool kClocked, bool kSmooth, bool kWide>
[[gnu::flatten]] void Engine::run(T** inputs, T** outputs, int frames, const Routing& routing) {
    const BlockConstants k = blockConstants();
    const auto block = [&](auto aheadOfLines) {
        constexpr bool kAhead = decltype(aheadOfLines)::value;
        const HostIo<T> io(inputs, outputs, routing);
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
        const bool clockFollows = lines.hearsModulation();
        const bool modulationHeard = k.filterOn || clockFollows;
        const bool rateDue = kSmooth || k.filterAfterLine || clockFollows;
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
        Stereo lastX{0.0, 0.0};  // the last line input ahead of the anti-alias and the drive
        const bool meterAhead = st.meter.followAhead(frames);

        // The block goes in runs. With the reverb on, the samples of a run go up to the
        // mixed signal, the reverb takes the whole run, then ducking (worked out ahead
        // of the lines when they run ahead) and output follow;
        // the output stage's hold ramp is replayed for that last step by a copy taken at
        // the run's start.
        constexpr int kRun = AheadOfLines::kRun;
        const int runLength = kAhead || k.reverbOn ? kRun : frames;
        AheadOfLines ahead;
        ClockRate rate;  // of the sample going the whole way at once
        StereoScratch<kRun> runMixed, runDry;
        double runGain[kRun];
        for (int start = 0; start < frames; start += runLength) {
            const int end = std::min(frames, start + runLength);
            if constexpr (kAhead)
                runAheadOfLines<kClocked, kSmooth>(io, st, glide, k, lines, meterAhead, start,
                                                   end, ahead);
            OutputStage tail = output;
            for (int i = start; i < end; ++i) {
                const int j = i - start;
                InputSample in;
                if constexpr (!kAhead) {
                    in = inputSample<kClocked, kSmooth>(io, st, glide, k, meterAhead, i);
                    const Stereo filterModulation = st.modulation.blend.filterModulation();
                    modulationSample<kSmooth>(st, glide, k, in.beforeDrive,
                                              modulationHeard || i == frames - 1);
                    if (rateDue)
                        rate = rateSample<kClocked, kSmooth>(st.filter, glide, k, lines,
                                                             clockFollows, filterModulation,
                                                             st.modulation.blend.mod);
                }
                if constexpr (kSmooth) {
                    glide.next(Glides::kLines, k.smoothCoef);
                    glideAll(channel, k.smoothCoef);
                }
                output.beginSample();
                const Stereo x = kAhead ? ahead.x[j] : in.x;
                Stereo toLine =
                    feedbackMatrix(st.fbOut, channel.fbGain.value, channel.fbPan.value);
                Stereo lineIn = (kAhead ? ahead.u[j] : in.u) * channel.muteIn.value;
                if (splicing)
                    splices.step(st.line, join && i == 0, lineIn, toLine, spliceDecayK);
                Stereo a = lines.step(st.line, lineIn, toLine, kAhead ? ahead.rate[j] : rate,
                                      i >= frames - 4);
                a = fades.step(lines, st.line, channels.dlyFade, a, k.fadeStep, tapsNow);
                const Stereo gate = st.gate.step(a, channel.gateThreshold.value,
                                                 k.gateAttack, k.gateRelease);
                Stereo y = a;
                if (k.filterAfterLine) {
                    if constexpr (kAhead) {
                        st.filter.f = ahead.filter[j][0];
                        st.filter.damp = ahead.filter[j][1];
                    }
                    st.filter.process(y, k.filterType);
                }
                st.fbOut = loopLimit((k.filterInLoop ? Stereo(y) : Stereo(a)) * k.fbSign);
                const Stereo wet =
                    panWet(gate * st.lookahead.step(y) * k.dlySign, channel.dlyPan.value);
                const Stereo mixed = output.held(mixWet(x, wet, glide.mix.value, k.dryToWet));
                const Stereo dry = x * (k.dryThrough * (1.0 - glide.mix.value));
                if constexpr (!kClocked) lastX = x;
                if (k.reverbOn) {
                    runMixed[j] = mixed;
                    runDry[j] = dry;
                    runGain[j] = glide.outputGain.value;
                } else {
                    const auto frame = io.read(i);
                    const double duck =
                        kAhead ? ahead.duck[j] : duckSample(frame.key, st.ducker, k);
                    finishSample(io, i, frame.main, output, duck, dry, mixed,
                                 glide.outputGain.value);
                }
            }
            if (k.reverbOn) {
                reverb.processRun(runMixed, end - start);
                for (int i = start; i < end; ++i) {
                    tail.beginSample();
                    const auto frame = io.read(i);
                    const double duck = kAhead ? ahead.duck[i - start]
                                               : duckSample(frame.key, st.ducker, k);
                    finishSample(io, i, frame.main, tail, duck, runDry[i - start],
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
        // The anti-alias stages settle on their last input, so that switching the clocked
        // mode on goes on from where the lines were.
        if constexpr (!kClocked) st.antiAlias.settleOn(lastX);
        static_cast<SampleStages&>(stages_) = st;
    };
    if constexpr (kClocked) {
        if (!vcoMod.staysAt(0.0, kSmooth) && !k.filterAtInput) {
            block(std::true_type{});
            return;
        }
    }
    block(std::false_type{});
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
