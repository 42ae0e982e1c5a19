// The guard after every recursive update: values that decay into the denormal range
// are pushed to zero, so silent tails cost no more than sound.
#pragma once

namespace lumdel {

inline double flush(double v) {
    v += 1e-30;
    v -= 1e-30;
    return v;
}

}  // namespace lumdel
