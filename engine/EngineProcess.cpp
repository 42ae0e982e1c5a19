// The block's entry, its constants, and the block compiled for any x86-64. The wide
// build of the same block (x86-64-v3) comes from EngineProcessWide.cpp.
#include "EngineBlock.h"

namespace lumdel {

// Compiled in EngineProcessWide.cpp only.
LUMDEL_ENGINE_BLOCKS(extern, true)

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
    if (wide_)
        runFor<T, true>(vcoOn != 0, smooth, inputs, outputs, frames, routing);
    else
        runFor<T, false>(vcoOn != 0, smooth, inputs, outputs, frames, routing);
    // A runaway loop (only reachable with settings outside their range) must not leave
    // the lines full of infinities: start again from silence.
    if (!stages_.finite()) reset();
}

template <typename T, bool kWide>
void Engine::runFor(bool clocked, bool smooth, T** inputs, T** outputs, int frames,
                    const Routing& routing) {
    if (clocked) {
        if (smooth)
            run<T, true, true, kWide>(inputs, outputs, frames, routing);
        else
            run<T, true, false, kWide>(inputs, outputs, frames, routing);
    } else {
        if (smooth)
            run<T, false, true, kWide>(inputs, outputs, frames, routing);
        else
            run<T, false, false, kWide>(inputs, outputs, frames, routing);
    }
}

LUMDEL_ENGINE_BLOCKS(, false)
template void Engine::process<float>(float**, float**, int, const Routing&);
template void Engine::process<double>(double**, double**, int, const Routing&);
template void Engine::writeSilence<float>(float**, int, const Routing&);
template void Engine::writeSilence<double>(double**, int, const Routing&);

}  // namespace lumdel
