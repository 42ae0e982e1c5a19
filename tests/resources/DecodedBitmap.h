// An embedded bitmap decoded into a cairo image surface, for tests that read its pixels.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstring>
#include <memory>

#include "resources/Resources.h"

namespace lumdel::testing {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// The bitmap of a resource id, or null when there is none or it does not decode.
inline Surface decodeResource(int id, double scale = 1.0) {
    struct Reader {
        const unsigned char* data;
        std::size_t size, offset = 0;
    };
    const ResourceData* res = findResource(id, scale);
    if (!res) return nullptr;
    Reader reader{res->data, res->size};
    auto read = [](void* closure, unsigned char* out, unsigned int length) {
        auto* r = static_cast<Reader*>(closure);
        if (r->size - r->offset < length) return CAIRO_STATUS_READ_ERROR;
        std::memcpy(out, r->data + r->offset, length);
        r->offset += length;
        return CAIRO_STATUS_SUCCESS;
    };
    Surface s(cairo_image_surface_create_from_png_stream(read, &reader));
    if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    return s;
}

}  // namespace lumdel::testing
