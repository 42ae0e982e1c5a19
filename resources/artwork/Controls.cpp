// The film strips of the panel's controls: knobs, stepping knobs, slide switches, LED
// digits, lamps, channel buttons, the LFO shape column and the level meter.
#include "Artwork.h"
#include "Paint.h"

#include <algorithm>
#include <cmath>

namespace artwork {

namespace {

// The colour of a knob's centre dot tells its section.
Colour knobMark(int id) {
    using B = panel::Bitmap;
    switch (static_cast<B>(id)) {
        case B::KnobDelay: return rgb(226, 92, 70);
        case B::KnobFilter: return rgb(96, 160, 226);
        case B::KnobFilterMod: return rgb(70, 124, 184);
        case B::KnobOutput: return rgb(222, 222, 214);
        case B::KnobInput: return rgb(222, 222, 214);
        case B::KnobModulation: return rgb(120, 204, 120);
        case B::KnobFollower: return rgb(90, 168, 100);
        case B::KnobReverb: return rgb(176, 136, 222);
        case B::KnobVco: return rgb(238, 172, 72);
        case B::KnobVcoMod: return rgb(206, 136, 56);
        default: return palette::legend;
    }
}

// The knob turns clockwise from 150 degrees left of top to 150 degrees right of it.
double knobAngle(double position) { return (-150.0 + 300.0 * position) * M_PI / 180.0; }

void polar(double cx, double cy, double r, double angle, double& x, double& y) {
    x = cx + r * std::sin(angle);
    y = cy - r * std::cos(angle);
}

void drawKnob(cairo_t* cr, double cx, double cy, double angle, Colour mark) {
    // Soft shadow on the plate.
    cairo_pattern_t* shadow = cairo_pattern_create_radial(cx + 0.6, cy + 1.2, 10.5, cx + 0.6, cy + 1.2, 14.6);
    cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.6);
    cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0);
    cairo_arc(cr, cx + 0.6, cy + 1.2, 14.6, 0, 2 * M_PI);
    cairo_set_source(cr, shadow);
    cairo_fill(cr);
    cairo_pattern_destroy(shadow);

    // Knurled skirt, turning with the knob.
    cairo_arc(cr, cx, cy, 13, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, 0.075, 0.078, 0.086);
    cairo_fill(cr);
    cairo_set_line_width(cr, 0.9);
    for (int i = 0; i < 32; ++i) {
        const double a = angle + i * 2 * M_PI / 32;
        double x0, y0, x1, y1;
        polar(cx, cy, 10.6, a, x0, y0);
        polar(cx, cy, 12.7, a, x1, y1);
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
    }
    cairo_set_source_rgba(cr, 0.36, 0.37, 0.40, 0.75);
    cairo_stroke(cr);
    // Light from the top left on the skirt's rim.
    cairo_pattern_t* rim = cairo_pattern_create_linear(cx - 12, cy - 12, cx + 12, cy + 12);
    cairo_pattern_add_color_stop_rgba(rim, 0, 1, 1, 1, 0.45);
    cairo_pattern_add_color_stop_rgba(rim, 0.5, 1, 1, 1, 0.05);
    cairo_pattern_add_color_stop_rgba(rim, 1, 0, 0, 0, 0.4);
    cairo_arc(cr, cx, cy, 12.6, 0, 2 * M_PI);
    cairo_set_line_width(cr, 0.9);
    cairo_set_source(cr, rim);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);

    // Body and slightly dished top face.
    cairo_pattern_t* body = cairo_pattern_create_linear(cx - 9, cy - 9, cx + 9, cy + 9);
    cairo_pattern_add_color_stop_rgb(body, 0, 0.34, 0.35, 0.38);
    cairo_pattern_add_color_stop_rgb(body, 1, 0.07, 0.07, 0.08);
    cairo_arc(cr, cx, cy, 9.8, 0, 2 * M_PI);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    cairo_pattern_t* face = cairo_pattern_create_radial(cx + 1.5, cy + 2, 1, cx, cy, 8.4);
    cairo_pattern_add_color_stop_rgb(face, 0, 0.22, 0.23, 0.25);
    cairo_pattern_add_color_stop_rgb(face, 1, 0.12, 0.125, 0.14);
    cairo_arc(cr, cx, cy, 8.4, 0, 2 * M_PI);
    cairo_set_source(cr, face);
    cairo_fill(cr);
    cairo_pattern_destroy(face);

    // Pointer line from near the centre over the skirt.
    double x0, y0, x1, y1;
    polar(cx, cy, 3.2, angle, x0, y0);
    polar(cx, cy, 12.6, angle, x1, y1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_set_line_width(cr, 3.0);
    cairo_stroke_preserve(cr);
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.93);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);

    // Centre dot in the section's colour.
    cairo_arc(cr, cx, cy, 1.9, 0, 2 * M_PI);
    setColour(cr, mark);
    cairo_fill(cr);
}

}  // namespace

