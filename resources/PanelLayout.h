// The panel table: where every control of the editor sits, which bitmap it shows and to
// which section of the panel (and so to which help page) it belongs, plus every bitmap's
// size and frames. The artwork generator draws the bitmaps and the panel's legends, wells
// and help highlights from it; the editor builds its controls, the readout's hit areas and
// the help regions from it; the preset strip places its keys by it.
//
// It is plain data in logical panel pixels (942 x 171, rectangles left, top, right, bottom
// with right and bottom exclusive) and lives here, beside the bitmaps it names, because
// the generator is a build-time tool that must not include the plug-in's code, while the
// editor and the preset strip may include resources. What a control does for the plug-in
// (its tag, the parameter or channel pair it shows, its default value) is the editor's
// side of the table, editor/PanelTable.h, which names each row here by its Control.
#pragma once

#include <cstddef>

namespace lumdel::panel {

constexpr int kWidth = 942;
constexpr int kHeight = 171;
// The plate above the preset rail (the help pages cover it) between the rack ears.
constexpr int kPlateHeight = 155;
constexpr int kPlateLeft = 23;
constexpr int kPlateRight = 921;

struct Rect {
    int left, top, right, bottom;

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr double centreX() const { return (left + right) / 2.0; }
    constexpr double centreY() const { return (top + bottom) / 2.0; }
    // Mouse positions are whole pixels.
    constexpr bool contains(double x, double y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
};

// The editor's bitmap resources by number.
enum class Bitmap : int {
    None = 0,
    FrontPanel = 128,
    RearPanel = 129,
    KnobDelay = 130,         // the four delay channel knobs
    KnobFilter = 131,        // Cutoff, Reso, Drive
    KnobFilterMod = 132,     // CutfMod, ResoMod
    KnobOutput = 133,        // Output, Ducking
    KnobInput = 134,         // Input, Mix
    KnobModulation = 135,    // LROffset, ModSrc
    KnobFollower = 136,      // ModSens, EnvSpeed
    KnobReverb = 137,        // RvbDamp, RvbAmt
    KnobVco = 138,           // VcoMan
    KnobVcoMod = 139,        // VcoMod
    StepForward = 140,       // stepping knob leaning forward
    StepBack = 141,          // stepping knob leaning back
    Switch2 = 142,           // two-position slide switch
    Switch3 = 143,           // three-position slide switch
    Digit = 144,             // blank, 0 to 9
    FirstDigit = 145,        // blank, 0 to 9, minus, plus
    Slash = 146,
    Point = 147,
    LeftKey = 148,
    RightKey = 149,
    RedLamp = 150,
    YellowLamp = 151,
    LfoShapes = 152,
    Meter = 153,
    HelpPages = 154,
    HelpKey = 155,
    LoadKey = 990,           // load a file: an open folder
    SaveKey = 991,           // save a file: a disk
    DefaultBankKey = 992,
    DefaultPresetKey = 993,
    DefaultMidiKey = 994,
    Rocker = 995,
    MemoRecallKey = 996,     // recall a memory: an arrow into a tray
    MemoStoreKey = 997,      // store a memory: an arrow out of a tray
    LearnKey = 998,
    UnlearnKey = 999,
};

constexpr int id(Bitmap b) { return static_cast<int>(b); }

// The panel's own bitmaps are the consecutive numbers FrontPanel..HelpKey.
constexpr int kFirstPanelBitmap = id(Bitmap::FrontPanel);
constexpr int kNumPanelBitmaps = id(Bitmap::HelpKey) - id(Bitmap::FrontPanel) + 1;

struct BitmapSpec {
    Bitmap bitmap;
    int width, height;
    int frames;  // stacked vertically
    bool alpha;  // 32 bits with transparency; otherwise 24 bits

