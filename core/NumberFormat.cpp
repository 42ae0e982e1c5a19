#include "NumberFormat.h"

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace lumdel {

void copyText(char* dst, const char* src, std::size_t size) {
    if (!dst || size == 0) return;
    std::size_t n = 0;
    if (src) {
        while (n + 1 < size && src[n]) {
            dst[n] = src[n];
            ++n;
        }
    }
    dst[n] = 0;
}

int truncToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

void decimalText(float x, char* text) {
    if (std::isnan(x)) {
        copyText(text, "nan", kNumberTextBytes);
        return;
    }
    if (std::isinf(x)) {
        copyText(text, x < 0 ? "-oo" : "oo", kNumberTextBytes);
        return;
    }
    constexpr int kWidth = 8;
    const bool negative = x < 0.0f;
    const float ax = std::fabs(x);

    // Integer digits, last one first; the sign and the point count from the start.
    char intDigits[kWidth];
    int nInt = 0;
    int used = (negative ? 1 : 0) + 1;
    double ip = std::floor(static_cast<double>(ax));
    do {
        intDigits[nInt++] = static_cast<char>('0' + static_cast<int>(std::fmod(ip, 10.0)));
        ip = std::floor(ip / 10.0);
        ++used;
    } while (ip >= 1.0 && used < kWidth);

    char out[kNumberTextBytes];
    int pos = 0;
    if (negative) out[pos++] = '-';
    while (nInt > 0) out[pos++] = intDigits[--nInt];
    out[pos++] = '.';

    // Fractional digits, truncated: the fraction scaled to the free places, written from
    // the last digit back.
    const int nFrac = kWidth - used;
    if (nFrac > 0) {
        const float frac = ax - std::floor(ax);
        static constexpr float kPowers[kWidth] = {1e0f, 1e1f, 1e2f, 1e3f,
                                                  1e4f, 1e5f, 1e6f, 1e7f};
        const float scaled = frac * kPowers[nFrac];
        long remainder = scaled > 0.0f ? static_cast<long>(scaled) : 0;
        for (int i = nFrac - 1; i >= 0; --i) {
            out[pos + i] = remainder > 0 ? static_cast<char>('0' + remainder % 10) : '0';
            remainder /= 10;
        }
        pos += nFrac;
    }
    out[pos] = 0;
    copyText(text, out, kNumberTextBytes);
}

void decibelText(double g, char* text) {
    const float gf = static_cast<float>(g);
    if (!(gf > 0.0f)) {
        copyText(text, "-oo", kNumberTextBytes);
        return;
    }
    decimalText(20.0f * std::log10(gf), text);
}

void integerText(int n, char* text) {
    if (n >= 100000000) {
        copyText(text, "Huge!", kNumberTextBytes);
        return;
    }
    char out[kNumberTextBytes];
    char digits[12];
    int nd = 0;
    long long m = n < 0 ? -static_cast<long long>(n) : n;
    do {
        digits[nd++] = static_cast<char>('0' + m % 10);
        m /= 10;
    } while (m > 0);
    int pos = 0;
    if (n < 0) out[pos++] = '-';
    while (nd > 0) out[pos++] = digits[--nd];
    out[pos] = 0;
    copyText(text, out, kNumberTextBytes);
}

int ratioShare(double u) {
    const float p = std::floor(101.0f * static_cast<float>(u));
    if (!(p > 0.0f)) return 0;  // NaN too
    if (p >= 100.0f) return 100;
    return static_cast<int>(p);
}

void percentText(double x, char* text) {
    const float ax = std::fabs(static_cast<float>(x));
    const int p = truncToInt(std::floor(ax * 100.0f + 0.5f));
    if (x < 0 && p != 0)
        formatText(text, "-%d", p);
    else
        formatText(text, "%d", p);
}

void formatText(char* text, const char* format, ...) {
    if (!text) return;
    char out[64];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(out, sizeof out, format, args);
    va_end(args);
    if (n < 0) out[0] = 0;
    copyText(text, out, kDisplayTextBytes);
}

}  // namespace lumdel
