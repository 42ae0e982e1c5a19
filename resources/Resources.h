// The editor's bitmaps, drawn at build time and embedded in the library as PNG data.
#pragma once

#include <cstddef>

namespace lumdel {

struct ResourceData {
    int id;                     // bitmap resource number (128..155, 990..999)
    const unsigned char* data;  // PNG bytes
    std::size_t size;
    double scale;               // device pixels per logical pixel: 1, 1.5 or 2
};

// The embedded bitmap with this number drawn at the scale, or null.
const ResourceData* findResource(int id, double scale = 1.0);

// The same as PNG bytes and size; false when there is no such bitmap.
inline bool findResourceBytes(int id, double scale, const unsigned char*& data,
                              std::size_t& size) {
    const ResourceData* r = findResource(id, scale);
    if (!r) return false;
    data = r->data;
    size = r->size;
    return true;
}

}  // namespace lumdel
