#include "CpuLevel.h"

#include <cstdlib>
#include <cstring>

namespace lumdel {

bool wideBlockUsable() {
    const char* forced = std::getenv("LUMDEL_CPU");
    if (forced && std::strcmp(forced, "baseline") == 0) return false;
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("x86-64-v3");
#else
    return false;
#endif
}

}  // namespace lumdel
