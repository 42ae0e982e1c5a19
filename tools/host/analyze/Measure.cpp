#include "Measure.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <complex>

namespace lumdel::analyze {

namespace {

constexpr double kPi = 3.14159265358979323846;

double energy(const std::vector<float>& x, long from, long to) {
    double sum = 0.0;
    for (long i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
    return sum;
}

// In-place radix-2 FFT; the size is a power of two.
void fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * kPi / static_cast<double>(length);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w(1.0, 0.0);
            for (size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> u = a[i + k], v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
                w *= step;
            }
        }
    }
}

// Per-frame energies of both channels, frames of `size` samples from `from` on.
void frameEnergies(const Stereo& s, long from, long size, long count, std::vector<double>& left,
                   std::vector<double>& right) {
    left.assign(count, 0.0);
    right.assign(count, 0.0);
    for (long k = 0; k < count; ++k) {
        const long a = from + k * size, b = std::min(a + size, s.frames());
        if (a >= b) break;
        left[k] = energy(s.left, a, b);
        right[k] = energy(s.right, a, b);
    }
}

}  // namespace

Stereo difference(const Stereo& a, const Stereo& b) {
    Stereo d = a;
    const long n = std::min(a.frames(), b.frames());
    for (long i = 0; i < n; ++i) {
        d.left[i] -= b.left[i];
        d.right[i] -= b.right[i];
    }
    return d;
}

double loudness(const Stereo& audio, long from, long to) {
    to = std::min(to, audio.frames());
    if (to - from < kRate / 2) return -1000.0;
    ebur128_state* state = ebur128_init(2, kRate, EBUR128_MODE_I);
    if (!state) return -1000.0;
    std::vector<float> interleaved(2 * static_cast<size_t>(to - from));
    for (long i = from; i < to; ++i) {
        interleaved[2 * (i - from)] = audio.left[i];
        interleaved[2 * (i - from) + 1] = audio.right[i];
    }
    ebur128_add_frames_float(state, interleaved.data(), static_cast<size_t>(to - from));
    double lufs = -HUGE_VAL;
    if (ebur128_loudness_global(state, &lufs) != EBUR128_SUCCESS || !std::isfinite(lufs))
        lufs = -1000.0;
    ebur128_destroy(&state);
    return lufs;
}

double loudness(const Mono& audio) {
    Stereo s{audio, audio};
    return loudness(s, 0, s.frames());
}

double correlation(const Stereo& audio, long from, long to) {
    double lr = 0.0;
    for (long i = from; i < to; ++i) lr += static_cast<double>(audio.left[i]) * audio.right[i];
    const double norm = std::sqrt(energy(audio.left, from, to) * energy(audio.right, from, to));
    return norm > 1e-30 ? lr / norm : 0.0;
}

double monoLoss(const Stereo& audio, long from, long to) {
    double mono = 0.0;
    for (long i = from; i < to; ++i) {
        const double m = 0.5 * (static_cast<double>(audio.left[i]) + audio.right[i]);
        mono += 2.0 * m * m;
    }
    const double stereo = energy(audio.left, from, to) + energy(audio.right, from, to);
    if (stereo <= 1e-30) return 0.0;
    return -10.0 * std::log10(std::max(mono, 1e-30 * stereo) / stereo);
}

std::vector<double> powerSpectrum(const Stereo& audio, long from, int n) {
    std::vector<double> power(n / 2 + 1, 0.0);
    std::vector<std::complex<double>> a(n);
    for (const std::vector<float>* channel : {&audio.left, &audio.right}) {
        for (int i = 0; i < n; ++i) {
            const long j = from + i;
            const double x = j >= 0 && j < audio.frames() ? (*channel)[j] : 0.0;
            a[i] = x * (0.5 - 0.5 * std::cos(2.0 * kPi * i / n));
        }
        fft(a);
        for (int k = 0; k <= n / 2; ++k) power[k] += std::norm(a[k]);
    }
    return power;
}

double bandPower(const std::vector<double>& spectrum, double lowHz, double highHz) {
    const double binHz = kRate / (2.0 * (spectrum.size() - 1));
    const long a = std::max(0L, static_cast<long>(std::ceil(lowHz / binHz)));
    const long b = std::min(static_cast<long>(spectrum.size()) - 1,
                            static_cast<long>(std::floor(highHz / binHz)));
    double sum = 0.0;
    for (long k = a; k <= b; ++k) sum += spectrum[k];
    return sum;
}

double centroid(const std::vector<double>& spectrum) {
    const double binHz = kRate / (2.0 * (spectrum.size() - 1));
    double weighted = 0.0, total = 0.0;
    for (size_t k = static_cast<size_t>(40.0 / binHz) + 1; k < spectrum.size(); ++k) {
        weighted += spectrum[k] * k * binHz;
        total += spectrum[k];
    }
    return total > 0.0 ? weighted / total : 0.0;
}

