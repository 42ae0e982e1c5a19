// A composed view of the front panel with the controls' bitmaps on it, for judging the
// artwork by eye.
#pragma once

#include <cairo.h>

#include <map>
#include <string>

namespace artwork {

struct PreviewArea {
    double x = 0, y = 0, width = 942, height = 171;
    double scale = 1;
    int bitmap = 0;  // 0: the composed panel; else that bitmap alone
};

// surfaces: every bitmap by id, as drawn.
void writePreview(const std::map<int, cairo_surface_t*>& surfaces, const std::string& path,
                  const PreviewArea& area);

}  // namespace artwork
