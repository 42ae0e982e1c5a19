// The front panel (the frame's background, with every legend printed at its control) and
// the rear panel shown by the about view.
#include "Artwork.h"
#include "Paint.h"

#include <cmath>
#include <string>

namespace artwork {

namespace {

constexpr double legendSize = 6.5;
constexpr double titleSize = 7.5;

// Panel coordinates of the plate regions.
constexpr int plateLeft = 23, plateRight = 921, plateBottom = 155;

void engravedV(cairo_t* cr, double x, double y0, double y1) {
    fillRect(cr, x, y0, 1, y1 - y0, palette::panelShade);
    fillRect(cr, x + 1, y0, 1, y1 - y0, palette::panelLight);
}

void engravedH(cairo_t* cr, double x0, double x1, double y) {
    fillRect(cr, x0, y, x1 - x0, 1, palette::panelShade);
    fillRect(cr, x0, y + 1, x1 - x0, 1, palette::panelLight);
}

// "—— TITLE ——" across a section.
void sectionTitle(cairo_t* cr, const std::string& title, double x0, double x1, double cx, double y) {
    useFont(cr, titleSize, true);
    double w = 0;
    for (char ch : title) w += textWidth(cr, std::string(1, ch)) + 1.2;
    const double left = std::round(cx - w / 2) - 4, right = std::round(cx + w / 2) + 3;
    fillRect(cr, x0, y - 3, left - x0, 1, palette::accent, 0.55);
    fillRect(cr, right, y - 3, x1 - right, 1, palette::accent, 0.55);
    spacedText(cr, title, cx, y, titleSize, true, palette::accent, 1.2);
}

// A caption over a group of controls with a bracket reaching to both ends.
void bracketCaption(cairo_t* cr, const std::string& s, double x0, double x1, double y, Colour c) {
    useFont(cr, 6, true);
    const double cx = (x0 + x1) / 2, w = textWidth(cr, s);
    const double left = std::round(cx - w / 2) - 3, right = std::round(cx + w / 2) + 3;
    if (left > x0 + 1) {
        fillRect(cr, x0, y - 3, left - x0, 1, c, 0.7);
        fillRect(cr, right, y - 3, x1 - right, 1, c, 0.7);
        fillRect(cr, x0, y - 3, 1, 4, c, 0.7);
        fillRect(cr, x1 - 1, y - 3, 1, 4, c, 0.7);
    }
    text(cr, s, cx, y, 6, true, c, Align::centre);
}

void legend(cairo_t* cr, const std::string& s, double x, double y, Align align = Align::centre) {
    text(cr, s, x, y, legendSize, true, palette::legend, align);
}

// A recess around a control's bitmap.
void well(cairo_t* cr, double x, double y, double w, double h) {
    fillRect(cr, x - 1, y - 1, w + 2, h + 2, palette::panelShade);
    fillRect(cr, x, y + h, w + 1, 1, palette::panelLight);
    fillRect(cr, x + w, y, 1, h + 1, palette::panelLight);
}

// A small up and down arrow marking an area that is dragged vertically.
void dragMark(cairo_t* cr, double cx, double y0, double y1) {
    setColour(cr, palette::legendDim);
    cairo_move_to(cr, cx, y0 + 3);
    cairo_line_to(cr, cx, y1 - 3);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_move_to(cr, cx - 2.5, y0 + 3.5);
    cairo_line_to(cr, cx, y0);
    cairo_line_to(cr, cx + 2.5, y0 + 3.5);
    cairo_close_path(cr);
    cairo_move_to(cr, cx - 2.5, y1 - 3.5);
    cairo_line_to(cr, cx, y1);
    cairo_line_to(cr, cx + 2.5, y1 - 3.5);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void ear(cairo_t* cr, double x, double w, double h, const std::string& engraving) {
    cairo_pattern_t* p = cairo_pattern_create_linear(x, 0, x + w, 0);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.27, 0.28, 0.30);
    cairo_pattern_add_color_stop_rgb(p, 0.5, 0.235, 0.245, 0.26);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.19, 0.20, 0.215);
    cairo_rectangle(cr, x, 0, w, h);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // Fine vertical brushing, the same on every build.
    unsigned seed = 12345u + static_cast<unsigned>(x);
    for (int i = 0; i < static_cast<int>(w) * 3; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double px = x + (seed >> 16) % static_cast<unsigned>(w * 8) / 8.0;
        seed = seed * 1103515245u + 12345u;
        const double alpha = 0.03 + ((seed >> 16) % 100) / 2000.0;
        fillRect(cr, px, 0, 0.5, h, (i & 1) ? rgb(255, 255, 255) : rgb(0, 0, 0), alpha);
    }
    fillRect(cr, x, 0, 1, h, rgb(255, 255, 255), 0.10);
    fillRect(cr, x + w - 1, 0, 1, h, rgb(0, 0, 0), 0.35);
    const double cx = x + w / 2;
    for (double cy : {14.0, h - 14.0}) {
        roundedRect(cr, cx - 4.5, cy - 6.5, 9, 13, 4.5);  // oval rack slot
        cairo_set_source_rgb(cr, 0.06, 0.06, 0.07);
        cairo_fill(cr);
        screw(cr, cx, cy, 4, cy < 50 ? 0.6 : 2.2);
    }
    cairo_save(cr);
    cairo_translate(cr, cx, h / 2);
    cairo_rotate(cr, -M_PI / 2);
    useFont(cr, 7, true);
    spacedText(cr, engraving, 0, 2.5, 7, true, rgb(20, 21, 23), 2.0);
    cairo_translate(cr, 0.5, 0.5);
    cairo_restore(cr);
}

struct Knob {
    int left, top;
    const char* label;
};

// Every knob of the panel: its control rectangle's corner and its legend.
const Knob knobs[] = {
    {161, 30, "PAN"},       {208, 30, "LEVEL"},    {161, 93, "PAN"},       {208, 93, "GATE"},
    {383, 29, "INPUT"},     {430, 29, "MIX"},      {476, 29, "OUTPUT"},    {523, 29, "DUCKING"},
    {383, 94, "LR OFFSET"}, {430, 94, "MOD SRC"},  {476, 94, "SENS"},      {523, 94, "ENV SPEED"},
    {578, 29, "VCO MAN"},   {578, 94, "VCO MOD"},  {678, 29, "CUTOFF"},    {726, 29, "RESO"},
    {773, 29, "DRIVE"},     {678, 94, "CUT MOD"},  {726, 94, "RESO MOD"},  {830, 29, "DAMP"},
    {877, 29, "AMOUNT"},
};

// A three-position switch: first legend left, second above the middle, third right.
void threeWay(cairo_t* cr, int left, int top, const char* a, const char* b, const char* c) {
    well(cr, left, top, 26, 9);
    legend(cr, a, left - 2.5, top + 7.5, Align::right);
    legend(cr, b, left + 13, top - 2, Align::centre);
    legend(cr, c, left + 28.5, top + 7.5, Align::left);
}

void twoWay(cairo_t* cr, int left, int top, const char* a, const char* b) {
    well(cr, left, top, 19, 9);
    legend(cr, a, left - 2.5, top + 7.5, Align::right);
    legend(cr, b, left + 21.5, top + 7.5, Align::left);
}

void frontPlate(cairo_t* cr) {
    fillRect(cr, 0, 0, 942, plateBottom, palette::panel);
    fillRect(cr, 0, 0, 942, 1, palette::panelLight);
    fillRect(cr, 0, plateBottom - 1, 942, 1, palette::panelShade);

    // Section dividers.
    engravedV(cr, 283, 3, 142);
    engravedV(cr, 568, 3, 142);
    engravedH(cr, 286, 566, 77);
    engravedV(cr, 621, 3, 77);
    engravedH(cr, 621, 669, 77);
    engravedV(cr, 668, 78, 142);
    engravedV(cr, 820, 3, 142);

    sectionTitle(cr, "DELAY", 28, 279, 153, 11);
    sectionTitle(cr, "MASTER", 288, 564, 472, 11);
    sectionTitle(cr, "VCO", 573, 617, 595, 11);
    sectionTitle(cr, "FILTER", 626, 816, 728, 11);
    sectionTitle(cr, "REVERB", 825, 916, 870.5, 11);
    sectionTitle(cr, "MODULATION", 380, 564, 472, 88);

    // Knob scales and legends.
    for (const Knob& k : knobs) {
        const double cx = k.left + 17.5, cy = k.top + 17.5;
        drawKnobScale(cr, cx, cy);
        legend(cr, k.label, cx, k.top < 77 ? 74 : 138);
    }

    // Delay: input meters and channel buttons.
    well(cr, 43, 23, 7, 45);
    well(cr, 43, 87, 7, 45);
    legend(cr, "IN", 46.5, 20);
    text(cr, "L", 36, 49, 6, true, palette::legendDim, Align::centre);
    text(cr, "R", 36, 113, 6, true, palette::legendDim, Align::centre);
    for (int i = 0; i <= 5; ++i) {
        fillRect(cr, 39, 23 + 9 * i - (i == 5 ? 1 : 0), 2, 1, palette::legendDim);
        fillRect(cr, 39, 87 + 9 * i - (i == 5 ? 1 : 0), 2, 1, palette::legendDim);
    }
    well(cr, 63, 15, 12, 46);
    well(cr, 63, 93, 12, 46);
    legend(cr, "LINK", 73, 68.5);

    // Delay: pre-delay and time stepping knobs.
    legend(cr, "PRE-DELAY", 117.5, 20.5);
    setColour(cr, palette::legendDim);
    cairo_move_to(cr, 114.5, 40.5);
    cairo_line_to(cr, 120.5, 26.5);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    threeWay(cr, 104, 57, "0.1", "1", "5 s");
    legend(cr, "TIME", 117.5, 84.5);
    twoWay(cr, 109, 90, "FREE", "BEAT");
    dragMark(cr, 118.5, 115, 132);

    // Delay: feedback and echo channel knobs, lamps.
    bracketCaption(cr, "FEEDBACK", 163, 241, 23, palette::legendDim);
    bracketCaption(cr, "ECHO", 163, 241, 86, palette::legendDim);
    legend(cr, "FB INV", 268, 66);
    legend(cr, "MUTE IN", 268, 96.5);
    legend(cr, "DLY INV", 268, 129.5);

    // Master: readout window, bypass.
    roundedRect(cr, 289.5, 18.5, 80, 34, 3);
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.055);
    cairo_fill_preserve(cr);
    setColour(cr, palette::panelLight);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    fillRect(cr, 292, 21, 75, 29, palette::readoutBack);
    legend(cr, "BYPASS", 336, 66, Align::right);

