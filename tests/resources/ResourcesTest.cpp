// The embedded editor bitmaps: sizes and frame layouts at every scale, 2x pictures that
// are the 1x drawing in finer detail, frames that must differ, bitmaps that must blend
// with the panel beneath them, and a generator that repeats itself exactly.
#include "DecodedBitmap.h"
#include "resources/Resources.h"
#include "resources/PanelLayout.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every bitmap as the layout describes it: the decoded resources must match.
struct Expected {
    int id, width, height, frames;
    bool alpha;
};

std::vector<Expected> allBitmaps() {
    std::vector<Expected> all;
    for (const lumdel::panel::BitmapSpec& s : lumdel::panel::kBitmaps)
        all.push_back({lumdel::panel::id(s.bitmap), s.width, s.height, s.frames, s.alpha});
    return all;
}
const std::vector<Expected> expected = allBitmaps();

using lumdel::testing::Surface;

Surface decode(int id) { return lumdel::testing::decodeResource(id); }

uint32_t pixel(cairo_surface_t* s, int x, int y) {
    const unsigned char* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    uint32_t p;
    std::memcpy(&p, row + 4 * x, 4);
    return cairo_image_surface_get_format(s) == CAIRO_FORMAT_RGB24 ? (p | 0xff000000u) : p;
}

int channelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int d = std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff));
        worst = d > worst ? d : worst;
    }
    return worst;
}

// Number of pixels in which frames a and b of a strip differ.
int framesDiffer(cairo_surface_t* s, int frameHeight, int a, int b) {
    int n = 0;
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < cairo_image_surface_get_width(s); ++x)
            n += pixel(s, x, a * frameHeight + y) != pixel(s, x, b * frameHeight + y);
    return n;
}

double frameBrightness(cairo_surface_t* s, int frameHeight, int f) {
    double sum = 0;
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < cairo_image_surface_get_width(s); ++x) {
            const uint32_t p = pixel(s, x, f * frameHeight + y);
            sum += ((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff);
        }
    return sum;
}

const Expected& expectedFor(int id) {
    for (const Expected& e : expected)
        if (e.id == id) return e;
    throw std::runtime_error("no such bitmap");
}

const double kScales[] = {1.0, 1.5, 2.0};

// Pixels for this many panel pixels at a scale, an odd half rounded up.
int scaled(int logical, double scale) {
    const double d = logical * scale;
    return static_cast<int>(d) < d ? static_cast<int>(d) + 1 : static_cast<int>(d);
}

TEST(Resources, EveryBitmapDecodesWithItsSizeFormatAndFramesAtEveryScale) {
    for (double scale : kScales)
        for (const Expected& e : expected) {
            SCOPED_TRACE("bitmap " + std::to_string(e.id) + " at " + std::to_string(scale));
            Surface s = lumdel::testing::decodeResource(e.id, scale);
            ASSERT_TRUE(s);
            EXPECT_EQ(cairo_image_surface_get_width(s.get()), scaled(e.width, scale));
            EXPECT_EQ(cairo_image_surface_get_height(s.get()), scaled(e.height, scale));
            EXPECT_EQ(cairo_image_surface_get_format(s.get()),
                      e.alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24);
            EXPECT_EQ(e.height % e.frames, 0);
        }
    EXPECT_EQ(lumdel::findResource(128, 3.0), nullptr);
}

// The 2x pictures are the same drawing with twice the detail: averaged over each 2 x 2
// block they come close to the 1x picture (so nothing is shifted, cut or drawn at the
// wrong size), and they are no 1x picture blown up (blocks of four equal pixels only).
TEST(Resources, TwoTimesPicturesAreTheSameDrawingWithFinerDetail) {
    for (const Expected& e : expected) {
        SCOPED_TRACE("bitmap " + std::to_string(e.id));
        Surface one = decode(e.id), two = lumdel::testing::decodeResource(e.id, 2.0);
        ASSERT_TRUE(one && two);
        double difference = 0;
        int finer = 0;
        for (int y = 0; y < e.height; ++y)
            for (int x = 0; x < e.width; ++x) {
                const uint32_t p[4] = {pixel(two.get(), 2 * x, 2 * y), pixel(two.get(), 2 * x + 1, 2 * y),
                                       pixel(two.get(), 2 * x, 2 * y + 1),
                                       pixel(two.get(), 2 * x + 1, 2 * y + 1)};
                if (p[0] != p[1] || p[0] != p[2] || p[0] != p[3]) ++finer;
                const uint32_t q = pixel(one.get(), x, y);
                for (int shift = 0; shift < 24; shift += 8) {
                    double mean = 0;
                    for (uint32_t v : p) mean += ((v >> shift) & 0xff) / 4.0;
                    difference += std::abs(mean - ((q >> shift) & 0xff));
                }
            }
        const double pixels = double(e.width) * e.height;
        EXPECT_LT(difference / (3 * pixels), 12.0);  // mean difference per channel, of 255
        if (e.width * e.height > 100) {
            EXPECT_GT(finer, pixels / 50);
        }
    }
}