void drawKnobScale(cairo_t* cr, double cx, double cy) {
    setColour(cr, palette::legendDim);
    for (int i = 0; i <= 10; ++i) {
        const double a = knobAngle(i / 10.0);
        const bool major = i == 0 || i == 5 || i == 10;
        double x0, y0, x1, y1;
        polar(cx, cy, 14.9, a, x0, y0);
        polar(cx, cy, major ? 17.6 : 16.8, a, x1, y1);
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_set_line_width(cr, major ? 1.2 : 0.9);
        cairo_stroke(cr);
    }
}

void drawKnobStrip(cairo_t* cr, const Bitmap& bitmap) {
    const Colour mark = knobMark(bitmap.id);
    forEachFrame(cr, bitmap, [&](int f, int h) {
        fillRect(cr, 0, 0, bitmap.width, h, palette::panel);
        drawKnobScale(cr, knobCentre, knobCentre);
        drawKnob(cr, knobCentre, knobCentre, knobAngle(f / double(bitmap.frames - 1)), mark);
    });
}

void drawStepKnob(cairo_t* cr, const Bitmap& bitmap) {
    // One leans forward (clockwise), the other backward: they step up and down.
    const double lean = (bitmap.is(panel::Bitmap::StepForward) ? 1 : -1) * 40 * M_PI / 180;
    forEachFrame(cr, bitmap, [&](int f, int h) {
        const bool pressed = f == 1;
        const double c = 9.5;
        fillRect(cr, 0, 0, bitmap.width, h, palette::panel);
        cairo_arc(cr, c + 0.5, c + (pressed ? 0.6 : 1.0), 8.6, 0, 2 * M_PI);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
        cairo_fill(cr);
        cairo_arc(cr, c, c, 8.2, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.08, 0.08, 0.09);
        cairo_fill(cr);
        const double angle = lean * (pressed ? 1.6 : 1.0);
        cairo_set_line_width(cr, 0.8);
        for (int i = 0; i < 18; ++i) {
            double x0, y0, x1, y1;
            polar(c, c, 6.3, angle + i * 2 * M_PI / 18, x0, y0);
            polar(c, c, 8.0, angle + i * 2 * M_PI / 18, x1, y1);
            cairo_move_to(cr, x0, y0);
            cairo_line_to(cr, x1, y1);
        }
        cairo_set_source_rgba(cr, 0.4, 0.41, 0.44, 0.8);
        cairo_stroke(cr);
        cairo_pattern_t* face = cairo_pattern_create_linear(c - 6, c - 6, c + 6, c + 6);
        const double lift = pressed ? 0.75 : 1.0;
        cairo_pattern_add_color_stop_rgb(face, 0, 0.42 * lift, 0.43 * lift, 0.46 * lift);
        cairo_pattern_add_color_stop_rgb(face, 1, 0.10 * lift, 0.10 * lift, 0.11 * lift);
        cairo_arc(cr, c, c, 6.0, 0, 2 * M_PI);
        cairo_set_source(cr, face);
        cairo_fill(cr);
        cairo_pattern_destroy(face);
        double x0, y0, x1, y1;
        polar(c, c, 1.5, angle, x0, y0);
        polar(c, c, 7.6, angle, x1, y1);
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_width(cr, 1.4);
        setColour(cr, pressed ? palette::accent : rgb(236, 236, 232));
        cairo_stroke(cr);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    });
}