    // Modulation: LFO mode, rate and shape column.
    threeWay(cr, 310, 91, "FREQ", "NOTE", "SYNC");
    dragMark(cr, 323.5, 115, 132);
    legend(cr, "RATE", 323.5, 140);
    roundedRect(cr, 358, 81.5, 18, 59.5, 2.5);
    cairo_set_source_rgb(cr, 0.07, 0.075, 0.08);
    cairo_fill(cr);

    // Oscillator and filter.
    legend(cr, "VCO", 649, 129.5);
    threeWay(cr, 634, 27, "IN", "FB", "FX");
    threeWay(cr, 634, 57, "LP", "BP", "HP");
    legend(cr, "FILTER", 796, 129.5);

    // Reverb.
    twoWay(cr, 841, 91, "FX", "OUT");
    well(cr, 841, 122, 19, 9);
    legend(cr, "SPRING", 849, 119.5, Align::right);
    legend(cr, "PLATE", 852.5, 119.5, Align::left);
    legend(cr, "REVERB", 899, 129.5);

    // Captions of the preset bar below.
    const Colour cap = palette::legendDim;
    bracketCaption(cr, "BANK", 36, 104, 152, cap);
    bracketCaption(cr, "PRESET", 116, 196, 152, cap);
    bracketCaption(cr, "NAME", 210, 335, 152, cap);
    bracketCaption(cr, "STEP", 342, 372, 152, cap);
    bracketCaption(cr, "MEMO A", 390, 440, 152, cap);
    bracketCaption(cr, "MEMO B", 454, 505, 152, cap);
    bracketCaption(cr, "MIDI", 679, 744, 152, cap);
    bracketCaption(cr, "CONTROLLER", 759, 849, 152, cap);
    bracketCaption(cr, "LEARN", 857, 906, 152, cap);
}