    constexpr int frameHeight() const { return height / frames; }
};

// Every bitmap, in number order.
constexpr BitmapSpec kBitmaps[] = {
    {Bitmap::FrontPanel, 942, 171, 1, false},      {Bitmap::RearPanel, 942, 171, 1, false},
    {Bitmap::KnobDelay, 36, 3737, 101, false},     {Bitmap::KnobFilter, 36, 3636, 101, false},
    {Bitmap::KnobFilterMod, 36, 3636, 101, false}, {Bitmap::KnobOutput, 37, 3737, 101, false},
    {Bitmap::KnobInput, 36, 3737, 101, false},     {Bitmap::KnobModulation, 36, 3737, 101, false},
    {Bitmap::KnobFollower, 37, 3737, 101, false},  {Bitmap::KnobReverb, 37, 3636, 101, false},
    {Bitmap::KnobVco, 36, 3636, 101, false},       {Bitmap::KnobVcoMod, 36, 3636, 101, false},
    {Bitmap::StepForward, 19, 38, 2, false},       {Bitmap::StepBack, 19, 38, 2, false},
    {Bitmap::Switch2, 19, 18, 2, false},           {Bitmap::Switch3, 26, 27, 3, false},
    {Bitmap::Digit, 13, 176, 11, false},           {Bitmap::FirstDigit, 13, 208, 13, false},
    {Bitmap::Slash, 3, 16, 2, false},              {Bitmap::Point, 3, 4, 2, false},
    {Bitmap::LeftKey, 12, 92, 2, false},           {Bitmap::RightKey, 12, 92, 2, false},
    {Bitmap::RedLamp, 24, 40, 2, false},           {Bitmap::YellowLamp, 24, 40, 2, false},
    {Bitmap::LfoShapes, 16, 280, 5, true},         {Bitmap::Meter, 7, 945, 21, false},
    {Bitmap::HelpPages, 942, 1240, 8, false},      {Bitmap::HelpKey, 11, 27, 3, false},
    {Bitmap::LoadKey, 17, 45, 3, true},            {Bitmap::SaveKey, 17, 45, 3, false},
    {Bitmap::DefaultBankKey, 32, 39, 3, false},    {Bitmap::DefaultPresetKey, 44, 39, 3, false},
    {Bitmap::DefaultMidiKey, 28, 39, 3, false},    {Bitmap::Rocker, 30, 65, 5, false},
    {Bitmap::MemoRecallKey, 17, 45, 3, true},      {Bitmap::MemoStoreKey, 17, 45, 3, false},
    {Bitmap::LearnKey, 24, 48, 3, true},           {Bitmap::UnlearnKey, 24, 48, 3, false},
};

constexpr bool bitmapsInOrder() {
    for (std::size_t i = 1; i < sizeof kBitmaps / sizeof kBitmaps[0]; ++i)
        if (id(kBitmaps[i - 1].bitmap) >= id(kBitmaps[i].bitmap)) return false;
    return true;
}
static_assert(bitmapsInOrder(), "bitmaps in number order");

// The row of a bitmap; an unknown number gives a row of size 0 with one frame.
constexpr BitmapSpec spec(Bitmap b) {
    for (const BitmapSpec& s : kBitmaps)
        if (s.bitmap == b) return s;
    return {b, 0, 0, 1, false};
}

// ---- Sections and help pages ------------------------------------------------------------

// The help page of each section; General is the page shown before the mouse points at one.
enum class HelpPage : int {
    General = 0,
    Master = 1,  // readout, tempo, bypass and the mixer knobs
    Delay = 2,
    Modulation = 3,
    Vco = 4,
    Filter = 5,
    Reverb = 6,
    Edges = 7,  // the side edges, and everything no section covers
};

constexpr int kNumHelpPages = 8;

// The plate is split at this line: the upper half holds the master and the top knob rows,
// the lower half the modulation section and the bottom rows.
constexpr int kSectionSplit = 78;
// From this line down to the plate's bottom runs the band of the rail's captions (BANK,
// PRESET, ... LEARN): it belongs to the rail, whose keys lie beneath it.
constexpr int kRailCaptionTop = 143;

// Columns [left, right) of the panel.
struct Span {
    int left, right;

    constexpr bool empty() const { return right <= left; }
    constexpr bool contains(double x) const { return x >= left && x < right; }
};

// A section covers the columns `upper` above the split line, `lower` from there to the
// rail's caption band and `rail` in that band (and on the rail beneath it).
struct Section {
    HelpPage page;
    Span upper, lower, rail;