void drawSlideSwitch(cairo_t* cr, const Bitmap& bitmap) {
    const int positions = bitmap.frames;
    const double cell = double(bitmap.width) / positions;
    forEachFrame(cr, bitmap, [&](int f, int h) {
        // Slot.
        fillRect(cr, 0, 0, bitmap.width, h, rgb(12, 12, 13));
        fillRect(cr, 0, 0, bitmap.width, 1, rgb(4, 4, 5));
        fillRect(cr, 0, h - 1, bitmap.width, 1, rgb(76, 79, 84));
        // Lever with two grip ridges.
        const double x = std::round(f * cell) + 1;
        const double w = std::floor(cell) - 1;
        cairo_pattern_t* lever = cairo_pattern_create_linear(0, 1, 0, h - 1);
        cairo_pattern_add_color_stop_rgb(lever, 0, 0.86, 0.87, 0.88);
        cairo_pattern_add_color_stop_rgb(lever, 1, 0.44, 0.45, 0.47);
        cairo_rectangle(cr, x, 1, w, h - 2);
        cairo_set_source(cr, lever);
        cairo_fill(cr);
        cairo_pattern_destroy(lever);
        const double mid = x + w / 2;
        for (double dx : {-1.5, 1.5}) fillRect(cr, std::floor(mid + dx) - 0.0, 2, 1, h - 4, rgb(70, 72, 76));
    });
}

namespace {

// Seven segments a (top) to g (middle) in a 13 x 16 cell.
void segmentPath(cairo_t* cr, char seg) {
    const double l = 2.6, r = 10.4, t = 1.9, m = 8.0, b = 14.1, w = 1.9, gap = 0.45;
    auto horizontal = [&](double x0, double x1, double y) {
        x0 += gap;
        x1 -= gap;
        cairo_move_to(cr, x0, y);
        cairo_line_to(cr, x0 + w / 2, y - w / 2);
        cairo_line_to(cr, x1 - w / 2, y - w / 2);
        cairo_line_to(cr, x1, y);
        cairo_line_to(cr, x1 - w / 2, y + w / 2);
        cairo_line_to(cr, x0 + w / 2, y + w / 2);
        cairo_close_path(cr);
    };
    auto vertical = [&](double x, double y0, double y1) {
        y0 += gap;
        y1 -= gap;
        cairo_move_to(cr, x, y0);
        cairo_line_to(cr, x + w / 2, y0 + w / 2);
        cairo_line_to(cr, x + w / 2, y1 - w / 2);
        cairo_line_to(cr, x, y1);
        cairo_line_to(cr, x - w / 2, y1 - w / 2);
        cairo_line_to(cr, x - w / 2, y0 + w / 2);
        cairo_close_path(cr);
    };
    switch (seg) {
        case 'a': horizontal(l, r, t); break;
        case 'b': vertical(r, t, m); break;
        case 'c': vertical(r, m, b); break;
        case 'd': horizontal(l, r, b); break;
        case 'e': vertical(l, m, b); break;
        case 'f': vertical(l, t, m); break;
        case 'g': horizontal(l, r, m); break;
        case '|': vertical((l + r) / 2, 4.2, 11.8); break;  // the upright of the plus sign
        default: break;
    }
}

void litSegments(cairo_t* cr, const char* segs) {
    for (const char* s = segs; *s; ++s) segmentPath(cr, *s);
    setColour(cr, palette::segmentOn, 0.35);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke_preserve(cr);
    setColour(cr, palette::segmentOn);
    cairo_fill(cr);
}

}  // namespace

