// The feedback matrix: what each line gave in the previous sample (after its sign, and
// after the filter in loop position) goes back into the lines, scaled by FbGainL/R and
// split by FbPanL/R: FbPan 0 keeps a line's feedback in the left line, 1 sends it to the
// right one (FbPanL 0 with FbPanR 1 is plain stereo, 1 with 0 is ping-pong).
//
// Contract: per sample on the audio thread, inside the block. Reads the previous
// sample's feedback and the smoothed FbGain and FbPan pairs; writes the feedback of each
// line for this sample. loopLimit holds what goes round the loop.
#pragma once

#include "Stereo.h"
#include "StereoLimit.h"

namespace lumdel {

// toRight = fbL gL pL + fbR gR pR; toLeft = fbL gL + fbR gR - toRight; both flushed.
inline Stereo feedbackMatrix(Stereo fbOut, Stereo gain, Stereo pan) {
    const Stereo sent = fbOut * gain;
    const double right = sent[0] * pan[0] + sent[1] * pan[1];
    return flush(Stereo{sent[0] + sent[1] - right, right});
}

// What goes round the feedback loop is held within +-kLoopCeiling (+30 dBFS). A loop that
// gains (full feedback through a filter that lifts some band, with a delay of a few
// samples) would otherwise grow without end and reach Inf within a block; held, it
// settles into a loud but finite oscillation. Signals that die away never come near.
constexpr double kLoopCeiling = 32.0;
inline double loopLimit(double x) {
    return x > kLoopCeiling ? kLoopCeiling : (x < -kLoopCeiling ? -kLoopCeiling : x);
}
inline Stereo loopLimit(Stereo x) {
    // Above the ceiling x is above the floor too, so the order of the limits is free.
    return limitAbove(limitBelow(x, both(-kLoopCeiling)), both(kLoopCeiling));
}

}  // namespace lumdel
