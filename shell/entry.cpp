// The library's one entry point, exported as VSTPluginMain and as main.
#include <new>

#include "Orv.h"

namespace {
AEffect* createEffectInstance(audioMasterCallback audioMaster) {
    if (!audioMaster) return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    Orv* effect = new (std::nothrow) Orv(audioMaster);
    if (!effect) return nullptr;
    return effect->getAeffect();
}
}  // namespace

extern "C" {
__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    return createEffectInstance(audioMaster);
}

// Older hosts look the entry point up under this name.
__attribute__((visibility("default"))) AEffect* main_plugin(audioMasterCallback audioMaster)
    __asm__("main");
AEffect* main_plugin(audioMasterCallback audioMaster) { return createEffectInstance(audioMaster); }
}
