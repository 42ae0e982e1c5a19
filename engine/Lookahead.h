// The 1 ms delay of the heard delay output (int(fs/1000) samples), through which the
// gate's gains act on what the lines gave 1 ms earlier.
//
// Contract: per sample on the audio thread, inside the block. Reads both channels' line
// outputs after the filter in loop or output position; writes the values stored one
// ring length earlier. The rings belong to the engine, which allocates them on a change
// of rate and hands them over here.
#pragma once

#include <cmath>

#include "Stereo.h"

namespace lumdel {

struct Lookahead {
    double* buf[2] = {};  // lookaheadBufL, lookaheadBufR
    int length = 0;       // lookaheadLength
    int index = 0;        // lookaheadIndex

    void reset() {
        for (int i = 0; i < length; ++i) buf[0][i] = buf[1][i] = 0;
    }
    bool finite() const {
        return length <= 0 || (std::isfinite(buf[0][0]) && std::isfinite(buf[1][0]));
    }

    // Returns the values stored length samples ago and stores y in their place.
    // A length of 0 passes the input straight through.
    inline Stereo step(Stereo y) {
        if (length <= 0) return y;
        const Stereo o{buf[0][index], buf[1][index]};
        buf[0][index] = y[0];
        buf[1][index] = y[1];
        if (++index >= length) index = 0;
        return o;
    }
};

}  // namespace lumdel