void frontRail(cairo_t* cr) {
    fillRect(cr, 0, plateBottom, 942, 171 - plateBottom, palette::strip);
    const Colour ink = palette::stripInk;
    text(cr, "A", 415, 166.5, 7.5, true, ink, Align::centre);
    text(cr, "B", 479.5, 166.5, 7.5, true, ink, Align::centre);
    // Brand, centred in the free stretch between the memories and the MIDI keys.
    useFont(cr, 6, true);
    const double maker = textWidth(cr, "ORVTONE") + 6 * 1.0;
    useFont(cr, 10, true);
    double name = 0;
    for (char ch : std::string("LUMDEL")) name += textWidth(cr, std::string(1, ch)) + 1.5;
    useFont(cr, 6, true);
    const double kind = textWidth(cr, "STEREO DELAY");
    const double gap = 7, total = maker + gap + name + gap + kind;
    double x = std::round(592 - total / 2);
    spacedText(cr, "ORVTONE", x + maker / 2, 166, 6, true, ink, 1.0);
    x += maker + gap;
    spacedText(cr, "LUMDEL", x + name / 2, 167, 10, true, ink, 1.5);
    x += name + gap;
    text(cr, "STEREO DELAY", x, 166, 6, true, ink, Align::left);
    // Controller name window.
    fillRect(cr, 759, 157, 90, 12, rgb(205, 211, 215));
    // Menu arrow next to the name field.
    setColour(cr, ink);
    cairo_move_to(cr, 325, 161);
    cairo_line_to(cr, 332, 161);
    cairo_line_to(cr, 328.5, 165.5);
    cairo_close_path(cr);
    cairo_fill(cr);
}

}  // namespace

