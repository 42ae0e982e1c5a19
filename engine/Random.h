// A small per-instance pseudo-random source for the random LFO shape. Each engine owns
// one, so two instances never disturb each other's sequences; results are 0..32767.
#pragma once

#include <cstdint>

namespace lumdel {

struct Random {
    std::uint32_t state = 0x2545F491u;

    explicit Random(std::uint32_t seed = 0x2545F491u) : state(seed) {}

    // Uniform integer 0..32767 (linear congruential step, upper bits taken).
    inline int next() {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) & 0x7fffu);
    }

    static constexpr int kMax = 32767;
};

}  // namespace lumdel