void drawDigits(cairo_t* cr, const Bitmap& bitmap) {
    static const char* const digits[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                           "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
    forEachFrame(cr, bitmap, [&](int f, int h) {
        fillRect(cr, 0, 0, bitmap.width, h, palette::readoutBack);
        for (char s : std::string("abcdefg")) segmentPath(cr, s);
        setColour(cr, palette::segmentOff);
        cairo_fill(cr);
        if (f >= 1 && f <= 10) litSegments(cr, digits[f - 1]);
        if (f == 11) litSegments(cr, "g");
        if (f == 12) litSegments(cr, "g|");
    });
}

void drawSlash(cairo_t* cr, const Bitmap& bitmap) {
    forEachFrame(cr, bitmap, [&](int f, int h) {
        fillRect(cr, 0, 0, bitmap.width, h, palette::readoutBack);
        cairo_move_to(cr, 0.7, h - 0.6);
        cairo_line_to(cr, 2.3, 0.6);
        cairo_set_line_width(cr, 1.2);
        setColour(cr, f == 1 ? palette::segmentOn : palette::segmentOff);
        cairo_stroke(cr);
    });
}

void drawPoint(cairo_t* cr, const Bitmap& bitmap) {
    forEachFrame(cr, bitmap, [&](int f, int h) {
        fillRect(cr, 0, 0, bitmap.width, h, palette::readoutBack);
        fillRect(cr, 0.5, 0.2, 1.9, 1.7, f == 1 ? palette::segmentOn : palette::segmentOff);
    });
}

void drawChannelLabel(cairo_t* cr, const Bitmap& bitmap) {
    const char* label = bitmap.is(panel::Bitmap::LeftKey) ? "LEFT" : "RIGHT";
    forEachFrame(cr, bitmap, [&](int f, int h) {
        const bool selected = f == 0;
        fillRect(cr, 0, 0, bitmap.width, h, palette::panel);
        roundedRect(cr, 0.5, 0.5, bitmap.width - 1, h - 1, 2.5);
        cairo_pattern_t* cap = cairo_pattern_create_linear(0, 0, bitmap.width, 0);
        if (selected) {
            cairo_pattern_add_color_stop_rgb(cap, 0, 0.36, 0.25, 0.09);
            cairo_pattern_add_color_stop_rgb(cap, 1, 0.22, 0.15, 0.05);
        } else {
            cairo_pattern_add_color_stop_rgb(cap, 0, 0.26, 0.27, 0.29);
            cairo_pattern_add_color_stop_rgb(cap, 1, 0.14, 0.145, 0.16);
        }
        cairo_set_source(cr, cap);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(cap);
        cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_save(cr);
        cairo_translate(cr, bitmap.width / 2.0, h / 2.0);
        cairo_rotate(cr, -M_PI / 2);
        text(cr, label, 0, 2.6, 7.5, true, selected ? rgb(255, 200, 110) : rgb(128, 132, 136),
             Align::centre);
        cairo_restore(cr);
    });
}

void drawLamp(cairo_t* cr, const Bitmap& bitmap) {
    const bool red = bitmap.is(panel::Bitmap::RedLamp);
    const Colour on = red ? rgb(255, 62, 40) : rgb(255, 208, 64);
    const Colour off = red ? rgb(78, 22, 18) : rgb(76, 62, 20);
    forEachFrame(cr, bitmap, [&](int f, int h) {
        const bool lit = f == 1;
        fillRect(cr, 0, 0, bitmap.width, h, palette::panel);
        // Shadow and key body.
        roundedRect(cr, 2.5, 2.5, 20, 16, 3);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
        cairo_fill(cr);
        roundedRect(cr, 1.5, 1.5, 20, 16, 3);
        cairo_pattern_t* body = cairo_pattern_create_linear(0, 1.5, 0, 17.5);
        cairo_pattern_add_color_stop_rgb(body, 0, 0.33, 0.34, 0.37);
        cairo_pattern_add_color_stop_rgb(body, 1, 0.13, 0.135, 0.15);
        cairo_set_source(cr, body);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(body);
        cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        const double cx = 11.5, cy = 9.5;
        if (lit) {
            cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 2, cx, cy, 9);
            cairo_pattern_add_color_stop_rgba(glow, 0, on.r, on.g, on.b, 0.55);
            cairo_pattern_add_color_stop_rgba(glow, 1, on.r, on.g, on.b, 0);
            roundedRect(cr, 1.5, 1.5, 20, 16, 3);
            cairo_set_source(cr, glow);
            cairo_fill(cr);
            cairo_pattern_destroy(glow);
        }
        // Lens.
        cairo_arc(cr, cx, cy, 4.4, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.03, 0.03, 0.03);
        cairo_fill(cr);
        cairo_pattern_t* lens = cairo_pattern_create_radial(cx - 1, cy - 1.2, 0.3, cx, cy, 3.7);
        const Colour core = lit ? mix(on, rgb(255, 255, 240), 0.6) : scale(off, 1.5);
        const Colour edge = lit ? on : off;
        cairo_pattern_add_color_stop_rgb(lens, 0, core.r, core.g, core.b);
        cairo_pattern_add_color_stop_rgb(lens, 1, edge.r, edge.g, edge.b);
        cairo_arc(cr, cx, cy, 3.7, 0, 2 * M_PI);
        cairo_set_source(cr, lens);
        cairo_fill(cr);
        cairo_pattern_destroy(lens);
    });
}

