// The LV2 entry point: the descriptor's calls handed to Lv2Plugin, and its extensions.
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <cstring>

#include "Lv2Plugin.h"

namespace {

using lumdel::lv2::Lv2Plugin;

Lv2Plugin* self(LV2_Handle h) { return static_cast<Lv2Plugin*>(h); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    return Lv2Plugin::create(rate, features);
}
void connectPort(LV2_Handle h, uint32_t port, void* data) { self(h)->connectPort(port, data); }
void activate(LV2_Handle h) { self(h)->activate(); }
void run(LV2_Handle h, uint32_t frames) { self(h)->run(frames); }
void deactivate(LV2_Handle h) { self(h)->deactivate(); }
void cleanup(LV2_Handle h) {
    try {
        delete self(h);
    } catch (...) {
    }
}

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle,
                      uint32_t, const LV2_Feature* const*) {
    return self(h)->save(store, handle);
}
LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
    return self(h)->restore(retrieve, handle);
}

const void* extensionData(const char* uri) {
    static const LV2_State_Interface state = {save, restore};
    if (uri && std::strcmp(uri, LV2_STATE__interface) == 0) return &state;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {lumdel::lv2::kPluginUri, instantiate, connectPort, activate,
                                    run, deactivate, cleanup, extensionData};

}  // namespace

// Host's discovery thread: the one plug-in of the bundle.
extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
