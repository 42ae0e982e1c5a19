// Keys of the preset rail at the bottom of the panel, and the help key.
#include "Artwork.h"
#include "Paint.h"

#include <cmath>

namespace artwork {

namespace {

enum class KeyState { normal, hovered, pressed };

// The keys lie on the rail: frames without alpha start in its colour.
template <typename F>
void forEachFrameOnRail(cairo_t* cr, const Bitmap& bitmap, F draw) {
    forEachFrame(cr, bitmap, draw, &palette::strip);
}

// A small dark key on the light rail; returns the colour for its symbol.
Colour key(cairo_t* cr, double x, double y, double w, double h, KeyState state) {
    const double sink = state == KeyState::pressed ? 0.5 : 0.0;
    roundedRect(cr, x + 0.5, y + 1, w, h, 2);
    cairo_set_source_rgba(cr, 0, 0, 0, state == KeyState::pressed ? 0.15 : 0.3);
    cairo_fill(cr);
    roundedRect(cr, x, y + sink, w - 0.5, h - 0.5, 2);
    const double lift = state == KeyState::hovered ? 1.3 : state == KeyState::pressed ? 0.8 : 1.0;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    const Colour top = scale(rgb(86, 90, 96), lift), bottom = scale(rgb(40, 42, 46), lift);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_source_rgb(cr, 0.09, 0.09, 0.1);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    if (state == KeyState::pressed) return palette::accent;
    return state == KeyState::hovered ? rgb(250, 250, 246) : rgb(206, 210, 212);
}

KeyState stateOf(int frame) {
    return frame == 0 ? KeyState::normal : frame == 1 ? KeyState::hovered : KeyState::pressed;
}

// Each frame of a small key filling its bitmap, with the symbol's colour set: draw(sink)
// adds the symbol, sunk by sink pixels while pressed.
template <typename F>
void forEachSymbolKey(cairo_t* cr, const Bitmap& bitmap, F draw) {
    forEachFrameOnRail(cr, bitmap, [&](int f, int h) {
        const KeyState s = stateOf(f);
        setColour(cr, key(cr, 0.5, 0.5, bitmap.width - 1, h - 1.5, s));
        draw(s == KeyState::pressed ? 0.5 : 0.0);
    });
}

}  // namespace

// The memory keys: a tray with an arrow going into it (recall) or out of it (store).
void drawMemoryButton(cairo_t* cr, const Bitmap& bitmap) {
    const bool recall = bitmap.is(panel::Bitmap::MemoRecallKey);
    forEachSymbolKey(cr, bitmap, [&](double sink) {
        cairo_set_line_width(cr, 1.1);
        cairo_move_to(cr, 4, 8.5 + sink);
        cairo_line_to(cr, 4, 11 + sink);
        cairo_line_to(cr, 13, 11 + sink);
        cairo_line_to(cr, 13, 8.5 + sink);
        cairo_stroke(cr);
        const double cx = 8.5;
        const double tip = recall ? 9.5 : 2.5, tail = recall ? 2.5 : 9.0;
        cairo_move_to(cr, cx, tail + sink);
        cairo_line_to(cr, cx, tip + (recall ? -2 : 2) + sink);
        cairo_stroke(cr);
        cairo_move_to(cr, cx - 3, tip + (recall ? -3 : 3) + sink);
        cairo_line_to(cr, cx, tip + sink);
        cairo_line_to(cr, cx + 3, tip + (recall ? -3 : 3) + sink);
        cairo_close_path(cr);
        cairo_fill(cr);
    });
}

namespace {

// An open folder: the back with its tab, and the front flap tipped forward.
void openFolder(cairo_t* cr, double dy) {
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, 4, 11 + dy);
    cairo_line_to(cr, 4, 3.5 + dy);
    cairo_line_to(cr, 7, 3.5 + dy);
    cairo_line_to(cr, 8, 4.5 + dy);
    cairo_line_to(cr, 12, 4.5 + dy);
    cairo_line_to(cr, 12, 6.5 + dy);
    cairo_stroke(cr);
    cairo_move_to(cr, 3.5, 11.5 + dy);
    cairo_line_to(cr, 5.5, 6.5 + dy);
    cairo_line_to(cr, 14.5, 6.5 + dy);
    cairo_line_to(cr, 12.5, 11.5 + dy);
    cairo_close_path(cr);
    cairo_fill(cr);
}

// A disk: a square with a clipped corner, its shutter and label left open.
void disk(cairo_t* cr, double dy) {
    cairo_move_to(cr, 4, 2.5 + dy);
    cairo_line_to(cr, 11.5, 2.5 + dy);
    cairo_line_to(cr, 13, 4 + dy);
    cairo_line_to(cr, 13, 11.5 + dy);
    cairo_line_to(cr, 4, 11.5 + dy);
    cairo_close_path(cr);
    cairo_rectangle(cr, 6, 2.5 + dy, 4, 3);    // shutter
    cairo_rectangle(cr, 5.5, 7.5 + dy, 6, 3);  // label
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_rectangle(cr, 8.5, 3 + dy, 1, 2);    // the shutter's window
    cairo_fill(cr);
}

}  // namespace

