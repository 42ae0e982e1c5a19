// The bitmap constructor that reads a resource through the finder the program installed.
#include <atomic>

#include "CGraphics.h"

namespace {
std::atomic<CBitmap::ResourceFinder> resourceFinder{nullptr};
}  // namespace

void CBitmap::setResourceFinder(ResourceFinder finder) { resourceFinder.store(finder); }

CBitmap::CBitmap(int resourceId) : resourceId_(resourceId) {
    const unsigned char* png = nullptr;
    std::size_t size = 0;
    if (ResourceFinder find = resourceFinder.load())
        if (find(resourceId, png, size)) loadPng(png, size);
}
