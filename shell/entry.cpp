// The library's one entry point, exported as VSTPluginMain and as main. Everything it
// does is in createEffect, which no exception leaves.
#include "CreateEffect.h"

extern "C" {
__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    return lumdel::createEffect(audioMaster);
}

// Older hosts look the entry point up under this name.
__attribute__((visibility("default"))) AEffect* main_plugin(audioMasterCallback audioMaster)
    __asm__("main");
AEffect* main_plugin(audioMasterCallback audioMaster) { return lumdel::createEffect(audioMaster); }
}
