// The URID map and unmap features the LV2 loader hands to a plug-in: URIs numbered from
// 1 in the order they are first asked for, 0 for a null URI.
#pragma once

#include <lv2/urid/urid.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lumdel::host {

class Urids {
public:
    Urids() : map_{this, &Urids::mapUri}, unmap_{this, &Urids::unmapUrid} {}
    Urids(const Urids&) = delete;
    Urids& operator=(const Urids&) = delete;

    LV2_URID map(const char* uri) {
        if (!uri) return 0;
        auto it = ids_.find(uri);
        if (it != ids_.end()) return it->second;
        uris_.push_back(std::make_unique<std::string>(uri));
        return ids_[uri] = static_cast<LV2_URID>(uris_.size());
    }
    const char* unmap(LV2_URID id) const {
        return id >= 1 && id <= uris_.size() ? uris_[id - 1]->c_str() : nullptr;
    }
    LV2_URID_Map* mapHandle() { return &map_; }
    LV2_URID_Unmap* unmapHandle() { return &unmap_; }

private:
    static LV2_URID mapUri(LV2_URID_Map_Handle self, const char* uri) {
        return static_cast<Urids*>(self)->map(uri);
    }
    static const char* unmapUrid(LV2_URID_Unmap_Handle self, LV2_URID id) {
        return static_cast<Urids*>(self)->unmap(id);
    }

    std::map<std::string, LV2_URID> ids_;
    std::vector<std::unique_ptr<std::string>> uris_;
    LV2_URID_Map map_;
    LV2_URID_Unmap unmap_;
};

}  // namespace lumdel::host
