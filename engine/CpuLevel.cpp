#include "CpuLevel.h"

#include <cstdlib>
#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace lumdel {

namespace {

#if defined(__x86_64__)
// The features x86-64-v3 adds to the baseline, read with cpuid (the compilers' own
// feature query does not know the level's name in every version), and whether the
// system saves the AVX registers on a thread switch.
bool hasX86_64_v3() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool fma = c & (1u << 12), movbe = c & (1u << 22), osxsave = c & (1u << 27);
    const bool avx = c & (1u << 28), f16c = c & (1u << 29);
    if (!(fma && movbe && osxsave && avx && f16c)) return false;
    unsigned xcr0 = 0, xcr0High = 0;
    __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
    if ((xcr0 & 0x6u) != 0x6u) return false;  // SSE and AVX state enabled
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    const bool bmi1 = b & (1u << 3), avx2 = b & (1u << 5), bmi2 = b & (1u << 8);
    if (!(bmi1 && avx2 && bmi2)) return false;
    if (!__get_cpuid(0x80000001u, &a, &b, &c, &d)) return false;
    return c & (1u << 5);  // lzcnt
}
#endif

}  // namespace

bool wideBlockUsable() {
    const char* forced = std::getenv("LUMDEL_CPU");
    if (forced && std::strcmp(forced, "baseline") == 0) return false;
#if defined(__x86_64__)
    return hasX86_64_v3();
#else
    return false;
#endif
}

}  // namespace lumdel
