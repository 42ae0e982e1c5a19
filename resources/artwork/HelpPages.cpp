// The eight help pages, stacked in one bitmap. Each page lies over the upper 942 x 155
// pixels of the panel, so it shows the panel darkened behind its text and lights up the
// section it explains.
#include "Artwork.h"
#include "Paint.h"

#include <algorithm>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace artwork {

namespace {

constexpr int pageWidth = panel::kWidth, pageHeight = panel::kPlateHeight;

struct Paragraph {
    const char* head;  // bold lead-in, may be empty
    const char* body;
};

struct Page {
    const char* title;
    std::vector<Paragraph> paragraphs;
};

using Polygon = std::vector<std::pair<double, double>>;

// The outline of a section on a page, clockwise from its top-left corner: down the right
// ends of its bands (upper columns to the split line, lower columns to the rail's caption
// band, the band's columns to the page's bottom), then up their left ends. The bands a
// section has are consecutive.
Polygon outline(const panel::Section& s) {
    struct Band {
        panel::Span span;
        double top, bottom;
    };
    const Band bands[] = {{s.upper, 0, panel::kSectionSplit},
                          {s.lower, panel::kSectionSplit, panel::kRailCaptionTop},
                          {s.rail, panel::kRailCaptionTop, pageHeight}};
    Polygon p;
    for (const Band& b : bands)
        if (!b.span.empty()) p.insert(p.end(), {{b.span.right, b.top}, {b.span.right, b.bottom}});
    for (auto b = std::rbegin(bands); b != std::rend(bands); ++b)
        if (!b->span.empty()) p.insert(p.end(), {{b->span.left, b->bottom}, {b->span.left, b->top}});
    std::rotate(p.rbegin(), p.rbegin() + 1, p.rend());  // the top-left corner first
    // Drop repeated corners and corners on a straight edge.
    for (bool changed = true; changed && p.size() > 3;) {
        changed = false;
        for (std::size_t i = 0; i < p.size(); ++i) {
            const auto& a = p[(i + p.size() - 1) % p.size()];
            const auto& b = p[i];
            const auto& c = p[(i + 1) % p.size()];
            const double cross = (b.first - a.first) * (c.second - b.second) -
                                 (b.second - a.second) * (c.first - b.first);
            if (cross == 0) {
                p.erase(p.begin() + static_cast<std::ptrdiff_t>(i));
                changed = true;
                break;
            }
        }
    }
    return p;
}

// The regions of the panel a page belongs to (the general page has none).
std::vector<Polygon> regionsOf(int page) {
    std::vector<Polygon> regions;
    if (page == static_cast<int>(panel::HelpPage::General)) return regions;
    for (const panel::Section& s : panel::kSections)
        if (static_cast<int>(s.page) == page) regions.push_back(outline(s));
    return regions;
}

const Page pages[panel::kNumHelpPages] = {
    {"LUMDEL STEREO DELAY  \xc2\xb7  HELP",
     {
         {"Lumdel", "is a stereo delay: two delay lines of up to five seconds, each with a pre-delay, "
                    "timed in milliseconds or as note values of the tempo. The repeats pass a "
                    "feedback matrix that pans and inverts them; a filter can sit at the input, in "
                    "the loop or at the output; an LFO and an envelope follower bend the filter and "
                    "the speed of the VCO mode; a spring or plate reverb ends the chain."},
         {"The panel", "from left to right: the DELAY section with the channel controls; the readout, "
                        "bypass and mixer (MASTER) above the MODULATION sources; the VCO; the "
                        "FILTER; the REVERB. The rail at the bottom keeps presets, memories and MIDI "
                        "controllers."},
         {"Knobs:", "drag up or right to raise, down or left to lower; the full turn takes 200 "
                    "pixels. Hold Shift while dragging for fine moves (five times slower); you can "
                    "press or release Shift during a drag. The mouse wheel turns a knob in steps of "
                    "1/32, with Shift ten times finer."},
         {"Defaults:", "Ctrl-click a knob or a slide switch to put it back to its default."},
         {"Lamp keys", "toggle on a left or a right click. A right click or a Ctrl-click is a "
                       "variant some keys use: LINK then copies a channel."},
         {"Stepping knobs", "(the small ones) step forward on a click, back on a Shift-click or "
                            "Ctrl-click. Slide switches take a click on the position you want."},
         {"The readout", "shows the value of whatever is under the mouse or being moved, in its "
                         "unit; otherwise the tempo."},
         {"This help:", "move the mouse over a section to read about it; the page follows the "
                        "mouse. Click anywhere to close the help. Click either side edge of the "
                        "panel to see the rear of the unit."},
     }},
    {"READOUT, TEMPO, BYPASS AND MIXER",
     {
         {"Readout:", "four LED digits. With the mouse on a control, or while one is moved, they "
                      "show its value: levels in dB, balances as two percentages (70/30 is 70 % "
                      "dry, 30 % wet), times in ms, frequencies in Hz or kHz, note values as "
                      "fractions like 3/16. Elsewhere they show the tempo in BPM."},
         {"Blinking", "fraction: that note value at the current tempo would be longer than the "
                      "five seconds the delay line holds."},
         {"Tempo:", "the host's tempo is used whenever it sends one. Without one, drag up (or "
                    "right) over the readout to set 30 to 400 BPM; Shift for fine moves; the wheel "
                    "works there too."},
         {"BYPASS", "(yellow lamp): lit, the input passes through untouched."},
         {"INPUT:", "gain into the unit, 0 dB at the centre. The IN meters of the delay section "
                    "show the level after it."},
         {"MIX:", "balance of the dry signal against the delays."},
         {"OUTPUT:", "level of everything that leaves the unit, 0 dB at the centre."},
         {"DUCKING:", "threshold of the ducker, -24 to 0 dB. When the input (or a key signal on "
                      "inputs 3 and 4) rises above it, the delays are pushed down and come back "
                      "as it falls. Fully right (0 dB) only the loudest peaks duck."},
         {"All knobs:", "drag, Shift for fine, Ctrl-click for the default, wheel in 1/32 steps."},
     }},
    {"DELAY SECTION",
     {
         {"LEFT / RIGHT:", "both delay channels share one set of controls. The lit key tells which "
                           "channel the knobs, lamps, switches and time controls show and change."},
         {"LINK:", "lit, every change on one channel is made on the other too (the pan knobs "
                   "mirrored). Ctrl-click or right-click LINK to copy all settings of the shown "
                   "channel onto the other one and link them."},
         {"IN meters:", "input level after INPUT, five lamps over 24 dB."},
         {"PRE-DELAY:", "a gap before the first echo, as a fraction of the delay time. The left "
                        "small knob steps the numerator, the right one the denominator; Shift- or "
                        "Ctrl-click steps back."},
         {"TIME, FREE:", "drag up or right between the two small knobs (or use the wheel there) to "
                         "set the time within its range, Shift for fine. The left knob shortens, "
                         "the right one lengthens by 1/1000 of the range, with Shift by 10/1000, "
                         "with Ctrl by 100/1000."},
         {"TIME, BEAT:", "the time is a note value of the tempo: the left knob steps the "
                         "numerator, the right one the denominator; Shift- or Ctrl-click steps "
                         "back."},
         {"0.1 / 1 / 5 s:", "longest free time. In BEAT mode it follows the note value."},
         {"FEEDBACK PAN:", "where the repeats go: back into their own line or across to the other "
                           "one (ping-pong). LEVEL: how much comes back."},
         {"ECHO PAN:", "place of this line in the stereo output. GATE: silences quiet tails, more "
                       "the further right; fully left it stays open."},
         {"FB INV / DLY INV:", "invert the feedback, or the line's output. MUTE IN: closes the "
                               "line's input; with high feedback the echoes keep circling."},
     }},
    {"MODULATION",
     {
         {"Shapes:", "click one of the five shapes in the column: sine, square, triangle, saw or "
                     "random steps."},
         {"FREQ / NOTE / SYNC:", "FREQ sets the LFO rate in Hz (0.01 to 15 Hz). NOTE makes the "
                                 "period a note value of the tempo. SYNC does the same and locks "
                                 "the phase to the host's song position, so the sweep always "
                                 "starts alike at the same bar."},
         {"RATE in FREQ:", "drag up or right between the two small knobs (wheel there too, Shift "
                           "for fine) to set the rate. The knobs nudge it down and up by "
                           "0.001 Hz."},
         {"RATE in NOTE, SYNC:", "the left small knob steps the numerator, the right one the "
                                 "denominator; Shift- or Ctrl-click steps back."},
         {"LR OFFSET:", "shifts the phase of the right channel's LFO against the left one; the "
                        "centre keeps them together, the ends give the widest offset either "
                        "way."},
         {"MOD SRC:", "blend of the two sources: fully left the LFO alone, fully right the "
                      "envelope follower alone."},
         {"SENS:", "input gain of the envelope follower: the more, the harder quiet playing "
                   "drives it."},
         {"ENV SPEED:", "response time of the envelope follower, 100 to 1000 ms."},
         {"Where it goes:", "the blend drives the speed of the VCO mode (VCO MOD) and the filter "
                            "(CUT MOD, RESO MOD)."},
         {"Knobs:", "drag, Shift for fine, Ctrl-click for the default, wheel in 1/32 steps."},
     }},
    {"VCO (CLOCKED DELAY)",
     {
         {"VCO lamp:", "switches the delay lines to their clocked mode: they run on a clock of "
                       "their own, like an analogue bucket-brigade line. A faster clock makes the "
                       "echoes shorter and higher, a slower one longer and lower, and every change "
                       "of speed bends the pitch of what is already in the line."},
         {"VCO MAN:", "manual clock speed, from half to twice the normal speed; the centre is the "
                      "normal speed, where the delay time is what the delay section says."},
         {"VCO MOD:", "how far the modulation (LFO and envelope blend, see MODULATION) moves the "
                      "speed: to the right of the centre in one direction, to the left in the "
                      "other; the centre gives none. Small amounts give chorus and tape-like wow, "
                      "large ones deep sweeps."},
         {"Knobs:", "drag, Shift for fine, Ctrl-click for the default, wheel in 1/32 steps. Click "
                    "the lamp to switch the mode on or off."},
     }},
    {"FILTER AND DRIVE",
     {
         {"FILTER lamp:", "switches the resonant filter on or off."},
         {"IN / FB / FX:", "where the filter sits. IN filters the input before the delays (the "
                           "dry signal too). FB puts it in the feedback loop, so each repeat is "
                           "filtered once more than the one before. FX filters only what you hear "
                           "of the delays; the repeats in the loop stay untouched."},
         {"LP / BP / HP:", "low-pass, band-pass or high-pass."},
         {"CUTOFF:", "corner frequency, up to 16 kHz at the right."},
         {"RESO:", "resonance; high settings ring and saturate softly rather than run away."},
         {"DRIVE:", "warms and saturates the signal ahead of the delays; fully left it is off."},
         {"CUT MOD / RESO MOD:", "how far the modulation blend moves the cutoff and the "
                                 "resonance, up or down from the centre, which gives none."},
         {"Controls:", "knobs drag, Shift for fine, Ctrl-click for the default, wheel in 1/32 "
                       "steps; click a switch position to choose it, Ctrl-click for the default."},
     }},
    {"REVERB",
     {
         {"REVERB lamp:", "switches the reverb on or off."},
         {"SPRING / PLATE:", "the kind of reverb: the boingy, dripping spring or the dense, smooth "
                             "plate."},
         {"FX / OUT:", "what the reverb receives. FX: the delays alone, the dry signal stays "
                       "clean. OUT: the whole mix, dry signal included; the ducker then acts on "
                       "the dry signal too."},
         {"DAMP:", "takes the highs out of the reverb; fully left it is brightest."},
         {"AMOUNT:", "fades from the plain signal towards the reverb."},
         {"Controls:", "knobs drag, Shift for fine, Ctrl-click for the default, wheel in 1/32 "
                       "steps."},
     }},
    {"PANEL EDGES AND PRESET RAIL",
     {
         {"Side edges:", "click either edge of the panel to turn the unit around and read its "
                         "version on the back; click again to return. The ? key opens this help."},
         {"Name:", "click the preset name to type a new one (24 characters at most); Enter keeps "
                   "it, Escape drops it. The arrow beside it lists all 61 presets. STEP selects "
                   "the previous or the next preset."},
         {"Load and save", "(BANK, PRESET, MIDI): the key with the open folder loads a file, "
                           "the one with the disk saves. Right-click a load key for a file "
                           "written on a machine of the other byte order."},
         {"DEF:", "double-click to store the bank, preset or MIDI settings as the defaults every "
                  "new instance starts with; Ctrl and double-click erases the stored bank or "
                  "preset. A single click does nothing."},
         {"MEMO A / B:", "the left key keeps the current settings, the right key brings them back."},
         {"CONTROLLER:", "names the MIDI controller of the control under the mouse."},
         {"LEARN:", "switch it on, touch a control, then move a controller on your MIDI gear: it "
                    "now moves that control. UNLEARN: switch it on and touch a control to free it "
                    "of its controller. Each switches the other off."},
     }},
};

struct Word {
    std::string text;
    bool bold;
};

std::vector<Word> wordsOf(const Paragraph& p) {
    std::vector<Word> words;
    for (int part = 0; part < 2; ++part) {
        std::istringstream in(part == 0 ? p.head : p.body);
        std::string w;
        while (in >> w) words.push_back({w, part == 0});
    }
    return words;
}

constexpr double bodySize = 8.0, lineHeight = 10.0, paragraphGap = 2.4;
constexpr double columnTop = 32.5, columnBottom = 152, columnWidth = 283;
const double columnLeft[3] = {30, 330, 630};

void darkenedPanel(cairo_t* cr, cairo_surface_t* panel, int page) {
    cairo_set_source_surface(cr, panel, 0, 0);
    cairo_rectangle(cr, 0, 0, pageWidth, pageHeight);
    cairo_fill(cr);
    fillRect(cr, 0, 0, pageWidth, pageHeight, rgb(8, 10, 14), 0.88);
    for (const Polygon& polygon : regionsOf(page)) {
        cairo_new_path(cr);
        for (const auto& [x, y] : polygon) cairo_line_to(cr, x, y);
        cairo_close_path(cr);
        cairo_save(cr);
        cairo_clip_preserve(cr);
        cairo_set_source_surface(cr, panel, 0, 0);
        cairo_paint_with_alpha(cr, 0.10);
        setColour(cr, palette::accent, 0.9);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
}

// Splits a paragraph into lines that fit a column.
std::vector<std::vector<Word>> wrap(cairo_t* cr, const Paragraph& p) {
    std::vector<std::vector<Word>> lines(1);
    double x = 0;
    for (const Word& w : wordsOf(p)) {
        useFont(cr, bodySize, w.bold);
        const double width = textWidth(cr, w.text);
        if (x > 0 && x + width > columnWidth) {
            lines.emplace_back();
            x = 0;
        }
        lines.back().push_back(w);
        x += width + textWidth(cr, " ");
    }
    return lines;
}

// Fills three columns of about equal height, never splitting a paragraph.
void layoutText(cairo_t* cr, const Page& page, int index) {
    std::vector<std::vector<std::vector<Word>>> wrapped;
    double total = 0;
    for (const Paragraph& p : page.paragraphs) {
        wrapped.push_back(wrap(cr, p));
        total += wrapped.back().size() * lineHeight + paragraphGap;
    }
    const double capacity = columnBottom - columnTop + lineHeight;
    const double target = total / 3;
    int column = 0;
    double used = 0;
    for (const auto& lines : wrapped) {
        const double h = lines.size() * lineHeight + paragraphGap;
        if (used > 0 && column < 2 && (used + h / 2 > target || used + h > capacity)) {
            ++column;
            used = 0;
        }
        if (used + h - paragraphGap > capacity)
            throw std::runtime_error("help page " + std::to_string(index) + " is too long");
        double y = columnTop + used;
        for (const auto& line : lines) {
            double x = columnLeft[column];
            for (const Word& w : line) {
                text(cr, w.text, x, y, bodySize, w.bold,
                     w.bold ? rgb(255, 206, 130) : rgb(230, 233, 234));
                useFont(cr, bodySize, w.bold);
                x += textWidth(cr, w.text) + textWidth(cr, " ");
            }
            y += lineHeight;
        }
        used += h;
    }
}

}  // namespace

void drawHelpPages(cairo_t* cr, const Bitmap& bitmap) {
    const double scale = scaleOf(cr);
    cairo_surface_t* panel = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, deviceSize(pageWidth, scale), deviceSize(lumdel::panel::kHeight, scale));
    cairo_surface_set_device_scale(panel, scale, scale);
    cairo_t* pc = cairo_create(panel);
    drawFrontPanel(pc, bitmap);
    cairo_destroy(pc);

    for (int page = 0; page < bitmap.frames; ++page) {
        cairo_save(cr);
        cairo_translate(cr, 0, page * pageHeight);
        cairo_rectangle(cr, 0, 0, pageWidth, pageHeight);
        cairo_clip(cr);
        darkenedPanel(cr, panel, page);
        text(cr, pages[page].title, 30, 18, 9.5, true, palette::accent);
        const std::string hint = page == 0 ? "point at a section for its page  \xc2\xb7  click to close"
                                           : "page " + std::to_string(page) +
                                                 " of 7  \xc2\xb7  click to close";
        text(cr, hint, 912, 18, 6.5, false, palette::legendDim, Align::right);
        fillRect(cr, 30, 22, 882, 1, palette::accent, 0.35);
        layoutText(cr, pages[page], page);
        cairo_restore(cr);
    }
    cairo_surface_destroy(panel);
}

}  // namespace artwork