// The file keys: an open folder loads, a disk saves.
void drawFileButton(cairo_t* cr, const Bitmap& bitmap) {
    const bool load = bitmap.is(panel::Bitmap::LoadKey);
    forEachSymbolKey(cr, bitmap, [&](double sink) {
        if (load)
            openFolder(cr, sink);
        else
            disk(cr, sink);
    });
}

void drawDefaultButton(cairo_t* cr, const Bitmap& bitmap) {
    forEachFrameOnRail(cr, bitmap, [&](int f, int h) {
        const KeyState s = stateOf(f);
        const Colour ink = key(cr, 1, 0.5, bitmap.width - 2, h - 1.5, s);
        text(cr, "DEF", bitmap.width / 2.0, 8.8 + (s == KeyState::pressed ? 0.5 : 0), 6, true, ink,
             Align::centre);
    });
}

void drawRocker(cairo_t* cr, const Bitmap& bitmap) {
    // Frames: idle, hover left, hover right, press left, press right.
    forEachFrameOnRail(cr, bitmap, [&](int f, int h) {
        const double half = bitmap.width / 2.0;
        for (int side = 0; side < 2; ++side) {
            KeyState s = KeyState::normal;
            if (f == 1 + side) s = KeyState::hovered;
            if (f == 3 + side) s = KeyState::pressed;
            const double x = side * half;
            const Colour ink = key(cr, x + 0.5, 0.5, half - 1, h - 1.5, s);
            const double cx = x + half / 2, cy = h / 2.0 - 0.5 + (s == KeyState::pressed ? 0.5 : 0);
            const double d = side ? 1 : -1;
            setColour(cr, ink);
            cairo_move_to(cr, cx + d * 2.5, cy);
            cairo_line_to(cr, cx - d * 2, cy - 3);
            cairo_line_to(cr, cx - d * 2, cy + 3);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
    });
}

void drawLearnButton(cairo_t* cr, const Bitmap& bitmap) {
    const bool learn = bitmap.is(panel::Bitmap::LearnKey);
    forEachFrameOnRail(cr, bitmap, [&](int f, int h) {
        // Frames: off, hovered, on.
        const KeyState s = f == 1 ? KeyState::hovered : KeyState::normal;
        const bool on = f == 2;
        const Colour ink = key(cr, 1, 1, bitmap.width - 2, h - 2, s);
        const Colour led = learn ? rgb(255, 64, 40) : rgb(255, 170, 40);
        cairo_arc(cr, 5.0, h / 2.0, 1.9, 0, 2 * M_PI);
        setColour(cr, on ? led : scale(led, 0.28));
        cairo_fill(cr);
        if (on) {
            cairo_arc(cr, 5.0, h / 2.0, 3.4, 0, 2 * M_PI);
            setColour(cr, led, 0.3);
            cairo_fill(cr);
        }
        text(cr, learn ? "LRN" : "UNL", 14.8, h / 2.0 + 2.4, 6, true, on ? palette::accent : ink,
             Align::centre);
    });
}

void drawHelpButton(cairo_t* cr, const Bitmap& bitmap) {
    // Frames: normal, hovered, active (lit while the help is open).
    forEachFrameOnRail(cr, bitmap, [&](int f, int h) {
        const bool active = f == 2;
        Colour ink = key(cr, 0.5, 0, bitmap.width - 1, h - 0.5, active ? KeyState::normal : stateOf(f));
        if (active) {
            roundedRect(cr, 0.5, 0, bitmap.width - 1.5, h - 1, 2);
            setColour(cr, palette::accent);
            cairo_fill(cr);
            ink = rgb(40, 28, 10);
        }
        text(cr, "?", bitmap.width / 2.0, 7.3, 7, true, ink, Align::centre);
    });
}

}  // namespace artwork
