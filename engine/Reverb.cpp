#include "Reverb.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumdel {

namespace {

// Distance constants of the spring: group B, C and A.
constexpr double kSpringB[6] = {32767 * 0.5, 32767 * 0.5,
                                39513.06570839413 * 0.5, 39513.06570839413 * 0.5,
                                47647.92275589291 * 0.5, 47647.92275589291 * 0.5};
constexpr double kSpringC[6] = {515.4478875, 515.4478875, 427.4463375,
                                427.4463375, 389.250225,  389.250225};
constexpr double kSpringA[4] = {2606.01705, 2568.42495, 2129.11335, 2160.07155};

// The plate has no B lines.
constexpr double kPlateC[6] = {3182331.04 * 0.5,    2662541.5656 * 0.5, 3295698.3066 * 0.5,
                               2506079.1406 * 0.5,  3064032.3399 * 0.5, 2924267.9781 * 0.5};
constexpr double kPlateA[4] = {417287.745 * 0.75, 156341.1871 * 0.75, 304978.8525 * 0.75,
                               117807.1951 * 0.75};

// Write position minus read position for a read index int(mask - h D), kept within
// 1..mask so a read never lands on the write position or outside the line.
int distanceFor(int mask, double h, double d) {
    double r = std::floor(static_cast<double>(mask) - h * d);  // truncation; r >= 0 here
    if (!(r >= 0.0)) r = 0.0;
    int dist = mask - static_cast<int>(r);
    return std::clamp(dist, 1, mask);
}

}  // namespace

int reverbMaskFor(double fs) {
    if (fs < 50000.0) return 0x7fff;
    if (fs < 100000.0) return 0xffff;
    return 0x1ffff;
}

void ReverbLines::allocate(int mask) {
    // The old lines stay as they were when the new ones cannot be had.
    std::unique_ptr<double[]> fresh(new double[kLines * (mask + 1u + kGap)]());
    data_ = std::move(fresh);
    mask_ = mask;
}

void Reverb::attach(ReverbLines& lines) {
    mask = lines.mask();
    storageBytes = lines.bytes();
    for (int i = 0; i < 6; ++i) b[i] = lines.line(i);
    for (int i = 0; i < 6; ++i) c[i] = lines.line(6 + i);
    for (int i = 0; i < 4; ++i) a[i] = lines.line(12 + i);
    w = mask;
    placedRate = 0;  // new lines: the next setType places everything
}

void Reverb::setType(int newType, double fs) {
    newType = newType == 1 ? 1 : 0;
    // Every preset load applies the type. Placed again, the write position would jump:
    // the reads at once, and a line length later again where the old and the new writing
    // meet. The same type stays where it is.
    if (newType == type && placedRate == fs && placedMask == mask && mask > 0) {
        setDamping(damping);
        return;
    }
    type = newType;
    placedRate = fs;
    placedMask = mask;
    w = mask;
    if (mask > 0) {
        if (type == 0) {
            scale = fs / 303187.5;
            for (int i = 0; i < 6; ++i) distB[i] = distanceFor(mask, scale, kSpringB[i]);
            for (int i = 0; i < 6; ++i) distC[i] = distanceFor(mask, scale, kSpringC[i]);
            for (int i = 0; i < 4; ++i) distA[i] = distanceFor(mask, scale, kSpringA[i]);
        } else {
            scale = fs * 44.1 * 5.0 / 1445024700.0;
            for (int i = 0; i < 6; ++i) distB[i] = 1;  // unused by the plate
            for (int i = 0; i < 6; ++i) distC[i] = distanceFor(mask, scale, kPlateC[i]);
            for (int i = 0; i < 4; ++i) distA[i] = distanceFor(mask, scale, kPlateA[i]);
        }
    }
    // Wide band-pass of constant peak: 800 Hz (spring) or 2000 Hz (plate), very low Q.
    const float wf = static_cast<float>((type == 0 ? 5026.4 : 12566.0) / fs);
    const double sw = std::sin(wf), cw = std::cos(wf);
    const double m = sw / (type == 0 ? 0.2 : 0.12);
    bpB0 = m / (1.0 + m);
    bpB2 = -bpB0;
    bpA1 = -2.0 * cw / (1.0 + m);
    bpA2 = (1.0 - m) / (1.0 + m);
    setDamping(damping);
}

void Reverb::setDamping(double d) {
    // Outside 0..1 the damping low-pass would turn unstable: keep the control in range.
    if (!(d >= 0.0)) d = 0.0;
    if (d > 1.0) d = 1.0;
    damping = d;
    const double a = std::pow(0.5, 0.01 * std::pow(100.0, d));
    if (type == 0) {
        gain0 = a * std::sqrt(0.56);
        gain1 = 0.7 * gain0;
        gain2 = 0.30000000000000004 * gain0;
        lowpassCoef = 0.2 + 0.52 * (1.0 - d);
    } else {
        gain0 = a;
        gain1 = a;
        gain2 = std::pow(a, 0.25);
        lowpassCoef = 0.4 + 0.4 * (1.0 - d);
    }
}

void Reverb::reset() {
    // The lines are one contiguous block starting at B0.
    if (mask > 0 && b[0]) std::memset(b[0], 0, storageBytes);
    for (double& v : lp) v = 0;
    bp = ReverbBandPassOf<Stereo>();
}

}  // namespace lumdel
