// The bitmap constructor that reads an embedded resource. Kept in its own file so
// code that never loads resources does not need the resource library.
#include "CGraphics.h"
#include "resources/Resources.h"

CBitmap::CBitmap(int resourceId) : resourceId_(resourceId) {
    if (const lumdel::ResourceData* r = lumdel::findResource(resourceId)) loadPng(r->data, r->size);
}
