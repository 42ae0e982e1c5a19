// lumdel-artwork: draws every bitmap of the editor at each scale (1, 1.5, 2) and writes
// them as PNG files (130.png, 130@1.5x.png, 130@2x.png), plus a C++ source that embeds
// the PNG bytes for lumdel::findResource.
//
//   lumdel-artwork OUT_DIR [SOURCE.cpp]
//   lumdel-artwork --preview OUT.png [X Y WIDTH HEIGHT SCALE [ID]]
//
// The second form writes the front panel with every control laid on it, or a magnified
// part of it (or of the bitmap ID alone), to judge the look without the editor.
//
// The output depends on nothing but this program and the DejaVu Sans font, so two runs
// give byte-identical files.
#include "Artwork.h"
#include "Paint.h"
#include "Preview.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace artwork {

namespace {

using DrawFunction = void (*)(cairo_t*, const Bitmap&);

DrawFunction drawFunction(panel::Bitmap b) {
    using B = panel::Bitmap;
    switch (b) {
        case B::FrontPanel: return drawFrontPanel;
        case B::RearPanel: return drawRearPanel;
        case B::KnobDelay: case B::KnobFilter: case B::KnobFilterMod: case B::KnobOutput:
        case B::KnobInput: case B::KnobModulation: case B::KnobFollower: case B::KnobReverb:
        case B::KnobVco: case B::KnobVcoMod: return drawKnobStrip;
        case B::StepForward: case B::StepBack: return drawStepKnob;
        case B::Switch2: case B::Switch3: return drawSlideSwitch;
        case B::Digit: case B::FirstDigit: return drawDigits;
        case B::Slash: return drawSlash;
        case B::Point: return drawPoint;
        case B::LeftKey: case B::RightKey: return drawChannelLabel;
        case B::RedLamp: case B::YellowLamp: return drawLamp;
        case B::LfoShapes: return drawLfoShapes;
        case B::Meter: return drawMeter;
        case B::HelpPages: return drawHelpPages;
        case B::HelpKey: return drawHelpButton;
        case B::LoadKey: case B::SaveKey: return drawFileButton;
        case B::DefaultBankKey: case B::DefaultPresetKey: case B::DefaultMidiKey:
            return drawDefaultButton;
        case B::Rocker: return drawRocker;
        case B::MemoRecallKey: case B::MemoStoreKey: return drawMemoryButton;
        case B::LearnKey: case B::UnlearnKey: return drawLearnButton;
        case B::None: break;
    }
    throw std::logic_error("no drawing for bitmap " + std::to_string(panel::id(b)));
}

}  // namespace

const std::vector<Bitmap>& bitmaps() {
    static const std::vector<Bitmap> list = [] {
        std::vector<Bitmap> all;
        for (const panel::BitmapSpec& s : panel::kBitmaps)
            all.push_back({panel::id(s.bitmap), s.width, s.height, s.frames, s.alpha,
                           drawFunction(s.bitmap)});
        return all;
    }();
    return list;
}

}  // namespace artwork

namespace {

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<unsigned char>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// The bitmap drawn at a scale: the same drawing in logical pixels onto a surface with
// that many device pixels per logical pixel (rounded up at the edges).
cairo_surface_t* draw(const artwork::Bitmap& bitmap, double scale = 1.0) {
    cairo_surface_t* surface = cairo_image_surface_create(
        bitmap.alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24,
        artwork::deviceSize(bitmap.width, scale), artwork::deviceSize(bitmap.height, scale));
    cairo_surface_set_device_scale(surface, scale, scale);
    cairo_t* cr = cairo_create(surface);
    if (!bitmap.alpha) {
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
    }
    bitmap.draw(cr, bitmap);
    const cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        throw std::runtime_error("drawing bitmap " + std::to_string(bitmap.id) + " failed: " +
                                 cairo_status_to_string(status));
    }
    return surface;
}

std::vector<unsigned char> encode(cairo_surface_t* surface, int id) {
    std::vector<unsigned char> png;
    if (cairo_surface_write_to_png_stream(surface, appendBytes, &png) != CAIRO_STATUS_SUCCESS ||
        png.empty())
        throw std::runtime_error("encoding bitmap " + std::to_string(id) + " failed");
    return png;
}

