// The bitmap constructor that reads a resource through the finder the program installed.
#include <atomic>

#include "CGraphics.h"

namespace {
std::atomic<CBitmap::ResourceFinder> resourceFinder{nullptr};
}  // namespace

void CBitmap::setResourceFinder(ResourceFinder finder) { resourceFinder.store(finder); }

CBitmap::CBitmap(int resourceId, double scale) : resourceId_(resourceId) {
    const unsigned char* png = nullptr;
    std::size_t size = 0;
    ResourceFinder find = resourceFinder.load();
    if (!find) return;
    scale = nearestScale(scale);
    if (find(resourceId, scale, png, size)) {
        loadPng(png, size, scale);
    } else if (scale != 1.0 && find(resourceId, 1.0, png, size)) {
        loadPng(png, size, 1.0);
    }
}
