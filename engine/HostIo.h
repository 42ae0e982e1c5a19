// The host's buffers as the block sees them: the routed main and key inputs of a frame,
// widened to 64 bits (a sample that is not a finite number reads as 0), and the two
// routed outputs, narrowed to the host's precision.
//
// Contract: built per block on the audio thread from the buffers the host handed over
// and the routing; read() and write() once per frame. Every input of a frame is read
// before any output is written (a host may hand the same buffer for both).
#pragma once

#include "Routing.h"
#include "Stereo.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace lumdel {

// Denormals flushed to zero (FTZ) and read as zero (DAZ) for the length of a block;
// the host's own setting comes back afterwards. Many hosts run their audio thread so
// already: then the control register is only read.
class DenormalsOff {
public:
#if defined(__SSE__)
    DenormalsOff() : saved_(_mm_getcsr()) {
        if ((saved_ & kFlushBits) != kFlushBits) _mm_setcsr(saved_ | kFlushBits);
    }
    ~DenormalsOff() {
        if ((saved_ & kFlushBits) != kFlushBits) _mm_setcsr(saved_);
    }

private:
    static constexpr unsigned kFlushBits = 0x8040u;  // FTZ | DAZ
    unsigned saved_;
#endif
};

template <typename T>
class HostIo {
public:
    struct Frame {
        Stereo main;  // the main inputs, raw
        Stereo key;   // the ducking detector's inputs, raw
    };

    HostIo(T** inputs, T** outputs, const Routing& r)
        : inL_(inputs[r.inputIndexL]), inR_(inputs[r.inputIndexR]),
          keyL_(inputs[r.sidechainIndexL]), keyR_(inputs[r.sidechainIndexR]),
          outL_(outputs[r.outputIndexL]), outR_(outputs[r.outputIndexR]) {}

    inline Frame read(int i) const {
        return {in(inL_, inR_, i), in(keyL_, keyR_, i)};
    }

    // Both outputs; when both go to one buffer it receives their sum (in T arithmetic).
    inline void write(int i, Stereo out) const {
        outR_[i] = T(0);
        outL_[i] = static_cast<T>(out[0]);
        outR_[i] += static_cast<T>(out[1]);
    }

    // Zeroes both routed outputs (a block that could not run).
    static void writeSilence(T** outputs, int frames, const Routing& r) {
        if (!outputs || frames <= 0) return;
        T* outL = outputs[r.outputIndexL];
        T* outR = outputs[r.outputIndexR];
        for (int i = 0; i < frames; ++i) {
            if (outL) outL[i] = 0;
            if (outR) outR[i] = 0;
        }
    }

private:
    // Both channels of frame i; a sample that is not a finite number reads as 0.
    static inline Stereo in(const T* left, const T* right, int i) {
        const Stereo v{static_cast<double>(left[i]), static_cast<double>(right[i])};
        return select((v - v).v == 0.0, v, both(0.0));
    }

    const T* const inL_;
    const T* const inR_;
    const T* const keyL_;
    const T* const keyR_;
    T* const outL_;
    T* const outR_;
};

}  // namespace lumdel
