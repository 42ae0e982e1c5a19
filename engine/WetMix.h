// Panning of the two lines' outputs and the mix with the dry signal.
//
// Contract: per sample on the audio thread, inside the block. Reads the wet signal of
// each line (gate gain times the lookahead's output times the line's sign), the smoothed
// DlyPan pair and Mix, and the gained input; writes the mixed signal that the reverb and
// the ducker take. With RvbMode "fx" (dryToWet 0) the mixed signal is the wet share only
// and the dry signal joins at the output; with "out" (dryToWet 1) the dry share is in it.
#pragma once

#include "Stereo.h"

namespace lumdel {

// DlyPan is the share of each line that goes to the right output; the rest goes left.
inline Stereo panWet(Stereo wet, Stereo pan) {
    const double right = wet[1] * pan[1] + wet[0] * pan[0];
    return {wet[0] + wet[1] - right, right};
}

inline Stereo mixWet(Stereo dry, Stereo wet, double mix, double dryToWet) {
    return (1.0 - mix) * dry * dryToWet + mix * wet;
}

}  // namespace lumdel
