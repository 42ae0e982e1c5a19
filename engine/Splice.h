// Joins a stream of samples across a sudden change of the settings that shape it.
//
// A preset load changes switches at once: the filter's place and type, the drive, the
// clocked lines, the feedback signs. The output is held silent around it, but what goes
// into the lines and round the feedback loop keeps running (holding it would cut a hole
// there that comes back in every echo), so a switch would leave a step in them, heard a
// delay later and in every repeat. At the change the new stream takes over from where the
// old one was heading (its last two samples continued in a straight line), and the
// difference dies away over about a millisecond.
#pragma once

#include <initializer_list>

#include "DelayLine.h"
#include "Denormal.h"
#include "Stereo.h"

namespace lumdel {

// What shapes the streams into the lines without being smoothed. A change of any of these
// between two blocks of a preset load splices the streams.
struct LinePathSwitches {
    int filterOn = 0, filterMode = 0, filterType = 0, driveOn = 0, clocked = 0, lfoWave = 0;
    double fbSignL = 1.0, fbSignR = 1.0, vcoManual = 0.0;

    bool operator==(const LinePathSwitches& o) const {
        return filterOn == o.filterOn && filterMode == o.filterMode &&
               filterType == o.filterType && driveOn == o.driveOn && clocked == o.clocked &&
               lfoWave == o.lfoWave && fbSignL == o.fbSignL && fbSignR == o.fbSignR &&
               vcoManual == o.vcoManual;
    }
    bool operator!=(const LinePathSwitches& o) const { return !(*this == o); }
};

struct Splice {
    double offset = 0.0;  // still taken off the stream

    // First sample under the new settings, given the old stream's last two samples.
    void join(double x, double last, double beforeLast) {
        offset = x - (2.0 * last - beforeLast);
    }
    // Every sample of the stream while an offset remains.
    double apply(double x, double decay) {
        const double y = x - offset;
        offset = flush(offset * decay);
        return y;
    }
    // After a block: a spent offset ends the splice.
    void settle() {
        if (!(offset > 1e-12 || offset < -1e-12)) offset = 0.0;
    }
};

// The four streams into the lines: the input of each line and what is fed back into it.
// The feedback of a block's first sample was made by the block before, so its splice
// starts one sample later than the input's.
struct LineSplices {
    Splice inL, inR, fbL, fbR;
    bool feedbackDue = false;
    double fbLastL = 0.0, fbBeforeL = 0.0, fbLastR = 0.0, fbBeforeR = 0.0;

    bool active() const {
        return feedbackDue || inL.offset != 0.0 || inR.offset != 0.0 || fbL.offset != 0.0 ||
               fbR.offset != 0.0;
    }
    // At a change: the feedback so far (histories oldest first).
    void beginFeedback(const double* histL, const double* histR) {
        feedbackDue = true;
        fbLastL = histL[3];
        fbBeforeL = histL[2];
        fbLastR = histR[3];
        fbBeforeR = histR[2];
    }
    void joinFeedback(double left, double right) {
        fbL.join(left, fbLastL, fbBeforeL);
        fbR.join(right, fbLastR, fbBeforeR);
        feedbackDue = false;
    }
    void rememberFeedback(double left, double right) {
        fbBeforeL = fbLastL;
        fbLastL = left;
        fbBeforeR = fbLastR;
        fbLastR = right;
    }
    void settle() {
        for (Splice* s : {&inL, &inR, &fbL, &fbR}) s->settle();
    }

    // One sample of the streams into the lines (in: each line's input, fb: its feedback).
    // change: the block's first sample after the switches changed; the lines' histories
    // still hold the samples before it.
    inline void step(const DelayLine* lines, bool change, Stereo& in, Stereo& fb,
                     double decay) {
        if (change) {
            inL.join(in[0], lines[0].inHist[3], lines[0].inHist[2]);
            inR.join(in[1], lines[1].inHist[3], lines[1].inHist[2]);
            beginFeedback(lines[0].fbHist, lines[1].fbHist);
        } else if (feedbackDue) {
            // The feedback of the first sample was made before the change.
            joinFeedback(fb[0], fb[1]);
        }
        in = {inL.apply(in[0], decay), inR.apply(in[1], decay)};
        fb = {fbL.apply(fb[0], decay), fbR.apply(fb[1], decay)};
        rememberFeedback(fb[0], fb[1]);
    }
};

}  // namespace lumdel
