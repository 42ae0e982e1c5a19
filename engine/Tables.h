// The lookup tables that replace transcendental functions in the per-sample loop:
// the LFO sine (one period, 1000 points), the filter's frequency coefficient (8192) and
// damping (4097), and the octave curve 2^x for x in -1..1 (10000) used by cutoff
// modulation and the clocked delay's speed. Built once per engine at construction.
#pragma once

#include "Modulation.h"
#include "SvfFilter.h"

namespace lumdel {

struct Tables {
    double sine[kSineTableSize];
    double svfCoef[SvfFilter::kCoefTableSize];
    double svfDamp[SvfFilter::kDampTableSize];
    double octave[kOctaveTableSize];

    Tables() {
        buildSineTable(sine);
        SvfFilter::buildCoefTable(svfCoef);
        SvfFilter::buildDampTable(svfDamp);
        buildOctaveTable(octave);
    }
};

}  // namespace lumdel
