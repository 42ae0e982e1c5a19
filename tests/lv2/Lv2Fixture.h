// Loads the real LV2 binary of the bundle and drives it through its descriptor, as an
// LV2 host would: a URI map, port buffers, runs, the state interface.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <map>
#include <string>
#include <vector>

#include "lv2/Lv2Names.h"

namespace lumdel::test {

inline const LV2_Descriptor* lv2Descriptor() {
    static void* library = dlopen(LUMDEL_LV2_BINARY, RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    using Entry = const LV2_Descriptor* (*)(uint32_t);
    auto entry = reinterpret_cast<Entry>(dlsym(library, "lv2_descriptor"));
    return entry ? entry(0) : nullptr;
}

// The host's URI map: one number per URI, from 1.
class UriMap {
public:
    LV2_URID map(const char* uri) {
        auto it = ids_.find(uri);
        if (it != ids_.end()) return it->second;
        const LV2_URID id = static_cast<LV2_URID>(ids_.size() + 1);
        ids_[uri] = id;
        return id;
    }
    static LV2_URID mapFn(LV2_URID_Map_Handle h, const char* uri) {
        return static_cast<UriMap*>(h)->map(uri);
    }
    LV2_URID_Map feature{this, &UriMap::mapFn};

private:
    std::map<std::string, LV2_URID> ids_;
};

// One instance with every port connected to a buffer of its own (the event port to an
// empty sequence), at 48 kHz unless told.
class Lv2Instance {
public:
    static constexpr int kMaxFrames = 1 << 16;

    explicit Lv2Instance(UriMap* uris, double rate = 48000.0) : uris_(uris) {
        desc = lv2Descriptor();
        if (!desc) return;
        mapFeature_ = {LV2_URID__map, uris ? &uris->feature : nullptr};
        const LV2_Feature* features[] = {&mapFeature_, nullptr};
        const LV2_Feature* none[] = {nullptr};
        handle = desc->instantiate(desc, rate, "", uris ? features : none);
        for (int i = 0; i < kNumParams; ++i) controls[i] = static_cast<float>(kParams[i].preset0);
        for (auto& b : in) b.assign(kMaxFrames, 0.0f);
        for (auto& b : out) b.assign(kMaxFrames, 0.0f);
        events.assign(8192, 0);
        clearEvents();
    }
    ~Lv2Instance() {
        if (handle) desc->cleanup(handle);
    }
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    void connectAll() {
        for (int i = 0; i < kNumParams; ++i) desc->connect_port(handle, i, &controls[i]);
        for (int c = 0; c < 4; ++c) desc->connect_port(handle, lv2::kFirstAudioIn + c, in[c].data());
        for (int c = 0; c < 2; ++c)
            desc->connect_port(handle, lv2::kFirstAudioOut + c, out[c].data());
        desc->connect_port(handle, lv2::kEventsIn, events.data());
    }
    // An empty sequence in the event buffer (the forge then appends to it).
    void clearEvents() {
        if (!uris_) return;
        lv2_atom_forge_init(&forge, &uris_->feature);
        lv2_atom_forge_set_buffer(&forge, events.data(), events.size());
        lv2_atom_forge_sequence_head(&forge, &frame, 0);
    }
    void run(int frames) { desc->run(handle, static_cast<uint32_t>(frames)); }
    const LV2_State_Interface* state() const {
        return static_cast<const LV2_State_Interface*>(desc->extension_data(LV2_STATE__interface));
    }

    const LV2_Descriptor* desc = nullptr;
    LV2_Handle handle = nullptr;
    float controls[kNumParams];
    std::vector<float> in[4], out[2];
    std::vector<uint8_t> events;
    LV2_Atom_Forge forge;
    LV2_Atom_Forge_Frame frame;

private:
    UriMap* uris_;
    LV2_Feature mapFeature_;
};

}  // namespace lumdel::test
