// One quantity of the two delay channels side by side: [0] left, [1] right. Arithmetic
// works lane by lane with the operations of the scalar expression in the same order, so
// code written once for both channels computes exactly what the same code written out
// twice would. A Stereo is one SIMD register of two doubles: every operator below is one
// instruction for both channels, and each lane's result is bit-identical to the scalar
// expression's (no fused multiply-add: the engine is compiled with -ffp-contract=off).
//
// In the block, per-channel work is a Stereo expression, or a pair of plain calls
// ({f(x[0]), f(x[1])}) where the channels must differ, rather than a loop over the
// channels or a lambda that captures locals by reference: either would keep the block's
// state in memory instead of registers. Writing one lane (x[0] = ...) also goes through
// memory; build a new pair instead (Stereo{a, b}, select).
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

using Double2 = double __attribute__((vector_size(16)));
using Mask2 = std::int64_t __attribute__((vector_size(16)));  // lanes all ones or all zeros

template <>
struct Pair<double> {
    Double2 v;
    Pair() : v{0.0, 0.0} {}
    constexpr Pair(double left, double right) : v{left, right} {}
    explicit Pair(Double2 lanes) : v(lanes) {}
    double& operator[](int c) {
#if defined(__clang__)
        // Clang binds no reference to a vector's element; the lanes are read as doubles.
        using Lane = double __attribute__((may_alias));
        return reinterpret_cast<Lane*>(&v)[c];
#else
        return v[c];
#endif
    }
    double operator[](int c) const { return v[c]; }
};

using Stereo = Pair<double>;

// Room for N pairs that a block fills before it reads them, left unset when it is made
// (an array of Stereo would zero itself at every block).
template <int N>
struct StereoScratch {
    union {
        Stereo v[N];
    };
    StereoScratch() {}
    Stereo& operator[](int i) { return v[i]; }
    operator Stereo*() { return v; }
};
using StereoInt = Pair<int>;
using StereoFlag = Pair<std::uint8_t>;

constexpr int kLeft = 0;
constexpr int kRight = 1;

inline Stereo both(double k) { return Stereo(Double2{k, k}); }

inline Stereo operator+(Stereo a, Stereo b) { return Stereo(a.v + b.v); }
inline Stereo operator-(Stereo a, Stereo b) { return Stereo(a.v - b.v); }
inline Stereo operator*(Stereo a, Stereo b) { return Stereo(a.v * b.v); }
inline Stereo operator/(Stereo a, Stereo b) { return Stereo(a.v / b.v); }
inline Stereo operator*(Stereo a, double k) { return Stereo(a.v * k); }
inline Stereo operator*(double k, Stereo a) { return Stereo(k * a.v); }
inline Stereo operator/(Stereo a, double k) { return Stereo(a.v / k); }
inline Stereo operator+(Stereo a, double k) { return Stereo(a.v + k); }
inline Stereo operator-(Stereo a, double k) { return Stereo(a.v - k); }
inline Stereo operator-(double k, Stereo a) { return Stereo(k - a.v); }
inline Stereo operator/(double k, Stereo a) { return Stereo(k / a.v); }
inline Stereo operator+(double k, Stereo a) { return Stereo(k + a.v); }
inline Stereo operator-(Stereo a) { return Stereo(-a.v); }
inline bool operator==(Stereo a, Stereo b) { return a[0] == b[0] && a[1] == b[1]; }

// Lane-by-lane comparisons (each lane true or false, NaN compares false) and the choice
// between two pairs by them.
inline Mask2 operator<(Stereo a, Stereo b) { return a.v < b.v; }
inline Mask2 operator>(Stereo a, Stereo b) { return a.v > b.v; }
inline Mask2 operator<=(Stereo a, Stereo b) { return a.v <= b.v; }
inline Mask2 operator>=(Stereo a, Stereo b) { return a.v >= b.v; }
inline Stereo select(Mask2 m, Stereo ifTrue, Stereo ifFalse) {
    return Stereo(m ? ifTrue.v : ifFalse.v);
}

// Whether any or both lanes of a comparison are true (one movmskpd).
inline int laneBits(Mask2 m) { return __builtin_ia32_movmskpd((Double2)m); }
inline bool anyLane(Mask2 m) { return laneBits(m) != 0; }
inline bool bothLanes(Mask2 m) { return laneBits(m) == 3; }

inline Stereo flush(Stereo a) { return Stereo(a.v + 1e-30 - 1e-30); }
inline Stereo magnitude(Stereo a) {
    constexpr std::int64_t kAllButSign = 0x7fffffffffffffffLL;
    return Stereo((Double2)((Mask2)a.v & kAllButSign));
}

}  // namespace lumdel