void drawLfoShapes(cairo_t* cr, const Bitmap& bitmap) {
    const double row = bitmap.frameHeight() / 5.0;
    forEachFrame(cr, bitmap, [&](int f, int) {
        for (int shape = 0; shape < 5; ++shape) {
            const double cy = row * shape + row / 2, x0 = 2.5, x1 = 13.5, a = 3.0;
            const double w = x1 - x0;
            switch (shape) {
                case 0:  // sine
                    for (int i = 0; i <= 22; ++i) {
                        const double t = i / 22.0;
                        const double y = cy - a * std::sin(2 * M_PI * t);
                        if (i == 0) cairo_move_to(cr, x0 + w * t, y);
                        else cairo_line_to(cr, x0 + w * t, y);
                    }
                    break;
                case 1:  // square
                    cairo_move_to(cr, x0, cy + a);
                    cairo_line_to(cr, x0, cy - a);
                    cairo_line_to(cr, x0 + w / 2, cy - a);
                    cairo_line_to(cr, x0 + w / 2, cy + a);
                    cairo_line_to(cr, x1, cy + a);
                    cairo_line_to(cr, x1, cy - a);
                    break;
                case 2:  // triangle
                    cairo_move_to(cr, x0, cy + a);
                    cairo_line_to(cr, x0 + w / 2, cy - a);
                    cairo_line_to(cr, x1, cy + a);
                    break;
                case 3:  // saw
                    cairo_move_to(cr, x0, cy + a);
                    cairo_line_to(cr, x0 + w / 2, cy - a);
                    cairo_line_to(cr, x0 + w / 2, cy + a);
                    cairo_line_to(cr, x1, cy - a);
                    break;
                default: {  // random steps
                    const double steps[] = {0.2, -0.9, 0.7, -0.3, 1.0, -0.6};
                    for (int i = 0; i < 6; ++i) {
                        const double y = cy - a * steps[i];
                        const double xa = x0 + w * i / 6, xb = x0 + w * (i + 1) / 6;
                        if (i == 0) cairo_move_to(cr, xa, y);
                        else cairo_line_to(cr, xa, y);
                        cairo_line_to(cr, xb, y);
                    }
                }
            }
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            if (shape == f) {
                setColour(cr, palette::accent, 0.3);
                cairo_set_line_width(cr, 3.2);
                cairo_stroke_preserve(cr);
                setColour(cr, rgb(255, 214, 140));
                cairo_set_line_width(cr, 1.3);
            } else {
                setColour(cr, rgb(112, 116, 121));
                cairo_set_line_width(cr, 1.0);
            }
            cairo_stroke(cr);
        }
    });
}

void drawMeter(cairo_t* cr, const Bitmap& bitmap) {
    forEachFrame(cr, bitmap, [&](int f, int h) {
        fillRect(cr, 0, 0, bitmap.width, h, rgb(10, 10, 11));
        for (int lamp = 0; lamp < 5; ++lamp) {  // lamp 0 at the bottom
            const Colour on = lamp == 4 ? rgb(255, 58, 40) : lamp == 3 ? rgb(255, 204, 48) : rgb(84, 232, 96);
            const Colour off = scale(on, 0.17);
            const double level = std::clamp((f - 4.0 * lamp) / 4.0, 0.0, 1.0);
            const double top = h - 9.0 * (lamp + 1) + 1.5;
            roundedRect(cr, 1, top, 5, 6.5, 1);
            setColour(cr, mix(off, on, level));
            cairo_fill(cr);
            if (level > 0) fillRect(cr, 2, top + 1, 2, 1.5, rgb(255, 255, 255), 0.35 * level);
        }
    });
}

}  // namespace artwork
