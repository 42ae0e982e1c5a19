// The road of one block, written once for both host precisions. What acts at once is
// read before the first sample, the smoothed settings and every stage's running state
// are copied into locals and written back after the last, so the per-sample loop
// touches nothing but locals, the lines and the host buffers.
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

Engine::BlockConstants Engine::blockConstants() const {
    BlockConstants k{};
    k.smoothCoef = smoothCoef;
    k.fadeStep = fadeStep;
    k.dryThrough = rvbMode == 0 ? 1.0 : 0.0;
    k.dryToWet = 1.0 - k.dryThrough;
    k.filterOn = fltOn != 0;
    k.filterAtInput = k.filterOn && fltMode == 0;
    k.filterAfterLine = k.filterOn && fltMode != 0;
    k.filterInLoop = k.filterOn && fltMode == 1;
    k.filterType = fltType;
    k.driveOn = driveValue > 0.0;
    k.reverbOn = rvbOn != 0;
    k.fbSign = channels.fbSign;
    k.dlySign = channels.dlySign;
    k.gateAttack = gateAttackCoef;
    k.gateRelease = gateReleaseCoef;
    k.duckThreshold = duckThreshold;
    k.duckAttack = duckAttackCoef;
    k.duckRelease = duckReleaseCoef;
    k.vcoMan = vcoMan;
    k.filter = {maxCutoff, invHalfRate, tables_->svfCoef, tables_->svfDamp};
    k.modulation = {lfoWave,        lrOffset,          blockPhaseInc_, squareSmoothCoef,
                    tables_->sine,  sineTableScale_,   modSens,        envCoef,
                    tables_->octave};
    return k;
}

template <typename T>
void Engine::writeSilence(T** outputs, int frames, const Routing& routing) {
    HostIo<T>::writeSilence(outputs, frames, routing);
}

template <typename T>
void Engine::process(T** inputs, T** outputs, int frames, const Routing& routing) {
    if (frames <= 0) return;
    if (!inputs || !outputs || !inputs[routing.inputIndexL] || !inputs[routing.inputIndexR] ||
        !inputs[routing.sidechainIndexL] || !inputs[routing.sidechainIndexR] ||
        !outputs[routing.outputIndexL] || !outputs[routing.outputIndexR]) {
        writeSilence(outputs, frames, routing);
        return;
    }
    DenormalsOff denormalsOff;
    // RvbDamp is written without the lock; the reverb takes it over here, between blocks.
    double damping = rvbDampValue;
    if (!(damping >= 0.0)) damping = 0.0;
    if (damping > 1.0) damping = 1.0;
    if (damping != stages_.reverb.damping) stages_.reverb.setDamping(damping);
    linesDirty_ = true;
    linesTouched_ = true;
    const bool smooth = !smoothersSettled();
    // A rate lowered below twice the cutoff: the filter starts this block at fs/2.
    if (cutoff.value > sampleRate * 0.5) cutoff.value = sampleRate * 0.5;
    if (vcoOn) {
        if (smooth)
            run<T, true, true>(inputs, outputs, frames, routing);
        else
            run<T, true, false>(inputs, outputs, frames, routing);
    } else {
        if (smooth)
            run<T, false, true>(inputs, outputs, frames, routing);
        else
            run<T, false, false>(inputs, outputs, frames, routing);
    }
    // A runaway loop (only reachable with settings outside their range) must not leave
    // the lines full of infinities: start again from silence.
    if (!stages_.finite()) reset();
}

template <typename T, bool kClocked, bool kSmooth>
[[gnu::flatten]] void Engine::run(T** inputs, T** outputs, int frames, const Routing& routing) {
    const HostIo<T> io(inputs, outputs, routing);
    const BlockConstants k = blockConstants();
    Glides glide = *this;  // the smoothed settings, gliding per sample while kSmooth
    ChannelGlides channel = channels;
    Stages st = stages_;
    st.drive.beginBlock();
    st.reverb.amount = reverbAmount;
    OutputStage output(*this, kSmooth);
    LinePolicy<kClocked> lines = linePolicy<kClocked>(
        st.line, k.vcoMan, glide.vcoMod.staysAt(0.0, kSmooth), k.modulation.octave);
    // The modulation is heard by the filter and by clocked lines that follow it; else
    // the blend runs on the last sample only (the filter reads it from the next on).
    const bool modulationHeard = k.filterOn || lines.hearsModulation();
    const auto tapsNow = [this](int line) { return tapDistances(line); };
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

    for (int i = 0; i < frames; ++i) {
        const auto in = io.read(i);
        if constexpr (kSmooth) {
            glideAll(glide, k.smoothCoef);
            glideAll(channel, k.smoothCoef);
        }
        output.beginSample();
        Stereo x = in.main * glide.inputGain.value;
        if (meterAhead) st.meter.store(x); else st.meter.step(x);
        if (k.filterOn) {
            st.filter.computeCoefficients(glide.cutoff.value, st.modulation.blend.cutoffFactor,
                                          st.modulation.blend.resoModSource, glide.resoMod.value,
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
        Stereo a = lines.step(st.line, lineIn, toLine, st.modulation.blend.mod, glide.vcoMod.value,
                              i >= frames - 4);
        a = fadeTimeChanges(st.line, channels.dlyFade, a, k.fadeStep, tapsNow);
        const Stereo gate = st.gate.step(a, channel.gateThreshold.value, k.gateAttack,
                                         k.gateRelease);
        Stereo y = a;
        if (k.filterAfterLine) st.filter.process(y, k.filterType);
        st.fbOut = loopLimit((k.filterInLoop ? Stereo(y) : Stereo(a)) * k.fbSign);
        const Stereo wet = panWet(gate * st.lookahead.step(y) * k.dlySign, channel.dlyPan.value);
        Stereo mixed = output.held(mixWet(x, wet, glide.mix.value, k.dryToWet));
        if (k.reverbOn) st.reverb.process(mixed[0], mixed[1]);
        const double duck = st.ducker.step(in.key, k.duckThreshold, k.duckAttack, k.duckRelease);
        const double dry = k.dryThrough * (1.0 - glide.mix.value);
        io.write(i, output.output((x * dry + duck * mixed) * glide.outputGain.value, in.main));
        if constexpr (!kClocked) lastX = x;
    }

    keepValues<Glides>(*this, glide);
    keepValues<ChannelGlides>(channels, channel);
    output.end(*this);
    lines.end(st.line);
    if (!k.driveOn) st.drive.skip(frames);
    splices.settle();
    splices_ = splices;
    // The anti-alias stages settle on their last input, so that switching the clocked mode
    // on goes on from where the lines were.
    if constexpr (!kClocked) st.antiAlias.settleOn(lastX);
    stages_ = st;
}

template void Engine::process<float>(float**, float**, int, const Routing&);
template void Engine::process<double>(double**, double**, int, const Routing&);
template void Engine::writeSilence<float>(float**, int, const Routing&);
template void Engine::writeSilence<double>(double**, int, const Routing&);

}  // namespace lumdel
