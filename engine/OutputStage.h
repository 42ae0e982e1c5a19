// The end of the signal path: the 5 ms crossfade of Bypass to the raw inputs, and the
// output hold of a preset load (EngineState: a ramp to silence over 4 ms, silence while
// held, 3 ms more of it after the release, a ramp back over 4 ms).
//
// Contract: per sample on the audio thread, inside the block. Constructed at the block's
// start from the bypass and hold fields (the hold request read before the holds, so a
// request seen comes with its hold); beginSample() comes first in every sample, output()
// last. end() writes back the ramps' positions and answers a hold once the output is
// silent. The ramps run on the smoothing path only: the block takes that path while one
// is due.
#pragma once

#include "EngineState.h"
#include "Stereo.h"

namespace lumdel {

class OutputStage {
public:
    OutputStage(const EngineState& e, bool rampsAllowed) {
        const double bypassTarget = e.bypass != 0 ? 1.0 : 0.0;
        bypass_ = e.bypassMix;
        bypassRamp_ = rampsAllowed && bypass_ != bypassTarget;
        bypassOn_ = bypass_ == 1.0 && bypassTarget == 1.0;
        bypassInc_ = bypass_ < bypassTarget ? e.bypassStep : -e.bypassStep;
        request_ = __atomic_load_n(&e.holdRequest, __ATOMIC_ACQUIRE);
        held_ = __atomic_load_n(&e.outputHolds, __ATOMIC_ACQUIRE) > 0;
        hold_ = e.holdGain;
        holdRamp_ = rampsAllowed && (held_ || hold_ < 1.0);
        holdInc_ = held_ ? -e.holdStep : e.holdStep;
    }

    // The hold's gain of this sample. Below 0 all is silent: held, the ramp drops to
    // -0.75 at once, so that after the release 3 ms of silence pass before it rises.
    inline void beginSample() {
        if (holdRamp_) {
            hold_ += holdInc_;
            if (hold_ > 1.0) hold_ = 1.0;
            if (hold_ <= 0.0 && held_) hold_ = -0.75;
            gain_ = hold_ > 0.0 ? hold_ : 0.0;
        }
    }

    // The reverb's input fades with the output while a hold ramps, so that no step of the
    // new settings is recorded there to be heard later. The lines and the feedback loop
    // run on (holding them would cut a hole that comes back in every echo); a preset
    // load's switches are spliced into them instead (Splice.h).
    inline Stereo held(Stereo x) const { return holdRamp_ ? x * gain_ : x; }
    // True while a hold ramps or holds (a preset load is under way).
    bool holdRamping() const { return holdRamp_; }

    // processed: the output after gain; raw: the host's main inputs.
    inline Stereo output(Stereo processed, Stereo raw) {
        Stereo out = raw;
        if (!bypassOn_) {
            out = processed;
            if (bypassRamp_) {
                bypass_ += bypassInc_;
                if (bypass_ >= 1.0) {
                    bypass_ = 1.0;
                    out = raw;
                } else {
                    if (bypass_ < 0.0) bypass_ = 0.0;
                    out = out + (raw - out) * bypass_;
                }
            }
        }
        return held(out);
    }

    void end(EngineState& e) const {
        e.bypassMix = bypass_;
        e.holdGain = hold_;
        if (held_ && hold_ <= 0.0) __atomic_store_n(&e.holdAnswer, request_, __ATOMIC_RELEASE);
    }

private:
    double bypass_, bypassInc_;
    bool bypassRamp_, bypassOn_;
    std::uint32_t request_;
    bool held_, holdRamp_;
    double hold_, holdInc_;
    double gain_ = 1.0;
};

}  // namespace lumdel