TEST(Resources, UnknownNumbersHaveNoBitmap) {
    for (int id : {-1, 0, 127, 156, 989, 1000, 1 << 30})
        EXPECT_EQ(lumdel::findResource(id), nullptr) << id;
    for (const Expected& e : expected) EXPECT_EQ(lumdel::findResource(e.id)->id, e.id);
}

TEST(Resources, EveryFrameOfAStripIsDistinctWhereTheControlChanges) {
    // Film strips whose frames all show different states.
    for (int id : {130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145,
                   146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 990, 991, 992, 993, 994, 995,
                   996, 997, 998, 999}) {
        SCOPED_TRACE("bitmap " + std::to_string(id));
        const Expected& e = expectedFor(id);
        Surface s = decode(id);
        ASSERT_TRUE(s);
        const int h = e.height / e.frames;
        // Neighbouring frames (one knob step, one meter step) and every pair for short strips.
        for (int a = 0; a + 1 < e.frames; ++a) EXPECT_GT(framesDiffer(s.get(), h, a, a + 1), 0) << a;
        if (e.frames <= 13) {
            for (int a = 0; a < e.frames; ++a)
                for (int b = a + 2; b < e.frames; ++b) {
                    EXPECT_GT(framesDiffer(s.get(), h, a, b), 0) << a << " " << b;
                }
        }
    }
    // The knob pointer sweeps: first and last frames differ a lot.
    Surface knob = decode(134);
    EXPECT_GT(framesDiffer(knob.get(), 37, 0, 100), 40);
}

TEST(Resources, FileKeysReadDifferentlyFromEachOtherAndFromTheMemoryKeys) {
    using lumdel::panel::Bitmap;
    using lumdel::panel::StripControl;
    using lumdel::panel::stripPlace;
    // The rail's file keys show their own load and save bitmaps, the memories theirs.
    for (StripControl c : {StripControl::LoadBank, StripControl::LoadPreset, StripControl::LoadMidi})
        EXPECT_EQ(stripPlace(c).bitmap, Bitmap::LoadKey);
    for (StripControl c : {StripControl::SaveBank, StripControl::SavePreset, StripControl::SaveMidi})
        EXPECT_EQ(stripPlace(c).bitmap, Bitmap::SaveKey);
    for (StripControl c : {StripControl::RecallMemoA, StripControl::RecallMemoB})
        EXPECT_EQ(stripPlace(c).bitmap, Bitmap::MemoRecallKey);
    for (StripControl c : {StripControl::StoreMemoA, StripControl::StoreMemoB})
        EXPECT_EQ(stripPlace(c).bitmap, Bitmap::MemoStoreKey);

    // Every one of the four has the keys' frame layout (normal, hovered, pressed) ...
    const int ids[] = {990, 991, 996, 997};
    for (int id : ids) {
        const Expected& e = expectedFor(id);
        EXPECT_EQ(e.width, 17) << id;
        EXPECT_EQ(e.frames, 3) << id;
        EXPECT_EQ(e.height / e.frames, 15) << id;
    }
    // ... and shows a glyph of its own in every state: load and save differ from each
    // other and from the memory key of the same direction, so a tray arrow (read both ways)
    // never comes back on a file key.
    Surface s[4] = {decode(990), decode(991), decode(996), decode(997)};
    for (const Surface& b : s) ASSERT_TRUE(b);
    const std::pair<int, int> pairs[] = {{0, 1}, {0, 2}, {1, 3}, {0, 3}, {1, 2}};
    for (auto [a, b] : pairs)
        for (int f = 0; f < 3; ++f) {
            int n = 0;
            for (int y = 0; y < 15; ++y)
                for (int x = 0; x < 17; ++x)
                    n += channelDistance(pixel(s[a].get(), x, f * 15 + y),
                                         pixel(s[b].get(), x, f * 15 + y)) > 40;
            EXPECT_GT(n, 15) << ids[a] << " vs " << ids[b] << " frame " << f;
        }
}