bool Echoes::alternates() const {
    if (pattern.size() < 4) return false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == 'B') return false;
        if (i > 0 && pattern[i] == pattern[i - 1]) return false;
    }
    return true;
}

namespace {

// The first sample of each side within 12 dB of that side's loudest and of the other side
// at that moment (a little of one line mixed into the other side does not count as that
// side's echo); -1 for a silent side.
void firstArrivals(const Stereo& wet, long zero, long span, double firstMs[2]) {
    for (int side = 0; side < 2; ++side) {
        const std::vector<float>& x = side == 0 ? wet.left : wet.right;
        const std::vector<float>& other = side == 0 ? wet.right : wet.left;
        float loudest = 0.0f;
        for (long i = zero; i < zero + span; ++i) loudest = std::max(loudest, std::fabs(x[i]));
        if (loudest < 1e-4f) continue;
        for (long i = zero; i < zero + span; ++i)
            if (std::fabs(x[i]) >= 0.25f * loudest && std::fabs(x[i]) >= 0.25f * std::fabs(other[i])) {
                firstMs[side] = 1000.0 * (i - zero) / kRate;
                break;
            }
    }
}

// Repeats: 1 ms frames whose energy jumps 6 dB above the few before and lies within 30 dB
// of the loudest frame; at least half the shorter first arrival apart (10 to 100 ms, less
// if the sides' first arrivals are closer), so that a filter's ringing counts with its
// echo. Each is L, R or B by which side is 6 dB louder over its first 10 ms.
void repeats(const Stereo& wet, long zero, long span, Echoes& result) {
    const long size = kRate / 1000, count = span / size;
    std::vector<double> left, right;
    frameEnergies(wet, zero, size, count, left, right);
    double peak = 0.0;
    for (long k = 0; k < count; ++k) peak = std::max(peak, left[k] + right[k]);
    const double* first = result.firstMs;
    double gap = std::clamp(0.5 * std::min(first[0] < 0 ? 1e9 : first[0], first[1] < 0 ? 1e9 : first[1]),
                            10.0, 100.0);
    if (first[0] >= 0 && first[1] >= 0 && std::fabs(first[0] - first[1]) >= 20.0)
        gap = std::min(gap, 0.9 * std::fabs(first[0] - first[1]));
    const long spacing = static_cast<long>(gap);
    long last = -1000;
    for (long k = 3; k + 10 < count && result.pattern.size() < 8; ++k) {
        const double e = left[k] + right[k];
        const double before = std::max({left[k - 1] + right[k - 1], left[k - 2] + right[k - 2],
                                        left[k - 3] + right[k - 3]});
        if (e < peak * 1e-3 || e < 4.0 * before || k - last < spacing) continue;
        double l = 0.0, r = 0.0;
        for (long j = k; j < k + 10; ++j) {
            l += left[j];
            r += right[j];
        }
        result.pattern += l >= 4.0 * r ? 'L' : r >= 4.0 * l ? 'R' : 'B';
        result.timesMs.push_back(1000.0 * k * size / kRate);
        last = k;
    }
}

}  // namespace

Echoes echoes(const Stereo& wet, long zero) {
    Echoes result;
    const long span = std::min(wet.frames() - zero, 8L * kRate);
    if (span <= 0) return result;
    firstArrivals(wet, zero, span, result.firstMs);
    repeats(wet, zero, span, result);
    return result;
}

double decayTime(const Stereo& wet, long zero) {
    const long size = kRate / 100, count = (wet.frames() - zero) / size;
    if (count < 10) return 0.0;
    std::vector<double> left, right, later(count + 1, 0.0);
    frameEnergies(wet, zero, size, count, left, right);
    // A frame louder than every later one is a corner of the upper envelope: the peaks
    // of separate echoes, or every frame of a smooth decay.
    for (long k = count - 1; k >= 0; --k) later[k] = std::max(left[k] + right[k], later[k + 1]);
    const double peak = later[0];
    if (peak <= 1e-20) return 0.0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0, n = 0;
    bool started = false;
    for (long k = 0; k < count; ++k) {
        const double e = left[k] + right[k];
        if (e <= later[k + 1]) continue;
        const double x = k * 0.01, y = 10.0 * std::log10(e / peak);
        started = started || e >= peak;
        if (!started || y < -45.0) continue;
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
        n += 1.0;
    }
    if (n < 2.0) return 0.01;
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    return slope < -60.0 / 999.0 ? -60.0 / slope : 999.0;
}

}  // namespace lumdel::analyze
