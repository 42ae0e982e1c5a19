// The editor's bitmaps: what each one is and the function that draws it.
#pragma once

#include <cairo.h>

#include <vector>

#include "Paint.h"
#include "resources/PanelLayout.h"

namespace artwork {

namespace panel = lumdel::panel;

// A bitmap of the panel table (its number, size and frames) with the function that draws it.
struct Bitmap {
    int id;
    int width;
    int height;
    int frames;       // stacked vertically, height / frames pixels each
    bool alpha;       // ARGB32 when true, RGB24 otherwise
    void (*draw)(cairo_t* cr, const Bitmap& bitmap);

    int frameHeight() const { return height / frames; }
    bool is(panel::Bitmap b) const { return id == panel::id(b); }
};

// The scales every bitmap is drawn at, in device pixels per logical pixel. The drawing
// is the same at each; only the surface beneath it has more pixels.
constexpr double kScales[] = {1.0, 1.5, 2.0};
// Device pixels that hold this many logical pixels (rounded up).
inline int deviceSize(int logical, double scale) {
    const double d = logical * scale;
    const int whole = static_cast<int>(d);
    return whole < d ? whole + 1 : whole;
}
// The scale of the surface a context draws on.
inline double scaleOf(cairo_t* cr) {
    double sx = 1, sy = 1;
    cairo_surface_get_device_scale(cairo_get_target(cr), &sx, &sy);
    return sx;
}

// Every bitmap of the editor, in id order.
const std::vector<Bitmap>& bitmaps();

// Runs draw(frame, frame height) once per frame with the origin moved to the frame's
// top-left corner and drawing clipped to the frame. With a ground colour, a bitmap
// without alpha is first filled with it (the colour of what lies beneath the control).
template <typename F>
void forEachFrame(cairo_t* cr, const Bitmap& bitmap, F draw, const Colour* ground = nullptr) {
    const int h = bitmap.frameHeight();
    for (int f = 0; f < bitmap.frames; ++f) {
        cairo_save(cr);
        cairo_translate(cr, 0, f * h);
        cairo_rectangle(cr, 0, 0, bitmap.width, h);
        cairo_clip(cr);
        if (ground && !bitmap.alpha) fillRect(cr, 0, 0, bitmap.width, h, *ground);
        draw(f, h);
        cairo_restore(cr);
    }
}

// Panels (Panel.cpp).
void drawFrontPanel(cairo_t* cr, const Bitmap& bitmap);
void drawRearPanel(cairo_t* cr, const Bitmap& bitmap);

// Panel controls (Controls.cpp).
void drawKnobStrip(cairo_t* cr, const Bitmap& bitmap);
void drawStepKnob(cairo_t* cr, const Bitmap& bitmap);
void drawSlideSwitch(cairo_t* cr, const Bitmap& bitmap);
void drawDigits(cairo_t* cr, const Bitmap& bitmap);
void drawSlash(cairo_t* cr, const Bitmap& bitmap);
void drawPoint(cairo_t* cr, const Bitmap& bitmap);
void drawChannelLabel(cairo_t* cr, const Bitmap& bitmap);
void drawLamp(cairo_t* cr, const Bitmap& bitmap);
void drawLfoShapes(cairo_t* cr, const Bitmap& bitmap);
void drawMeter(cairo_t* cr, const Bitmap& bitmap);

// The scale printed around every knob. Drawn on the panel and, identically, into every
// knob frame, so the frame's corners blend with the panel.
void drawKnobScale(cairo_t* cr, double cx, double cy);
// Knob centre inside a knob frame (the panel's knob centres sit at the same fraction).
constexpr double knobCentre = 18.5;

// Help (HelpPages.cpp) and the preset bar (PresetBar.cpp).
void drawHelpPages(cairo_t* cr, const Bitmap& bitmap);
void drawHelpButton(cairo_t* cr, const Bitmap& bitmap);
void drawFileButton(cairo_t* cr, const Bitmap& bitmap);
void drawMemoryButton(cairo_t* cr, const Bitmap& bitmap);
void drawDefaultButton(cairo_t* cr, const Bitmap& bitmap);
void drawRocker(cairo_t* cr, const Bitmap& bitmap);
void drawLearnButton(cairo_t* cr, const Bitmap& bitmap);

}  // namespace artwork
