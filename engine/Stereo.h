// One quantity of the two delay channels side by side: [0] left, [1] right. Arithmetic
// works lane by lane with the operations of the scalar expression in the same order, so
// code written once for both channels computes exactly what the same code written out
// twice would; and the two lanes sit next to each other, ready to share one SIMD
// register.
//
// In the block, per-channel work is a pair of plain calls ({f(x[0]), f(x[1])}) rather
// than a loop over the channels or a lambda that captures locals by reference: either
// would keep the block's state in memory instead of registers.
#pragma once

#include <cmath>
#include <cstdint>

#include "Denormal.h"

namespace lumdel {

template <typename T>
struct Pair {
    T v[2];
    constexpr T& operator[](int c) { return v[c]; }
    constexpr const T& operator[](int c) const { return v[c]; }
};

using Stereo = Pair<double>;
using StereoInt = Pair<int>;
using StereoFlag = Pair<std::uint8_t>;

constexpr int kLeft = 0;
constexpr int kRight = 1;

inline Stereo operator+(Stereo a, Stereo b) { return {a[0] + b[0], a[1] + b[1]}; }
inline Stereo operator-(Stereo a, Stereo b) { return {a[0] - b[0], a[1] - b[1]}; }
inline Stereo operator*(Stereo a, Stereo b) { return {a[0] * b[0], a[1] * b[1]}; }
inline Stereo operator*(Stereo a, double k) { return {a[0] * k, a[1] * k}; }
inline Stereo operator*(double k, Stereo a) { return {k * a[0], k * a[1]}; }
inline Stereo operator/(Stereo a, double k) { return {a[0] / k, a[1] / k}; }
inline bool operator==(Stereo a, Stereo b) { return a[0] == b[0] && a[1] == b[1]; }

inline Stereo flush(Stereo a) { return {flush(a[0]), flush(a[1])}; }
inline Stereo magnitude(Stereo a) { return {std::fabs(a[0]), std::fabs(a[1])}; }

}  // namespace lumdel