// Where the white pointer of knob frame f points, as the centre of its bright pixels
// relative to the knob's centre.
void pointerDirection(cairo_surface_t* s, int frameHeight, int f, double& dx, double& dy) {
    const double c = 18.5;
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < cairo_image_surface_get_width(s); ++x) {
            const uint32_t p = pixel(s, x, f * frameHeight + y);
            const bool white = ((p >> 16) & 0xff) > 200 && ((p >> 8) & 0xff) > 200 && (p & 0xff) > 200;
            const double rx = x + 0.5 - c, ry = y + 0.5 - c;
            if (white && rx * rx + ry * ry > 25) {
                sx += rx;
                sy += ry;
                ++n;
            }
        }
    dx = n ? sx / n : 0;
    dy = n ? sy / n : 0;
}

TEST(Resources, KnobPointersSweepClockwiseFromLowerLeftToLowerRight) {
    for (int id = 130; id <= 139; ++id) {
        SCOPED_TRACE("bitmap " + std::to_string(id));
        const Expected& e = expectedFor(id);
        Surface s = decode(id);
        const int h = e.height / e.frames;
        double dx, dy;
        pointerDirection(s.get(), h, 0, dx, dy);
        EXPECT_LT(dx, -2);
        EXPECT_GT(dy, 2);
        pointerDirection(s.get(), h, 50, dx, dy);
        EXPECT_NEAR(dx, 0, 1);
        EXPECT_LT(dy, -5);
        pointerDirection(s.get(), h, 100, dx, dy);
        EXPECT_GT(dx, 2);
        EXPECT_GT(dy, 2);
        pointerDirection(s.get(), h, 25, dx, dy);
        EXPECT_LT(dx, -5);  // a quarter of the way: pointing left, a little up
    }
}

TEST(Resources, LampsAndMetersGetBrighterWhenLit) {
    for (int id : {150, 151, 155, 998}) {
        Surface s = decode(id);
        const Expected& e = expectedFor(id);
        const int h = e.height / e.frames;
        EXPECT_GT(frameBrightness(s.get(), h, e.frames - 1), frameBrightness(s.get(), h, 0)) << id;
    }
    // The meter lights up step by step, from all dark to all lit.
    Surface meter = decode(153);
    for (int f = 0; f < 20; ++f)
        EXPECT_LT(frameBrightness(meter.get(), 45, f), frameBrightness(meter.get(), 45, f + 1)) << f;
    // The channel buttons: the selected look (frame 0) is the lit one.
    for (int id : {148, 149}) {
        Surface s = decode(id);
        EXPECT_GT(frameBrightness(s.get(), 46, 0), frameBrightness(s.get(), 46, 1)) << id;
    }
}

// Controls without alpha paint their corners; those must match the panel beneath.
TEST(Resources, OpaqueControlsBlendWithThePanelBeneath) {
    Surface panel = decode(128);
    struct Place {
        int id, frameHeight;
        int x, y, w, h;  // where the visible part of a frame lands on the panel
        int sx, sy;      // that part's offset inside the frame
    };
    const Place places[] = {
        {130, 37, 162, 31, 33, 33, 2, 2}, {134, 37, 384, 30, 33, 33, 2, 2},
        {133, 37, 524, 30, 33, 33, 2, 2}, {135, 37, 431, 95, 33, 33, 2, 2},
        {136, 37, 477, 95, 33, 33, 2, 2}, {138, 36, 579, 30, 32, 32, 2, 2},
        {139, 36, 579, 95, 32, 32, 2, 2}, {131, 36, 679, 30, 32, 32, 2, 2},
        {132, 36, 727, 95, 32, 32, 2, 2}, {137, 36, 878, 30, 32, 32, 2, 2},
        {150, 20, 61, 70, 24, 20, 0, 0},  {151, 20, 340, 53, 24, 20, 0, 0},
        {150, 20, 887, 102, 24, 20, 0, 0}, {140, 19, 90, 24, 19, 19, 0, 0},
        {141, 19, 296, 113, 19, 19, 0, 0}, {993, 13, 134, 156, 44, 13, 0, 0},
        {999, 16, 882, 155, 24, 16, 0, 0}, {144, 16, 313, 26, 13, 16, 0, 0},
    };
    for (const Place& p : places) {
        SCOPED_TRACE("bitmap " + std::to_string(p.id));
        Surface s = decode(p.id);
        const int frames = cairo_image_surface_get_height(s.get()) / p.frameHeight;
        for (int f = 0; f < frames; ++f) {
            const int corners[4][2] = {{0, 0}, {p.w - 1, 0}, {0, p.h - 1}, {p.w - 1, p.h - 1}};
            for (const auto& c : corners) {
                const uint32_t mine = pixel(s.get(), p.sx + c[0], f * p.frameHeight + p.sy + c[1]);
                const uint32_t beneath = pixel(panel.get(), p.x + c[0], p.y + c[1]);
                EXPECT_LE(channelDistance(mine, beneath), 3)
                    << "frame " << f << " corner " << c[0] << "," << c[1];
            }
        }
    }
}

