// Drawing helpers shared by every piece of the panel artwork: colours, text, shapes.
#pragma once

#include <cairo.h>

#include <string>

namespace artwork {

struct Colour {
    double r, g, b;
};

constexpr Colour rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

// The palette of the unit. Bitmaps without alpha that sit on the panel paint their
// corners in the colour of the panel beneath them, so these must stay in step.
namespace palette {
constexpr Colour panel = rgb(40, 42, 46);          // dark front plate
constexpr Colour panelLight = rgb(62, 65, 70);     // engraved line highlight
constexpr Colour panelShade = rgb(22, 23, 26);     // engraved line shadow
constexpr Colour ear = rgb(56, 58, 62);            // rack ears
constexpr Colour strip = rgb(178, 184, 189);       // light preset rail at the bottom
constexpr Colour stripInk = rgb(36, 36, 32);       // legends printed on the rail
constexpr Colour legend = rgb(214, 218, 216);      // legends printed on the plate
constexpr Colour legendDim = rgb(150, 155, 156);
constexpr Colour caption = rgb(198, 202, 203);     // captions over groups and the rail keys
constexpr Colour accent = rgb(238, 172, 72);       // section titles, lit keys
constexpr Colour readoutBack = rgb(20, 8, 8);      // behind the LED digits
constexpr Colour segmentOff = rgb(52, 18, 15);
constexpr Colour segmentOn = rgb(255, 58, 34);
constexpr Colour keyCap = rgb(58, 61, 66);         // preset bar keys
}  // namespace palette

void setColour(cairo_t* cr, Colour c, double alpha = 1.0);
Colour mix(Colour a, Colour b, double t);
Colour scale(Colour c, double f);

void fillRect(cairo_t* cr, double x, double y, double w, double h, Colour c, double alpha = 1.0);
void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

// Fixed font options so that every build draws the same pixels.
void useFont(cairo_t* cr, double size, bool bold);
double textWidth(cairo_t* cr, const std::string& text);

enum class Align { left, centre, right };
// Draws text with its baseline at y; x is the left edge, centre or right edge.
void text(cairo_t* cr, const std::string& s, double x, double y, double size, bool bold, Colour c,
          Align align = Align::left, double alpha = 1.0);
// Text with extra space between the letters, centred at cx.
void spacedText(cairo_t* cr, const std::string& s, double cx, double y, double size, bool bold,
                Colour c, double spacing);

// A screw head with a slot at the given angle (radians).
void screw(cairo_t* cr, double cx, double cy, double r, double angle);

// Verifies that the font in use really is DejaVu Sans; throws otherwise.
void checkFont();

}  // namespace artwork
