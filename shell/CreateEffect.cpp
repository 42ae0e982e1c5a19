#include "CreateEffect.h"

#include <new>

#include "Orv.h"

namespace lumdel {

AEffect* createEffect(audioMasterCallback audioMaster) noexcept {
    if (!audioMaster) return nullptr;
    try {
        if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
        // The effect's members throw std::bad_alloc when their memory cannot be had;
        // construction then unwinds and frees what it had built.
        Orv* effect = new (std::nothrow) Orv(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace lumdel
