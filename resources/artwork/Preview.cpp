// A quick look at the artwork without the editor: the front panel with every control's
// bitmap laid on it at its place, in a sample state.
#include "Preview.h"

#include "Artwork.h"

#include <cairo.h>

#include <map>
#include <stdexcept>

namespace artwork {

namespace {

// The frame each control of the panel table shows, in table order (sliders and the
// about edges draw nothing), then each key of the preset rail: a plausible state with
// the readout showing 120.0.
const int panelFrames[] = {
    30, 62, 50, 0, 50, 70, 50, 100, 50, 25, 60, 45, 50, 65, 100, 20, 0, 50, 80, 35, 50,  // knobs
    0, 1, 0, 0, 1, 1, 1, 0,                                                        // lamps
    1, 2, 1, 0, 0, 0, 1,                                                           // switches
    2, 3, 1, 1, 0, 0, 1, 0, 0, 0,                                                  // readout
    0, 0, 0, 1, 0, 0,                                                              // steps
    0, 1,                                                                          // LEFT, RIGHT
    2, 0, 0, 0,                                                      // LFO shapes, sliders
    14, 11,                                                                        // meters
    0, 0, 1,                                                                       // about, help
};
static_assert(sizeof panelFrames / sizeof panelFrames[0] == panel::kNumControls,
              "a frame for every control");

const int railFrames[] = {0, 0, 1, 0, 2, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0};
static_assert(sizeof railFrames / sizeof railFrames[0] ==
                  static_cast<std::size_t>(panel::StripControl::Count),
              "a frame for every rail control");

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

    auto paintId = [&](int id, double x, double y, double w, double h, double sx, double sy) {
        cairo_set_source_surface(cr, surfaces.at(id), x - sx, y - sy);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
    };
    auto paint = [&](const panel::BitmapSpec& s, double x, double y, double w, double h,
                     double sx, double sy) { paintId(panel::id(s.bitmap), x, y, w, h, sx, sy); };
    if (area.bitmap != 0) {
        cairo_surface_t* alone = surfaces.at(area.bitmap);
        paintId(area.bitmap, 0, 0, cairo_image_surface_get_width(alone),
              cairo_image_surface_get_height(alone), 0, 0);
        return finish(cr, out, path);
    }
    paint(panel::spec(panel::Bitmap::FrontPanel), 0, 0, panel::kWidth, panel::kHeight, 0, 0);
    // The name field, as the editor draws it.
    const panel::Rect& name = panel::stripPlace(panel::StripControl::Name).rect;
    cairo_rectangle(cr, name.left, name.top, name.width(), name.height());
    cairo_set_source_rgb(cr, 189 / 255.0, 207 / 255.0, 218 / 255.0);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 36 / 255.0, 36 / 255.0, 32 / 255.0);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    for (const panel::Place& p : panel::kPlaces) {
        if (p.kind == panel::Kind::Slider || p.kind == panel::Kind::About) continue;
        const panel::BitmapSpec s = panel::spec(p.bitmap);
        const int frame = panelFrames[static_cast<int>(p.control)];
        if (p.kind == panel::Kind::Knob) {
            const panel::Rect d = panel::knobDrawRect(p);
            const double offset = panel::kKnobSourceOffset;
            paint(s, d.left, d.top, d.width(), d.height(), offset, offset + frame * s.frameHeight());
        } else {
            paint(s, p.rect.left, p.rect.top, s.width, s.frameHeight(), 0, frame * s.frameHeight());
        }
    }
    for (const panel::StripPlace& p : panel::kStrip) {
        if (p.bitmap == panel::Bitmap::None) continue;
        const panel::BitmapSpec s = panel::spec(p.bitmap);
        const int frame = railFrames[static_cast<int>(p.control)];
        paint(s, p.rect.left, p.rect.top, s.width, s.frameHeight(), 0, frame * s.frameHeight());
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
