// The 1 ms delay of the heard delay output (int(fs/1000) samples), through which the
// gate's gains act on what the lines gave 1 ms earlier.
//
// Contract: per sample on the audio thread, inside the block. Reads both channels' line
// outputs after the filter in loop or output position; writes the values stored one
// ring length earlier. The ring (both channels side by side) belongs to the engine,
// which allocates it on a change of rate and hands it over here.
#pragma once

#include <cmath>

#include "Stereo.h"

namespace lumdel {

struct Lookahead {
    Stereo* ring = nullptr;  // lookaheadBufL and lookaheadBufR side by side per position
    int length = 0;          // lookaheadLength
    int index = 0;           // lookaheadIndex

    void reset() {
        for (int i = 0; i < length; ++i) ring[i] = Stereo{0.0, 0.0};
    }
    bool finite() const {
        return length <= 0 || (std::isfinite(ring[0][0]) && std::isfinite(ring[0][1]));
    }

    // Returns the values stored length samples ago and stores y in their place.
    // A length of 0 passes the input straight through.
    inline Stereo step(Stereo y) {
        if (length <= 0) return y;
        const Stereo o = ring[index];
        ring[index] = y;
        if (++index >= length) index = 0;
        return o;
    }
};

}  // namespace lumdel
