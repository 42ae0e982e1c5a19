// The input meters: rings of the gained input, as long as the host's output latency, so
// that the peaks are taken when a sample is heard rather than when it arrives.
//
// Contract: per sample on the audio thread, inside the block. Reads the gained input of
// both channels; writes the rings and the peak trackers. The editor reads and clears the
// trackers (readPeaks) from its idle, without the lock: a peak may go missing, nothing
// worse. The rings belong to the engine, which allocates them on a change of latency.
#pragma once

#include <algorithm>
#include <cstring>

#include "Stereo.h"

namespace lumdel {

struct InputMeter {
    float* buf[2] = {};  // meterBufL, meterBufR
    int length = 0;      // meterBufferLength
    int index = 0;       // meterIndex
    Pair<float> min{0.0f, 0.0f}, max{0.0f, 0.0f};

    void reset() {
        for (int i = 0; i < length; ++i) buf[0][i] = buf[1][i] = 0.0f;
        min = max = Pair<float>{0.0f, 0.0f};
    }

    // Stores x and follows the sample stored one ring length earlier.
    inline void step(Stereo x) {
        store(x);
        track(buf[0][index], max[0], min[0]);
        track(buf[1][index], max[1], min[1]);
    }

    // Before a block shorter than the ring every sample it will follow was stored before
    // it: they are followed at once (true), and the block only stores (store) instead of
    // step. After the block the trackers hold what step would have left; the editor may
    // see a peak up to a block earlier.
    inline bool followAhead(int frames) {
        if (frames >= length) return false;
        float hi0 = max[0], lo0 = min[0], hi1 = max[1], lo1 = min[1];
        const int from = index + 1 == length ? 0 : index + 1;
        const int first = std::min(frames, length - from);
        trackRun(buf[0] + from, first, hi0, lo0);
        trackRun(buf[1] + from, first, hi1, lo1);
        trackRun(buf[0], frames - first, hi0, lo0);
        trackRun(buf[1], frames - first, hi1, lo1);
        max = Pair<float>{hi0, hi1};
        min = Pair<float>{lo0, lo1};
        return true;
    }
    inline void store(Stereo x) {
        // Both channels narrowed by one instruction (cvtpd2ps), each lane as
        // static_cast<float> would.
        using Float4 = float __attribute__((vector_size(16)));
        const Float4 f = __builtin_ia32_cvtpd2ps(x.v);
        buf[0][index] = f[0];
        buf[1][index] = f[1];
        if (++index == length) index = 0;
    }

    static inline void track(float s, float& max, float& min) {
        if (s > max)
            max = s;
        else if (s < min)
            min = s;
    }

    // track() over n samples in a row, four at a time. The trackers never cross (the
    // minimum stays at or below 0, the maximum at or above), so a sample above the
    // maximum is never below the minimum and the two can be followed apart.
    static inline void trackRun(const float* s, int n, float& max, float& min) {
        using Float4 = float __attribute__((vector_size(16)));
        int k = 0;
        if (n >= 4) {
            Float4 hi = {max, max, max, max}, lo = {min, min, min, min};
            for (; k + 4 <= n; k += 4) {
                Float4 v;
                std::memcpy(&v, s + k, sizeof v);
                hi = v > hi ? v : hi;
                lo = v < lo ? v : lo;
            }
            for (int j = 0; j < 4; ++j) track(hi[j], max, min), track(lo[j], max, min);
        }
        for (; k < n; ++k) track(s[k], max, min);
    }

    // Peaks since the last call, then cleared.
    void readPeaks(float& left, float& right) {
        left = std::max(max[0], -min[0]);
        right = std::max(max[1], -min[1]);
        min = max = Pair<float>{0.0f, 0.0f};
    }
};

}  // namespace lumdel