double brightness(uint32_t p) { return ((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff); }

// Every band of every section of the panel table is lit on its help page, and only
// there: inside it, the page is brighter than the general page (which lights nothing)
// nearly everywhere but where the general page has text; on any other page it is not.
TEST(Resources, HelpHighlightCoversEverySectionOfItsPage) {
    namespace panel = lumdel::panel;
    Surface pages = decode(154);
    ASSERT_TRUE(pages);
    const int h = panel::kPlateHeight;
    for (const panel::Section& s : panel::kSections) {
        const int page = static_cast<int>(s.page);
        const struct {
            panel::Span span;
            int top, bottom;
        } bands[] = {{s.upper, 0, panel::kSectionSplit},
                     {s.lower, panel::kSectionSplit, panel::kRailCaptionTop},
                     {s.rail, panel::kRailCaptionTop, h}};
        for (const auto& b : bands) {
            if (b.span.empty()) continue;
            SCOPED_TRACE("page " + std::to_string(page) + " columns " +
                         std::to_string(b.span.left) + ".." + std::to_string(b.span.right) +
                         " rows " + std::to_string(b.top) + ".." + std::to_string(b.bottom));
            for (int other = 1; other < panel::kNumHelpPages; ++other) {
                int lit = 0, all = 0;
                for (int y = b.top + 3; y < b.bottom - 3; ++y)
                    for (int x = b.span.left + 3; x < b.span.right - 3; ++x, ++all)
                        lit += brightness(pixel(pages.get(), x, other * h + y)) >
                               brightness(pixel(pages.get(), x, y));
                ASSERT_GT(all, 0);
                if (other == page)
                    EXPECT_GT(lit, all * 2 / 3) << lit << " of " << all;
                else
                    EXPECT_LT(lit, all / 3) << "on page " << other << ": " << lit << " of " << all;
            }
        }
    }
}

TEST(Resources, RearPanelLeavesADarkWindowForTheVersionText) {
    Surface rear = decode(129);
    for (int y = 70; y < 85; ++y)
        for (int x = 740; x < 840; ++x) {
            const uint32_t p = pixel(rear.get(), x, y);
            ASSERT_LT(((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff), 3 * 40) << x << "," << y;
        }
}

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Resources, GeneratorIsDeterministicAndMatchesWhatIsEmbedded) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "lumdel-artwork-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path base = pattern;
    const fs::path one = base / "one", two = base / "two";
    fs::create_directories(one);
    fs::create_directories(two);
    for (const fs::path& dir : {one, two}) {
        const std::string command = std::string("\"") + LUMDEL_ARTWORK_TOOL + "\" \"" + dir.string() +
                                    "\" \"" + (dir / "embedded.cpp").string() + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    for (double scale : kScales)
        for (const Expected& e : expected) {
            const std::string name = std::to_string(e.id) +
                                     (scale == 1.0 ? "" : scale == 1.5 ? "@1.5x" : "@2x") + ".png";
            SCOPED_TRACE(name);
            const std::string a = slurp(one / name), b = slurp(two / name);
            ASSERT_FALSE(a.empty());
            EXPECT_TRUE(a == b);
            const lumdel::ResourceData* res = lumdel::findResource(e.id, scale);
            ASSERT_NE(res, nullptr);
            EXPECT_TRUE(a == std::string(reinterpret_cast<const char*>(res->data), res->size));
        }
    EXPECT_TRUE(slurp(one / "embedded.cpp") == slurp(two / "embedded.cpp"));
    fs::remove_all(base);
}

}  // namespace