    // The columns of the band a height lies in.
    constexpr Span at(double y) const {
        return y < kSectionSplit ? upper : y < kRailCaptionTop ? lower : rail;
    }
};

constexpr Section kSections[] = {
    {HelpPage::Edges, {0, kPlateLeft}, {0, kPlateLeft}, {0, kPlateLeft}},
    {HelpPage::Delay, {kPlateLeft, 284}, {kPlateLeft, 284}, {0, 0}},
    {HelpPage::Master, {284, 569}, {0, 0}, {0, 0}},
    {HelpPage::Modulation, {0, 0}, {284, 569}, {0, 0}},
    {HelpPage::Vco, {569, 622}, {569, 669}, {0, 0}},
    {HelpPage::Filter, {622, 821}, {669, 821}, {0, 0}},
    {HelpPage::Reverb, {821, kPlateRight}, {821, kPlateRight}, {0, 0}},
    {HelpPage::Edges, {kPlateRight, kWidth}, {kPlateRight, kWidth}, {kPlateRight, kWidth}},
    // The rail's captions, described on the same page as the edges.
    {HelpPage::Edges, {0, 0}, {0, 0}, {kPlateLeft, kPlateRight}},
};

// The section (help page) under a panel point; outside every section, the edges.
constexpr HelpPage sectionAt(double x, double y) {
    for (const Section& s : kSections)
        if (s.at(y).contains(x)) return s.page;
    return HelpPage::Edges;
}

// The first section row of a page (every page but General has one).
constexpr const Section& section(HelpPage page) {
    for (const Section& s : kSections)
        if (s.page == page) return s;
    return kSections[0];
}

// ---- The controls of the panel ----------------------------------------------------------

enum class Kind {
    Knob,            // film-strip knob drawn into knobDrawRect
    Lamp,            // lamp key, off and on
    Switch,          // horizontal slide switch, one frame per position
    Readout,         // a digit, point or slash of the readout
    StepKnob,        // small stepping knob, rest and pressed
    ChannelKey,      // LEFT or RIGHT, selected and unselected
    ShapeSelector,   // the LFO shape column, one frame per position
    Slider,          // invisible drag area, no bitmap
    Meter,           // five-lamp level meter
    About,           // a side edge that shows the rear panel (its bitmap) when clicked
    Help,            // the help key (its bitmap) that lays the help pages over the plate
};

// Every control, in the order the editor creates them (later ones lie on top).
enum class Control : int {
    FbPan, FbGain, DlyPan, DlyGate, Input, Mix, Output, Ducking, LROffset, ModSrc, ModSens,
    EnvSpeed, VcoMan, VcoMod, Cutoff, Reso, Drive, CutfMod, ResoMod, RvbDamp, RvbAmt,
    Bypass, Link, FbInv, MuteIn, DlyInv, VcoOn, FltOn, RvbOn,
    DlyMode, Range, LfoMode, FltMode, FltType, RvbMode, RvbType,
    Digit1, Digit2, Digit3, Digit4, Point1, Point2, Point3, Slash1, Slash2, Slash3,
    PreNum, PreDen, MainNum, MainDen, ModNum, ModDen,
    Left, Right,
    LfoWave, DlyTime, LfoRate, Tempo,
    MeterL, MeterR,
    AboutLeft, AboutRight, Help,
    Count
};

constexpr int kNumControls = static_cast<int>(Control::Count);

struct Place {
    Control control;
    Kind kind;
    Rect rect;
    Bitmap bitmap;
    HelpPage section;
};

constexpr Place kPlaces[] = {
    {Control::FbPan, Kind::Knob, {161, 30, 196, 65}, Bitmap::KnobDelay, HelpPage::Delay},
    {Control::FbGain, Kind::Knob, {208, 30, 243, 65}, Bitmap::KnobDelay, HelpPage::Delay},
    {Control::DlyPan, Kind::Knob, {161, 93, 196, 128}, Bitmap::KnobDelay, HelpPage::Delay},
    {Control::DlyGate, Kind::Knob, {208, 93, 243, 128}, Bitmap::KnobDelay, HelpPage::Delay},
    {Control::Input, Kind::Knob, {383, 29, 418, 64}, Bitmap::KnobInput, HelpPage::Master},
    {Control::Mix, Kind::Knob, {430, 29, 465, 64}, Bitmap::KnobInput, HelpPage::Master},
    {Control::Output, Kind::Knob, {476, 29, 511, 64}, Bitmap::KnobOutput, HelpPage::Master},
    {Control::Ducking, Kind::Knob, {523, 29, 558, 64}, Bitmap::KnobOutput, HelpPage::Master},
    {Control::LROffset, Kind::Knob, {383, 94, 418, 129}, Bitmap::KnobModulation,
     HelpPage::Modulation},
    {Control::ModSrc, Kind::Knob, {430, 94, 465, 129}, Bitmap::KnobModulation,
     HelpPage::Modulation},
    {Control::ModSens, Kind::Knob, {476, 94, 511, 129}, Bitmap::KnobFollower,
     HelpPage::Modulation},
    {Control::EnvSpeed, Kind::Knob, {523, 94, 558, 129}, Bitmap::KnobFollower,
     HelpPage::Modulation},
    {Control::VcoMan, Kind::Knob, {578, 29, 613, 64}, Bitmap::KnobVco, HelpPage::Vco},
    {Control::VcoMod, Kind::Knob, {578, 94, 613, 129}, Bitmap::KnobVcoMod, HelpPage::Vco},
    {Control::Cutoff, Kind::Knob, {678, 29, 713, 64}, Bitmap::KnobFilter, HelpPage::Filter},
    {Control::Reso, Kind::Knob, {726, 29, 761, 64}, Bitmap::KnobFilter, HelpPage::Filter},
    {Control::Drive, Kind::Knob, {773, 29, 808, 64}, Bitmap::KnobFilter, HelpPage::Filter},
    {Control::CutfMod, Kind::Knob, {678, 94, 713, 129}, Bitmap::KnobFilterMod, HelpPage::Filter},
    {Control::ResoMod, Kind::Knob, {726, 94, 761, 129}, Bitmap::KnobFilterMod, HelpPage::Filter},
    {Control::RvbDamp, Kind::Knob, {830, 29, 865, 64}, Bitmap::KnobReverb, HelpPage::Reverb},
    {Control::RvbAmt, Kind::Knob, {877, 29, 912, 64}, Bitmap::KnobReverb, HelpPage::Reverb},

    {Control::Bypass, Kind::Lamp, {340, 53, 364, 73}, Bitmap::YellowLamp, HelpPage::Master},
    {Control::Link, Kind::Lamp, {61, 70, 85, 90}, Bitmap::RedLamp, HelpPage::Delay},
    {Control::FbInv, Kind::Lamp, {256, 39, 280, 59}, Bitmap::RedLamp, HelpPage::Delay},
    {Control::MuteIn, Kind::Lamp, {256, 69, 280, 89}, Bitmap::YellowLamp, HelpPage::Delay},
    {Control::DlyInv, Kind::Lamp, {256, 102, 280, 122}, Bitmap::RedLamp, HelpPage::Delay},
    {Control::VcoOn, Kind::Lamp, {637, 102, 661, 122}, Bitmap::RedLamp, HelpPage::Vco},
    {Control::FltOn, Kind::Lamp, {784, 102, 808, 122}, Bitmap::RedLamp, HelpPage::Filter},
    {Control::RvbOn, Kind::Lamp, {887, 102, 911, 122}, Bitmap::RedLamp, HelpPage::Reverb},

    {Control::DlyMode, Kind::Switch, {109, 90, 128, 99}, Bitmap::Switch2, HelpPage::Delay},
    {Control::Range, Kind::Switch, {104, 57, 130, 66}, Bitmap::Switch3, HelpPage::Delay},
    {Control::LfoMode, Kind::Switch, {310, 91, 336, 100}, Bitmap::Switch3, HelpPage::Modulation},
    {Control::FltMode, Kind::Switch, {634, 27, 660, 36}, Bitmap::Switch3, HelpPage::Filter},
    {Control::FltType, Kind::Switch, {634, 57, 660, 66}, Bitmap::Switch3, HelpPage::Filter},
    {Control::RvbMode, Kind::Switch, {841, 91, 867, 100}, Bitmap::Switch2, HelpPage::Reverb},
    {Control::RvbType, Kind::Switch, {841, 122, 867, 131}, Bitmap::Switch2, HelpPage::Reverb},

    {Control::Digit1, Kind::Readout, {297, 26, 310, 42}, Bitmap::FirstDigit, HelpPage::Master},
    {Control::Digit2, Kind::Readout, {313, 26, 326, 42}, Bitmap::Digit, HelpPage::Master},
    {Control::Digit3, Kind::Readout, {329, 26, 342, 42}, Bitmap::Digit, HelpPage::Master},
    {Control::Digit4, Kind::Readout, {346, 26, 359, 42}, Bitmap::Digit, HelpPage::Master},
    {Control::Point1, Kind::Readout, {310, 40, 313, 42}, Bitmap::Point, HelpPage::Master},
    {Control::Point2, Kind::Readout, {326, 40, 329, 42}, Bitmap::Point, HelpPage::Master},
    {Control::Point3, Kind::Readout, {342, 40, 345, 42}, Bitmap::Point, HelpPage::Master},
    {Control::Slash1, Kind::Readout, {310, 30, 313, 38}, Bitmap::Slash, HelpPage::Master},
    {Control::Slash2, Kind::Readout, {326, 30, 329, 38}, Bitmap::Slash, HelpPage::Master},
    {Control::Slash3, Kind::Readout, {343, 30, 346, 38}, Bitmap::Slash, HelpPage::Master},

    {Control::PreNum, Kind::StepKnob, {90, 24, 109, 43}, Bitmap::StepForward, HelpPage::Delay},
    {Control::PreDen, Kind::StepKnob, {126, 24, 145, 43}, Bitmap::StepForward, HelpPage::Delay},
    {Control::MainNum, Kind::StepKnob, {90, 113, 109, 132}, Bitmap::StepBack, HelpPage::Delay},
    {Control::MainDen, Kind::StepKnob, {126, 113, 145, 132}, Bitmap::StepForward,
     HelpPage::Delay},
    {Control::ModNum, Kind::StepKnob, {296, 113, 315, 132}, Bitmap::StepBack,
     HelpPage::Modulation},
    {Control::ModDen, Kind::StepKnob, {332, 113, 351, 132}, Bitmap::StepForward,
     HelpPage::Modulation},

    {Control::Left, Kind::ChannelKey, {63, 15, 75, 61}, Bitmap::LeftKey, HelpPage::Delay},
    {Control::Right, Kind::ChannelKey, {63, 93, 75, 139}, Bitmap::RightKey, HelpPage::Delay},

    {Control::LfoWave, Kind::ShapeSelector, {359, 83, 375, 139}, Bitmap::LfoShapes,
     HelpPage::Modulation},
    {Control::DlyTime, Kind::Slider, {112, 115, 125, 132}, Bitmap::None, HelpPage::Delay},
    {Control::LfoRate, Kind::Slider, {317, 115, 330, 132}, Bitmap::None, HelpPage::Modulation},
    {Control::Tempo, Kind::Slider, {293, 22, 365, 48}, Bitmap::None, HelpPage::Master},

    {Control::MeterL, Kind::Meter, {43, 23, 50, 68}, Bitmap::Meter, HelpPage::Delay},
    {Control::MeterR, Kind::Meter, {43, 87, 50, 132}, Bitmap::Meter, HelpPage::Delay},

    {Control::AboutLeft, Kind::About, {2, 2, 21, 153}, Bitmap::RearPanel, HelpPage::Edges},
    {Control::AboutRight, Kind::About, {921, 2, 940, 153}, Bitmap::RearPanel, HelpPage::Edges},
    {Control::Help, Kind::Help, {921, 158, 932, 167}, Bitmap::HelpKey, HelpPage::Edges},
};

constexpr bool placesInOrder() {
    for (int i = 0; i < kNumControls; ++i)
        if (static_cast<int>(kPlaces[i].control) != i) return false;
    return true;
}
static_assert(sizeof kPlaces / sizeof kPlaces[0] == kNumControls, "one row per control");
static_assert(placesInOrder(), "row i describes Control i");

constexpr const Place& place(Control c) { return kPlaces[static_cast<int>(c)]; }

// A knob draws its film strip into this rectangle: from one pixel inside the control's
// top-left corner, the frame's size less 4 (33 pixels for 37-pixel frames, 32 for 36).
constexpr Rect knobDrawRect(const Place& p) {
    const int size = spec(p.bitmap).frameHeight() - 4;
    return {p.rect.left + 1, p.rect.top + 1, p.rect.left + 1 + size, p.rect.top + 1 + size};
}
// Where a knob's frame starts inside its bitmap frame.
constexpr int kKnobSourceOffset = 2;

// The rear panel's window for the version text, relative to the panel.
constexpr Rect kVersionText = {740, 70, 840, 85};

// Mouse areas of the readout: above them it shows the LFO timing, the main delay time
// and the pre-delay fraction.
constexpr Rect kModTimingArea = {283, 75, 376, 141};
constexpr Rect kMainTimeArea = {86, 50, 150, 135};
constexpr Rect kPreDelayArea = {86, 20, 150, 48};

// ---- The preset rail --------------------------------------------------------------------

enum class StripControl : int {
    SaveBank, DefaultBank, LoadBank, SavePreset, DefaultPreset, LoadPreset, Name, Menu, Step,
    StoreMemoA, RecallMemoA, StoreMemoB, RecallMemoB, SaveMidi, DefaultMidi, LoadMidi,
    ControllerDisplay, Learn, Unlearn, Message,
    Count
};

struct StripPlace {
    StripControl control;
    Rect rect;
    Bitmap bitmap;  // None: text drawn on the panel beneath
};

constexpr StripPlace kStrip[] = {
    {StripControl::SaveBank, {36, 156, 53, 171}, Bitmap::SaveKey},
    {StripControl::DefaultBank, {53, 156, 85, 169}, Bitmap::DefaultBankKey},
    {StripControl::LoadBank, {87, 156, 104, 171}, Bitmap::LoadKey},
    {StripControl::SavePreset, {116, 156, 133, 171}, Bitmap::SaveKey},
    {StripControl::DefaultPreset, {134, 156, 178, 169}, Bitmap::DefaultPresetKey},
    {StripControl::LoadPreset, {179, 156, 196, 171}, Bitmap::LoadKey},
    // The name field's height follows its font, centred on this rectangle.
    {StripControl::Name, {210, 157, 322, 169}, Bitmap::None},
    {StripControl::Menu, {322, 157, 335, 169}, Bitmap::None},
    {StripControl::Step, {342, 156, 372, 169}, Bitmap::Rocker},
    {StripControl::StoreMemoA, {390, 156, 407, 171}, Bitmap::MemoStoreKey},
    {StripControl::RecallMemoA, {423, 156, 440, 171}, Bitmap::MemoRecallKey},
    {StripControl::StoreMemoB, {454, 156, 471, 171}, Bitmap::MemoStoreKey},
    {StripControl::RecallMemoB, {488, 156, 505, 171}, Bitmap::MemoRecallKey},
    {StripControl::SaveMidi, {679, 156, 696, 171}, Bitmap::SaveKey},
    {StripControl::DefaultMidi, {697, 156, 725, 169}, Bitmap::DefaultMidiKey},
    {StripControl::LoadMidi, {727, 156, 744, 171}, Bitmap::LoadKey},
    {StripControl::ControllerDisplay, {759, 157, 849, 169}, Bitmap::None},
    {StripControl::Learn, {857, 155, 881, 171}, Bitmap::LearnKey},
    {StripControl::Unlearn, {882, 155, 906, 171}, Bitmap::UnlearnKey},
    // Over the brand between the memories and the MIDI keys, while a message shows.
    {StripControl::Message, {512, 156, 674, 170}, Bitmap::None},
};

constexpr bool stripInOrder() {
    for (std::size_t i = 0; i < sizeof kStrip / sizeof kStrip[0]; ++i)
        if (static_cast<std::size_t>(kStrip[i].control) != i) return false;
    return true;
}
static_assert(sizeof kStrip / sizeof kStrip[0] == static_cast<std::size_t>(StripControl::Count),
              "one row per strip control");
static_assert(stripInOrder(), "row i describes StripControl i");

constexpr const StripPlace& stripPlace(StripControl c) { return kStrip[static_cast<int>(c)]; }

}  // namespace lumdel::panel
