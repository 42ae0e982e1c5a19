// Limits on both channels of a pair, each one instruction (minpd or maxpd) where the
// choice by a comparison (select) takes two or three, and shorter on a recursion's
// chain. Each returns exactly what the select written beside it returns, NaN included:
// the instruction gives its second operand when the comparison is false or unordered.
// Also the negated comparison that is one instruction too (cmpnltpd).
#pragma once

#include "Stereo.h"

namespace lumdel {

// select(x > ceiling, ceiling, x): ceiling above it, else x (NaN stays NaN).
inline Stereo limitAbove(Stereo x, Stereo ceiling) {
    return Stereo(__builtin_ia32_minpd(ceiling.v, x.v));
}

// select(x < floor, floor, x): floor below it, else x (NaN stays NaN).
inline Stereo limitBelow(Stereo x, Stereo floor) {
    return Stereo(__builtin_ia32_maxpd(floor.v, x.v));
}

// select(x > floor, x, floor): x where above floor, else floor (NaN gives floor).
inline Stereo aboveOr(Stereo x, Stereo floor) {
    return Stereo(__builtin_ia32_maxpd(x.v, floor.v));
}

// The same limits on one value, in the left lane of a pair: the compiler would
// otherwise branch on the comparison and copy the rest of the expression into each way.
// (Not minsd and maxsd: GCC 12 folds those wrongly for a constant NaN.)
inline double limitAbove(double x, double ceiling) {
    return limitAbove(Stereo{x, 0.0}, Stereo{ceiling, 0.0})[0];
}
inline double aboveOr(double x, double floor) {
    return aboveOr(Stereo{x, 0.0}, Stereo{floor, 0.0})[0];
}

// ~(a < b): the lanes where a is not below b, NaN included.
inline Mask2 notBelow(Stereo a, Stereo b) {
    return (Mask2)__builtin_ia32_cmpnltpd(a.v, b.v);
}

}  // namespace lumdel
