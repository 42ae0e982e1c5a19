// Legibility of the printed captions and labels: the colours are sampled from the front
// panel as generated (the background is the commonest colour around a caption; of the
// pixels that stand out from it, the median one is the caption's colour), and every
// class of caption must reach a contrast of 4.5 : 1 by the relative-luminance formula
// of the web's accessibility guidelines. The figures are printed for the record.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "resources/PanelLayout.h"
#include "DecodedBitmap.h"
#include "resources/Resources.h"

namespace lumdel::panel {
namespace {

using lumdel::testing::Surface;


std::uint32_t rgbAt(cairo_surface_t* s, int x, int y) {
    const unsigned char* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    std::uint32_t p;
    std::memcpy(&p, row + 4 * x, 4);
    return p & 0xFFFFFF;
}

double luminance(std::uint32_t rgb) {
    double l = 0;
    const double weight[3] = {0.0722, 0.7152, 0.2126};  // blue, green, red
    for (int i = 0; i < 3; ++i) {
        const double c = ((rgb >> (8 * i)) & 255) / 255.0;
        l += weight[i] * (c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return l;
}

double contrast(std::uint32_t a, std::uint32_t b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of what is printed in a box against the box's commonest colour (its
// background): the contrast that half the printed pixels reach at least (the median),
// so that a caption's thin, half-covered pixels and its bracket count as they are seen.
double captionContrast(cairo_surface_t* panel, const Rect& box) {
    std::map<std::uint32_t, int> count;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) ++count[rgbAt(panel, x, y)];
    std::uint32_t background = 0;
    int most = 0;
    for (const auto& [colour, n] : count)
        if (n > most) most = n, background = colour;
    std::vector<double> printed;
    for (const auto& [colour, n] : count) {
        const double c = contrast(colour, background);
        if (c > 1.5) printed.insert(printed.end(), static_cast<std::size_t>(n), c);
    }
    if (printed.size() < 10) return 0;  // nothing printed there: the box is wrong
    std::sort(printed.begin(), printed.end());
    return printed[printed.size() / 2];
}

struct CaptionClass {
    std::string name;
    std::vector<Rect> boxes;
};

// Where each class of caption is printed on the front panel.
std::vector<CaptionClass> captionClasses() {
    std::vector<CaptionClass> classes;
    const auto strip = [](StripControl first, StripControl last) {
        return Rect{stripPlace(first).rect.left, kRailCaptionTop, stripPlace(last).rect.right,
                    kPlateHeight - 1};
    };
    using S = StripControl;
    classes.push_back({"rail captions: BANK", {strip(S::SaveBank, S::LoadBank)}});
    classes.push_back({"rail captions: PRESET", {strip(S::SavePreset, S::LoadPreset)}});
    classes.push_back({"rail captions: NAME", {strip(S::Name, S::Menu)}});
    classes.push_back({"rail captions: STEP", {strip(S::Step, S::Step)}});
    classes.push_back({"rail captions: MEMO A", {strip(S::StoreMemoA, S::RecallMemoA)}});
    classes.push_back({"rail captions: MEMO B", {strip(S::StoreMemoB, S::RecallMemoB)}});
    classes.push_back({"rail captions: MIDI", {strip(S::SaveMidi, S::LoadMidi)}});
    classes.push_back({"rail captions: CONTROLLER",
                       {strip(S::ControllerDisplay, S::ControllerDisplay)}});
    classes.push_back({"rail captions: LEARN", {strip(S::Learn, S::Unlearn)}});

    // Knob labels: under each knob of the upper and lower rows.
    CaptionClass knobs{"knob labels", {}};
    for (const Place& p : kPlaces) {
        if (p.kind != Kind::Knob) continue;
        const int baseline = p.rect.top < kSectionSplit ? 74 : 138;
        knobs.boxes.push_back({p.rect.left, baseline - 7, p.rect.right, baseline + 2});
    }
    classes.push_back(knobs);

    // Section titles along the top (and the modulation section's in the middle).
    classes.push_back({"section titles",
                       {{130, 4, 176, 13}, {445, 4, 500, 13}, {580, 4, 610, 13},
                        {705, 4, 752, 13}, {845, 4, 896, 13}, {430, 81, 515, 90}}});
    // Group captions over the feedback and echo knobs.
    const Rect fb = place(Control::FbPan).rect, echo = place(Control::DlyPan).rect;
    classes.push_back({"group captions (FEEDBACK, ECHO)",
                       {{fb.left + 8, fb.top - 14, fb.left + 60, fb.top - 6},
                        {echo.left + 8, echo.top - 14, echo.left + 60, echo.top - 6}}});
    return classes;
}

// At every scale the panel is drawn at (the text drawn at that resolution).
TEST(Legibility, EveryCaptionReachesFourAndAHalfToOne) {
    for (double scale : {1.0, 1.5, 2.0}) {
        Surface panel = lumdel::testing::decodeResource(id(Bitmap::FrontPanel), scale);
        ASSERT_TRUE(panel);
        const auto in = [scale](int v) { return static_cast<int>(std::floor(v * scale)); };
        for (const CaptionClass& c : captionClasses()) {
            double worst = 1e9;
            for (const Rect& b : c.boxes)
                worst = std::min(worst, captionContrast(panel.get(), Rect{in(b.left), in(b.top),
                                                                          in(b.right), in(b.bottom)}));
            std::printf("contrast at %.1fx %-32s %.2f : 1\n", scale, c.name.c_str(), worst);
            EXPECT_GE(worst, 4.5) << c.name << " at " << scale;
        }
    }
}

}  // namespace
}  // namespace lumdel::panel
