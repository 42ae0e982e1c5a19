// The block compiled for x86-64-v3 (AVX2, and the rest of that level): the same source
// as the baseline build, with the same operations in the same order and no fused
// multiply-adds, so its output is bit-identical. Only Engine::run is instantiated here:
// every stage it calls is inlined into it (flatten), so no code of this level is shared
// with the rest of the plug-in, which must run on any x86-64.
#include "EngineBlock.h"

namespace lumdel {

LUMDEL_ENGINE_BLOCKS(, true)

}  // namespace lumdel
