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

constexpr int plateLeft = panel::kPlateLeft, plateRight = panel::kPlateRight;
constexpr int plateBottom = panel::kPlateHeight;

using C = panel::Control;
using S = panel::StripControl;
const panel::Rect& at(C c) { return panel::place(c).rect; }
const panel::Rect& at(S c) { return panel::stripPlace(c).rect; }

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

// A caption over a group of controls with a bracket reaching to both ends, drawn at
// bracketAlpha.
void bracketCaption(cairo_t* cr, const std::string& s, double x0, double x1, double y, Colour c,
                    double bracketAlpha = 0.7) {
    useFont(cr, 6, true);
    const double cx = (x0 + x1) / 2, w = textWidth(cr, s);
    const double left = std::round(cx - w / 2) - 3, right = std::round(cx + w / 2) + 3;
    if (left > x0 + 1) {
        fillRect(cr, x0, y - 3, left - x0, 1, c, bracketAlpha);
        fillRect(cr, right, y - 3, x1 - right, 1, c, bracketAlpha);
        fillRect(cr, x0, y - 3, 1, 4, c, bracketAlpha);
        fillRect(cr, x1 - 1, y - 3, 1, 4, c, bracketAlpha);
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

struct KnobLegend {
    C knob;
    const char* label;
};

// The legend under every knob.
const KnobLegend knobLegends[] = {
    {C::FbPan, "PAN"},         {C::FbGain, "LEVEL"},     {C::DlyPan, "PAN"},
    {C::DlyGate, "GATE"},      {C::Input, "INPUT"},      {C::Mix, "MIX"},
    {C::Output, "OUTPUT"},     {C::Ducking, "DUCKING"},  {C::LROffset, "LR OFFSET"},
    {C::ModSrc, "MOD SRC"},    {C::ModSens, "SENS"},     {C::EnvSpeed, "ENV SPEED"},
    {C::VcoMan, "VCO MAN"},    {C::VcoMod, "VCO MOD"},   {C::Cutoff, "CUTOFF"},
    {C::Reso, "RESO"},         {C::Drive, "DRIVE"},      {C::CutfMod, "CUT MOD"},
    {C::ResoMod, "RESO MOD"},  {C::RvbDamp, "DAMP"},     {C::RvbAmt, "AMOUNT"},
};

// The recess of a control follows its bitmap (one frame), not its rectangle.
void wellUnder(cairo_t* cr, C c) {
    const panel::Place& p = panel::place(c);
    const panel::BitmapSpec s = panel::spec(p.bitmap);
    well(cr, p.rect.left, p.rect.top, s.width, s.frameHeight());
}

// A three-position switch: first legend left, second above the middle, third right.
void threeWay(cairo_t* cr, C c, const char* a, const char* b, const char* d) {
    const panel::Rect& r = at(c);
    wellUnder(cr, c);
    legend(cr, a, r.left - 2.5, r.top + 7.5, Align::right);
    legend(cr, b, r.left + 13, r.top - 2, Align::centre);
    legend(cr, d, r.left + 28.5, r.top + 7.5, Align::left);
}

void twoWay(cairo_t* cr, C c, const char* a, const char* b) {
    const panel::Rect& r = at(c);
    wellUnder(cr, c);
    legend(cr, a, r.left - 2.5, r.top + 7.5, Align::right);
    legend(cr, b, r.left + 21.5, r.top + 7.5, Align::left);
}

// The legend centred under a lamp key, dy below it.
void lampLegend(cairo_t* cr, C lamp, const char* s, double dy) {
    legend(cr, s, at(lamp).centreX(), at(lamp).bottom + dy);
}

// The captions of the front panel's groups and rail keys, and their brackets, stand out
// from the plate by at least 4.5 : 1 (the brackets at this opacity too).
constexpr double captionBracket = 0.85;

// A bracket caption over the preset keys from the first to the last.
void railCaption(cairo_t* cr, const char* s, S first, S last) {
    bracketCaption(cr, s, at(first).left, at(last).right, 152, palette::caption, captionBracket);
}

void frontPlate(cairo_t* cr) {
    fillRect(cr, 0, 0, 942, plateBottom, palette::panel);
    fillRect(cr, 0, 0, 942, 1, palette::panelLight);
    fillRect(cr, 0, plateBottom - 1, 942, 1, palette::panelShade);

    // Section dividers, on the last column of the section to their left.
    using P = panel::HelpPage;
    const int split = panel::kSectionSplit;
    const panel::Span master = panel::section(P::Master).upper;
    const panel::Span vco = panel::section(P::Vco).upper, vcoLow = panel::section(P::Vco).lower;
    const int captions = panel::kRailCaptionTop - 1;
    engravedV(cr, master.left - 1, 3, captions);
    engravedV(cr, master.right - 1, 3, captions);
    engravedH(cr, master.left + 2, master.right - 3, split - 1);
    engravedV(cr, vco.right - 1, 3, split - 1);
    engravedH(cr, vco.right - 1, vcoLow.right, split - 1);
    engravedV(cr, vcoLow.right - 1, split, captions);
    engravedV(cr, panel::section(P::Reverb).upper.left - 1, 3, captions);

    sectionTitle(cr, "DELAY", 28, 279, 153, 11);
    sectionTitle(cr, "MASTER", 288, 564, 472, 11);
    sectionTitle(cr, "VCO", 573, 617, 595, 11);
    sectionTitle(cr, "FILTER", 626, 816, 728, 11);
    sectionTitle(cr, "REVERB", 825, 916, 870.5, 11);
    sectionTitle(cr, "MODULATION", 380, 564, 472, 88);

    // Knob scales and legends.
    for (const KnobLegend& k : knobLegends) {
        const panel::Rect& r = at(k.knob);
        const double cx = r.left + 17.5, cy = r.top + 17.5;
        drawKnobScale(cr, cx, cy);
        legend(cr, k.label, cx, r.top < panel::kSectionSplit ? 74 : 138);
    }

    // Delay: input meters and channel buttons.
    wellUnder(cr, C::MeterL);
    wellUnder(cr, C::MeterR);
    legend(cr, "IN", at(C::MeterL).centreX(), at(C::MeterL).top - 3);
    for (C meter : {C::MeterL, C::MeterR}) {
        const panel::Rect& m = at(meter);
        text(cr, meter == C::MeterL ? "L" : "R", m.left - 7, m.top + 26, 6, true,
             palette::legendDim, Align::centre);
    }
    for (int i = 0; i <= 5; ++i) {
        for (C meter : {C::MeterL, C::MeterR}) {
            const panel::Rect& m = at(meter);
            fillRect(cr, m.left - 4, m.top + 9 * i - (i == 5 ? 1 : 0), 2, 1, palette::legendDim);
        }
    }
    wellUnder(cr, C::Left);
    wellUnder(cr, C::Right);
    legend(cr, "LINK", at(C::Link).centreX(), at(C::Link).top - 1.5);

    // Delay: pre-delay and time stepping knobs.
    const double stepCentre = (at(C::PreNum).left + at(C::PreDen).right) / 2.0;
    const double preTop = at(C::PreNum).top;
    legend(cr, "PRE-DELAY", stepCentre, preTop - 3.5);
    setColour(cr, palette::legendDim);
    cairo_move_to(cr, stepCentre - 3, preTop + 16.5);
    cairo_line_to(cr, stepCentre + 3, preTop + 2.5);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    threeWay(cr, C::Range, "0.1", "1", "5 s");
    legend(cr, "TIME", stepCentre, at(C::DlyMode).top - 5.5);
    twoWay(cr, C::DlyMode, "FREE", "BEAT");
    dragMark(cr, at(C::DlyTime).centreX(), at(C::DlyTime).top, at(C::DlyTime).bottom);

    // Delay: feedback and echo channel knobs, lamps.
    bracketCaption(cr, "FEEDBACK", at(C::FbPan).left + 2, at(C::FbGain).right - 2,
                   at(C::FbPan).top - 7, palette::caption, captionBracket);
    bracketCaption(cr, "ECHO", at(C::DlyPan).left + 2, at(C::DlyGate).right - 2,
                   at(C::DlyPan).top - 7, palette::caption, captionBracket);
    lampLegend(cr, C::FbInv, "FB INV", 7);
    lampLegend(cr, C::MuteIn, "MUTE IN", 7.5);
    lampLegend(cr, C::DlyInv, "DLY INV", 7.5);

    // Master: readout window around the tempo area (which lies over the digits), bypass.
    const panel::Rect& tempo = at(C::Tempo);
    roundedRect(cr, tempo.left - 3.5, tempo.top - 3.5, tempo.width() + 8, tempo.height() + 8, 3);
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.055);
    cairo_fill_preserve(cr);
    setColour(cr, palette::panelLight);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    fillRect(cr, tempo.left - 1, tempo.top - 1, tempo.width() + 3, tempo.height() + 3,
             palette::readoutBack);
    legend(cr, "BYPASS", at(C::Bypass).left - 4, at(C::Bypass).top + 13, Align::right);

    // Modulation: LFO mode, rate and shape column.
    threeWay(cr, C::LfoMode, "FREQ", "NOTE", "SYNC");
    const panel::Rect& rate = at(C::LfoRate);
    dragMark(cr, rate.centreX(), rate.top, rate.bottom);
    legend(cr, "RATE", rate.centreX(), rate.bottom + 8);
    const panel::Rect& wave = at(C::LfoWave);
    roundedRect(cr, wave.left - 1, wave.top - 1.5, wave.width() + 2, wave.height() + 3.5, 2.5);
    cairo_set_source_rgb(cr, 0.07, 0.075, 0.08);
    cairo_fill(cr);

    // Oscillator and filter.
    lampLegend(cr, C::VcoOn, "VCO", 7.5);
    threeWay(cr, C::FltMode, "IN", "FB", "FX");
    threeWay(cr, C::FltType, "LP", "BP", "HP");
    lampLegend(cr, C::FltOn, "FILTER", 7.5);

    // Reverb.
    twoWay(cr, C::RvbMode, "FX", "OUT");
    wellUnder(cr, C::RvbType);
    legend(cr, "SPRING", at(C::RvbType).left + 8, at(C::RvbType).top - 2.5, Align::right);
    legend(cr, "PLATE", at(C::RvbType).left + 11.5, at(C::RvbType).top - 2.5, Align::left);
    lampLegend(cr, C::RvbOn, "REVERB", 7.5);

    // Captions of the preset bar below.
    railCaption(cr, "BANK", S::SaveBank, S::LoadBank);
    railCaption(cr, "PRESET", S::SavePreset, S::LoadPreset);
    railCaption(cr, "NAME", S::Name, S::Menu);
    railCaption(cr, "STEP", S::Step, S::Step);
    railCaption(cr, "MEMO A", S::StoreMemoA, S::RecallMemoA);
    railCaption(cr, "MEMO B", S::StoreMemoB, S::RecallMemoB);
    railCaption(cr, "MIDI", S::SaveMidi, S::LoadMidi);
    railCaption(cr, "CONTROLLER", S::ControllerDisplay, S::ControllerDisplay);
    railCaption(cr, "LEARN", S::Learn, S::Unlearn);
}

void frontRail(cairo_t* cr) {
    fillRect(cr, 0, plateBottom, 942, 171 - plateBottom, palette::strip);
    const Colour ink = palette::stripInk;
    // A and B between the keys of each memory.
    text(cr, "A", (at(S::StoreMemoA).right + at(S::RecallMemoA).left) / 2.0, 166.5, 7.5, true, ink,
         Align::centre);
    text(cr, "B", (at(S::StoreMemoB).right + at(S::RecallMemoB).left) / 2.0, 166.5, 7.5, true, ink,
         Align::centre);
    // Brand, centred in the free stretch between the memories and the MIDI keys.
    useFont(cr, 6, true);
    const double maker = textWidth(cr, "ORVTONE") + 6 * 1.0;
    useFont(cr, 10, true);
    double name = 0;
    for (char ch : std::string("LUMDEL")) name += textWidth(cr, std::string(1, ch)) + 1.5;
    useFont(cr, 6, true);
    const double kind = textWidth(cr, "STEREO DELAY");
    const double gap = 7, total = maker + gap + name + gap + kind;
    const double brandCentre = (at(S::RecallMemoB).right + at(S::SaveMidi).left) / 2.0;
    double x = std::round(brandCentre - total / 2);
    spacedText(cr, "ORVTONE", x + maker / 2, 166, 6, true, ink, 1.0);
    x += maker + gap;
    spacedText(cr, "LUMDEL", x + name / 2, 167, 10, true, ink, 1.5);
    x += name + gap;
    text(cr, "STEREO DELAY", x, 166, 6, true, ink, Align::left);
    // Controller name window.
    const panel::Rect& display = at(S::ControllerDisplay);
    fillRect(cr, display.left, display.top, display.width(), display.height(), rgb(205, 211, 215));
    // Menu arrow next to the name field.
    const panel::Rect& menu = at(S::Menu);
    setColour(cr, ink);
    cairo_move_to(cr, menu.left + 3, menu.top + 4);
    cairo_line_to(cr, menu.right - 3, menu.top + 4);
    cairo_line_to(cr, menu.centreX(), menu.top + 8.5);
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

    // Name plate with the window for the version text.
    roundedRect(cr, 712.5, 16.5, 192, 124, 4);
    cairo_set_source_rgb(cr, 0.075, 0.078, 0.085);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.62, 0.64, 0.66);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    spacedText(cr, "LUMDEL", 808.5, 38, 15, true, palette::legend, 2.5);
    spacedText(cr, "STEREO DELAY", 808.5, 50, 6.5, true, palette::accent, 1.5);
    text(cr, "VERSION", 790, 65.5, 5.5, true, palette::legendDim, Align::centre);
    const panel::Rect& version = panel::kVersionText;
    fillRect(cr, version.left - 4, version.top - 2, version.width() + 8, version.height() + 4,
             rgb(6, 6, 7));
    fillRect(cr, version.left - 4, version.bottom + 2, version.width() + 8, 1, palette::panelLight);
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
