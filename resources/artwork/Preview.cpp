// A quick look at the artwork without the editor: the front panel with every control's
// bitmap laid on it at its place, in a sample state.
#include "Preview.h"

#include "Artwork.h"

#include <cairo.h>

#include <map>
#include <stdexcept>

namespace artwork {

namespace {

struct Placement {
    int id;
    double x, y;     // where the frame's visible part lands on the panel
    double w, h;     // visible size
    int frame;
    double sx, sy;   // offset of the visible part inside the frame
};

// The controls of the panel and the preset rail, in a plausible state.
const Placement placements[] = {
    // Knobs: draw rectangles, frames at various positions, source offset (2, 2).
    {130, 162, 31, 33, 33, 30, 2, 2},  {130, 209, 31, 33, 33, 62, 2, 2},
    {130, 162, 94, 33, 33, 50, 2, 2},  {130, 209, 94, 33, 33, 0, 2, 2},
    {134, 384, 30, 33, 33, 50, 2, 2},  {134, 431, 30, 33, 33, 70, 2, 2},
    {133, 477, 30, 33, 33, 50, 2, 2},  {133, 524, 30, 33, 33, 100, 2, 2},
    {135, 384, 95, 33, 33, 50, 2, 2},  {135, 431, 95, 33, 33, 25, 2, 2},
    {136, 477, 95, 33, 33, 60, 2, 2},  {136, 524, 95, 33, 33, 45, 2, 2},
    {138, 579, 30, 32, 32, 50, 2, 2},  {139, 579, 95, 32, 32, 65, 2, 2},
    {131, 679, 30, 32, 32, 100, 2, 2}, {131, 727, 30, 32, 32, 20, 2, 2},
    {131, 774, 30, 32, 32, 0, 2, 2},   {132, 679, 95, 32, 32, 50, 2, 2},
    {132, 727, 95, 32, 32, 80, 2, 2},  {137, 831, 30, 32, 32, 35, 2, 2},
    {137, 878, 30, 32, 32, 50, 2, 2},
    // Lamps.
    {151, 340, 53, 24, 20, 0, 0, 0}, {150, 61, 70, 24, 20, 1, 0, 0},
    {150, 256, 39, 24, 20, 0, 0, 0}, {151, 256, 69, 24, 20, 0, 0, 0},
    {150, 256, 102, 24, 20, 1, 0, 0}, {150, 637, 102, 24, 20, 1, 0, 0},
    {150, 784, 102, 24, 20, 1, 0, 0}, {150, 887, 102, 24, 20, 0, 0, 0},
    // Slide switches.
    {142, 109, 90, 19, 9, 1, 0, 0}, {143, 104, 57, 26, 9, 2, 0, 0},
    {143, 310, 91, 26, 9, 1, 0, 0}, {143, 634, 27, 26, 9, 0, 0, 0},
    {143, 634, 57, 26, 9, 0, 0, 0}, {142, 841, 91, 19, 9, 0, 0, 0},
    {142, 841, 122, 19, 9, 1, 0, 0},
    // Readout showing 120.0.
    {145, 297, 26, 13, 16, 2, 0, 0}, {144, 313, 26, 13, 16, 3, 0, 0},
    {144, 329, 26, 13, 16, 1, 0, 0}, {144, 346, 26, 13, 16, 1, 0, 0},
    {147, 310, 40, 3, 2, 0, 0, 0}, {147, 326, 40, 3, 2, 0, 0, 0},
    {147, 342, 40, 3, 2, 1, 0, 0}, {146, 310, 30, 3, 8, 0, 0, 0},
    {146, 326, 30, 3, 8, 0, 0, 0}, {146, 343, 30, 3, 8, 0, 0, 0},
    // Stepping knobs.
    {140, 90, 24, 19, 19, 0, 0, 0}, {140, 126, 24, 19, 19, 0, 0, 0},
    {141, 90, 113, 19, 19, 0, 0, 0}, {140, 126, 113, 19, 19, 1, 0, 0},
    {141, 296, 113, 19, 19, 0, 0, 0}, {140, 332, 113, 19, 19, 0, 0, 0},
    // Channel buttons, LFO shapes, meters, help.
    {148, 63, 15, 12, 46, 0, 0, 0}, {149, 63, 93, 12, 46, 1, 0, 0},
    {152, 359, 83, 16, 56, 2, 0, 0}, {153, 43, 23, 7, 45, 14, 0, 0},
    {153, 43, 87, 7, 45, 11, 0, 0},  {155, 921, 158, 11, 9, 1, 0, 0},
    // Preset rail.
    {991, 36, 156, 17, 15, 0, 0, 0},  {992, 53, 156, 32, 13, 0, 0, 0},
    {990, 87, 156, 17, 15, 1, 0, 0},  {991, 116, 156, 17, 15, 0, 0, 0},
    {993, 134, 156, 44, 13, 2, 0, 0}, {990, 179, 156, 17, 15, 0, 0, 0},
    {995, 342, 156, 30, 13, 2, 0, 0}, {991, 390, 156, 17, 15, 0, 0, 0},
    {990, 423, 156, 17, 15, 0, 0, 0}, {991, 454, 156, 17, 15, 0, 0, 0},
    {990, 488, 156, 17, 15, 0, 0, 0}, {991, 679, 156, 17, 15, 0, 0, 0},
    {994, 697, 156, 28, 13, 0, 0, 0}, {990, 727, 156, 17, 15, 0, 0, 0},
    {998, 857, 155, 24, 16, 2, 0, 0}, {999, 882, 155, 24, 16, 0, 0, 0},
};

void finish(cairo_t* cr, cairo_surface_t* out, const std::string& path);

}  // namespace

void writePreview(const std::map<int, cairo_surface_t*>& surfaces, const std::string& path,
                  const PreviewArea& area) {
    cairo_surface_t* out = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, static_cast<int>(area.width * area.scale),
        static_cast<int>(area.height * area.scale));
    cairo_t* cr = cairo_create(out);
    cairo_scale(cr, area.scale, area.scale);
    cairo_translate(cr, -area.x, -area.y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);

    auto paint = [&](int id, double x, double y, double w, double h, double sx, double sy) {
        cairo_set_source_surface(cr, surfaces.at(id), x - sx, y - sy);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
    };
    if (area.bitmap != 0) {
        cairo_surface_t* alone = surfaces.at(area.bitmap);
        paint(area.bitmap, 0, 0, cairo_image_surface_get_width(alone),
              cairo_image_surface_get_height(alone), 0, 0);
        return finish(cr, out, path);
    }
    paint(128, 0, 0, 942, 171, 0, 0);
    // The name field and the controller display, as the editor draws them.
    cairo_rectangle(cr, 210, 157, 112, 12);
    cairo_set_source_rgb(cr, 189 / 255.0, 207 / 255.0, 218 / 255.0);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 36 / 255.0, 36 / 255.0, 32 / 255.0);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    for (const Placement& p : placements) {
        const bool narrowKnob = p.id == 131 || p.id == 132 || (p.id >= 137 && p.id <= 139);
        const double fh = p.id >= 130 && p.id <= 139 ? (narrowKnob ? 36 : 37) : p.h;
        paint(p.id, p.x, p.y, p.w, p.h, p.sx, p.sy + p.frame * fh);
    }
    finish(cr, out, path);
}

namespace {

void finish(cairo_t* cr, cairo_surface_t* out, const std::string& path) {
    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(out, path.c_str());
    cairo_surface_destroy(out);
    if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error("cannot write " + path);
}

}  // namespace

}  // namespace artwork