void drawFrontPanel(cairo_t* cr, const Bitmap&) {
    frontPlate(cr);
    frontRail(cr);
    ear(cr, 0, plateLeft, plateBottom, "LUMDEL");
    ear(cr, plateRight, 942 - plateRight, plateBottom, "ORVTONE");
}

void drawRearPanel(cairo_t* cr, const Bitmap&) {
    const Colour plate = rgb(33, 34, 37);
    fillRect(cr, 0, 0, 942, plateBottom, plate);
    fillRect(cr, 0, 0, 942, 1, palette::panelLight);
    fillRect(cr, 0, plateBottom - 1, 942, 1, palette::panelShade);
    ear(cr, 0, plateLeft, plateBottom, "ORVTONE");
    ear(cr, plateRight, 942 - plateRight, plateBottom, "LUMDEL");

    // Jacks, seen from behind: outputs on the left.
    struct Group {
        double x;
        const char* caption;
    };
    const Group groups[] = {{70, "OUTPUT"}, {190, "INPUT"}, {310, "KEY INPUT"}};
    for (const Group& g : groups) {
        for (int side = 0; side < 2; ++side) {
            const double cx = g.x + side * 44, cy = 74;
            text(cr, side ? "R" : "L", cx, 52, 7, true, palette::legend, Align::centre);
            cairo_arc(cr, cx, cy, 11, 0, 2 * M_PI);
            cairo_set_source_rgb(cr, 0.10, 0.10, 0.11);
            cairo_fill(cr);
            cairo_new_path(cr);
            for (int i = 0; i < 6; ++i) {  // hexagon nut
                const double a = M_PI / 6 + i * M_PI / 3;
                cairo_line_to(cr, cx + 8.5 * std::cos(a), cy + 8.5 * std::sin(a));
            }
            cairo_close_path(cr);
            cairo_pattern_t* nut = cairo_pattern_create_linear(cx - 8, cy - 8, cx + 8, cy + 8);
            cairo_pattern_add_color_stop_rgb(nut, 0, 0.85, 0.86, 0.87);
            cairo_pattern_add_color_stop_rgb(nut, 1, 0.40, 0.41, 0.43);
            cairo_set_source(cr, nut);
            cairo_fill(cr);
            cairo_pattern_destroy(nut);
            cairo_arc(cr, cx, cy, 4, 0, 2 * M_PI);
            cairo_set_source_rgb(cr, 0.02, 0.02, 0.02);
            cairo_fill(cr);
        }
        bracketCaption(cr, g.caption, g.x - 12, g.x + 56, 104, palette::legend);
    }
    text(cr, "inputs 3 and 4 feed the ducker", 332, 118, 6, false, palette::legendDim, Align::centre);

    // Ventilation slots.
    for (int i = 0; i < 22; ++i) {
        roundedRect(cr, 440 + i * 11, 28, 5, 98, 2.5);
        cairo_set_source_rgb(cr, 0.04, 0.04, 0.045);
        cairo_fill(cr);
        fillRect(cr, 441 + i * 11, 126, 4, 1, palette::panelLight);
    }

    // Name plate with the window for the version text at (740, 70)-(840, 85).
    roundedRect(cr, 712.5, 16.5, 192, 124, 4);
    cairo_set_source_rgb(cr, 0.075, 0.078, 0.085);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.62, 0.64, 0.66);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    spacedText(cr, "LUMDEL", 808.5, 38, 15, true, palette::legend, 2.5);
    spacedText(cr, "STEREO DELAY", 808.5, 50, 6.5, true, palette::accent, 1.5);
    text(cr, "VERSION", 790, 65.5, 5.5, true, palette::legendDim, Align::centre);
    fillRect(cr, 736, 68, 108, 19, rgb(6, 6, 7));
    fillRect(cr, 736, 87, 108, 1, palette::panelLight);
    text(cr, "ORVTONE", 808.5, 103, 7.5, true, palette::legend, Align::centre);
    text(cr, "VST 2.4  \xc2\xb7  2 + 2 IN  \xc2\xb7  2 OUT", 808.5, 116, 6, false, palette::legendDim,
         Align::centre);
    text(cr, "click anywhere to turn the unit around", 808.5, 132, 6, false, palette::legendDim,
         Align::centre);

    // The rail at the bottom, bare on this side.
    fillRect(cr, 0, plateBottom, 942, 171 - plateBottom, palette::strip);
    text(cr, "ORVTONE LUMDEL  \xc2\xb7  STEREO DELAY  \xc2\xb7  NO USER-SERVICEABLE PARTS INSIDE", 471,
         166, 6, true, palette::stripInk, Align::centre);
}

}  // namespace artwork