int preview(int argc, char** argv) {
    artwork::PreviewArea area;
    if (argc == 8 || argc == 9) {
        if (argc == 9) area.bitmap = std::stoi(argv[8]);
        area.x = std::stod(argv[3]);
        area.y = std::stod(argv[4]);
        area.width = std::stod(argv[5]);
        area.height = std::stod(argv[6]);
        area.scale = std::stod(argv[7]);
    } else if (argc != 3) {
        std::fprintf(stderr, "usage: %s --preview OUT.png [X Y WIDTH HEIGHT SCALE [ID]]\n", argv[0]);
        return 2;
    }
    std::map<int, cairo_surface_t*> surfaces;
    for (const artwork::Bitmap& bitmap : artwork::bitmaps()) surfaces[bitmap.id] = draw(bitmap);
    artwork::writePreview(surfaces, argv[2], area);
    for (auto& entry : surfaces) cairo_surface_destroy(entry.second);
    return 0;
}

void writeFile(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + temp);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot rename " + temp + " to " + path);
}

// One drawn bitmap: its number, the scale it was drawn at and its PNG bytes.
struct Drawn {
    int id;
    double scale;
    std::vector<unsigned char> png;

    // "130" at 1, "130@1.5x" and "130@2x" at the larger scales.
    std::string name() const {
        if (scale == 1.0) return std::to_string(id);
        std::ostringstream s;
        s << id << "@" << scale << "x";
        return s.str();
    }
    std::string arrayName() const { return "png" + std::to_string(id) + "_" + std::to_string(int(scale * 10)); }
};

std::string sourceFor(const std::vector<Drawn>& pngs) {
    std::ostringstream s;
    s << "// Generated by lumdel-artwork from resources/artwork; do not edit.\n"
         "#include \"resources/Resources.h\"\n\n"
         "namespace lumdel {\nnamespace {\n\n";
    for (const Drawn& d : pngs) {
        s << "const unsigned char " << d.arrayName() << "[" << d.png.size() << "] = {";
        for (std::size_t i = 0; i < d.png.size(); ++i) {
            if (i % 24 == 0) s << "\n";
            s << static_cast<int>(d.png[i]) << ",";
        }
        s << "\n};\n\n";
    }
    s << "const ResourceData resources[] = {\n";
    for (const Drawn& d : pngs)
        s << "    {" << d.id << ", " << d.arrayName() << ", sizeof " << d.arrayName() << ", "
          << d.scale << "},\n";
    s << "};\n\n}  // namespace\n\n"
         "const ResourceData* findResource(int id, double scale) {\n"
         "    for (const ResourceData& r : resources)\n"
         "        if (r.id == id && r.scale == scale) return &r;\n"
         "    return nullptr;\n"
         "}\n\n}  // namespace lumdel\n";
    return s.str();
}

}  // namespace

// Hands back what cairo and fontconfig keep for the whole process, so leak checkers see a
// clean exit.
static int finish(int status) {
    cairo_debug_reset_static_data();
    FcFini();
    return status;
}

static int run(int argc, char** argv);

int main(int argc, char** argv) { return finish(run(argc, argv)); }

static int run(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--preview") {
        try {
            artwork::checkFont();
            return preview(argc, argv);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "lumdel-artwork: %s\n", e.what());
            return 1;
        }
    }
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUT_DIR [SOURCE.cpp]\n", argv[0]);
        return 2;
    }
    try {
        artwork::checkFont();
        const std::string dir = argv[1];
        std::vector<Drawn> pngs;
        for (double scale : artwork::kScales) {
            for (const artwork::Bitmap& bitmap : artwork::bitmaps()) {
                cairo_surface_t* surface = draw(bitmap, scale);
                Drawn drawn{bitmap.id, scale, {}};
                try {
                    drawn.png = encode(surface, bitmap.id);
                } catch (...) {
                    cairo_surface_destroy(surface);
                    throw;
                }
                cairo_surface_destroy(surface);
                writeFile(dir + "/" + drawn.name() + ".png",
                          std::string(drawn.png.begin(), drawn.png.end()));
                pngs.push_back(std::move(drawn));
            }
        }
        if (argc == 3) writeFile(argv[2], sourceFor(pngs));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumdel-artwork: %s\n", e.what());
        return 1;
    }
    return 0;
}
