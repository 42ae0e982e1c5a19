// The editor's side of the panel table. resources/PanelLayout.h says where each control
// sits, which bitmap it shows and to which section (help page) it belongs; this table says,
// for the same controls in the same order, what each one is to the plug-in: the tag it
// reports with (a parameter index 0..59 or one of the panel_tag names), the channel pair
// it shows, and the default value a control-click restores. The parameter link stays here
// because resources/ must not include the plug-in's code.
#pragma once

#include <cstdint>

#include "resources/PanelLayout.h"
#include "core/DisplayText.h"
#include "core/ParameterTable.h"

// Tags of the panel's editor-only controls (0..59 are parameter indices).
namespace lumdel::panel_tag {
constexpr std::int32_t kTempo = kTempoReadoutIndex;  // the readout shows the tempo
constexpr std::int32_t kLink = 62;
constexpr std::int32_t kDigit1 = 64;  // 64..67 the digits
constexpr std::int32_t kPoint1 = 68;  // 68..70 the decimal points
constexpr std::int32_t kSlash1 = 71;  // 71..73 the slashes
constexpr std::int32_t kPreNum = 74;
constexpr std::int32_t kPreDen = 75;
constexpr std::int32_t kMainNum = 76;
constexpr std::int32_t kMainDen = 77;
constexpr std::int32_t kModNum = 78;
constexpr std::int32_t kModDen = 79;
constexpr std::int32_t kMeterL = 80;
constexpr std::int32_t kMeterR = 81;
constexpr std::int32_t kAbout = 82;
constexpr std::int32_t kFbPan = 83;
constexpr std::int32_t kFbGain = 84;
constexpr std::int32_t kDlyPan = 85;
constexpr std::int32_t kDlyGate = 86;
constexpr std::int32_t kDlyMode = 88;
constexpr std::int32_t kRange = 89;
constexpr std::int32_t kDlyTime = 90;
constexpr std::int32_t kLeft = 91;
constexpr std::int32_t kRight = 92;
constexpr std::int32_t kFbInv = 93;
constexpr std::int32_t kDlyInv = 94;
constexpr std::int32_t kMuteIn = 96;
constexpr std::int32_t kHelp = 97;
}  // namespace lumdel::panel_tag

namespace lumdel {

struct PanelControl {
    panel::Control control;  // its row in resources/PanelLayout.h
    std::int32_t tag;        // a parameter index (0..59) or a panel_tag
    std::int32_t pairLeft;   // channel controls: the left index of the pair shown; else -1
    bool hasDefault;         // whether a default value is set on the control
    float defaultValue;
};

namespace panel_table {
using C = panel::Control;
namespace t = panel_tag;
constexpr PanelControl kNone = {C::Count, -1, -1, false, 0.0f};

constexpr PanelControl kRows[] = {
    {C::FbPan, t::kFbPan, kFbPanL, true, 0.5f},
    {C::FbGain, t::kFbGain, kFbGainL, true, 0.0f},
    {C::DlyPan, t::kDlyPan, kDlyPanL, true, 0.5f},
    {C::DlyGate, t::kDlyGate, kDlyGateL, true, 0.0f},
    {C::Input, kInput, -1, true, 0.5f},
    {C::Mix, kMix, -1, true, 0.5f},
    {C::Output, kOutput, -1, true, 0.5f},
    {C::Ducking, kDucking, -1, true, 0.5f},
    {C::LROffset, kLROffset, -1, true, 0.5f},
    {C::ModSrc, kModSrc, -1, true, 0.5f},
    {C::ModSens, kModSens, -1, true, 0.5f},
    {C::EnvSpeed, kEnvSpeed, -1, true, 0.5f},
    {C::VcoMan, kVcoMan, -1, true, 0.5f},
    {C::VcoMod, kVcoMod, -1, true, 0.5f},
    {C::Cutoff, kCutoff, -1, true, 1.0f},
    {C::Reso, kReso, -1, true, 0.0f},
    {C::Drive, kDrive, -1, true, 0.0f},
    {C::CutfMod, kCutfMod, -1, true, 0.5f},
    {C::ResoMod, kResoMod, -1, true, 0.5f},
    {C::RvbDamp, kRvbDamp, -1, true, 0.5f},
    {C::RvbAmt, kRvbAmt, -1, true, 0.5f},

    {C::Bypass, kBypass, -1, false, 0.0f},
    {C::Link, t::kLink, -1, true, 1.0f},
    {C::FbInv, t::kFbInv, kFbInvL, true, 0.0f},
    {C::MuteIn, t::kMuteIn, kMuteInL, true, 0.0f},
    {C::DlyInv, t::kDlyInv, kDlyInvL, true, 0.0f},
    {C::VcoOn, kVcoOn, -1, true, 0.0f},
    {C::FltOn, kFltOn, -1, true, 0.0f},
    {C::RvbOn, kRvbOn, -1, true, 0.0f},

    {C::DlyMode, t::kDlyMode, kDlyModeL, true, 0.0f},
    {C::Range, t::kRange, kRangeL, true, 1.0f},
    {C::LfoMode, kLfoMode, -1, true, 0.0f},
    {C::FltMode, kFltMode, -1, true, 0.0f},
    {C::FltType, kFltType, -1, true, 0.0f},
    {C::RvbMode, kRvbMode, -1, true, 0.0f},
    {C::RvbType, kRvbType, -1, true, 0.0f},

    {C::Digit1, t::kDigit1, -1, false, 0.0f},
    {C::Digit2, t::kDigit1 + 1, -1, false, 0.0f},
    {C::Digit3, t::kDigit1 + 2, -1, false, 0.0f},
    {C::Digit4, t::kDigit1 + 3, -1, false, 0.0f},
    {C::Point1, t::kPoint1, -1, false, 0.0f},
    {C::Point2, t::kPoint1 + 1, -1, false, 0.0f},
    {C::Point3, t::kPoint1 + 2, -1, false, 0.0f},
    {C::Slash1, t::kSlash1, -1, false, 0.0f},
    {C::Slash2, t::kSlash1 + 1, -1, false, 0.0f},
    {C::Slash3, t::kSlash1 + 2, -1, false, 0.0f},

    {C::PreNum, t::kPreNum, -1, false, 0.0f},
    {C::PreDen, t::kPreDen, -1, false, 0.0f},
    {C::MainNum, t::kMainNum, -1, false, 0.0f},
    {C::MainDen, t::kMainDen, -1, false, 0.0f},
    {C::ModNum, t::kModNum, -1, false, 0.0f},
    {C::ModDen, t::kModDen, -1, false, 0.0f},

    {C::Left, t::kLeft, -1, false, 0.0f},
    {C::Right, t::kRight, -1, false, 0.0f},

    {C::LfoWave, kLFOWave, -1, false, 0.0f},
    {C::DlyTime, t::kDlyTime, kDlyTimeL, false, 0.0f},
    {C::LfoRate, kLFORate, -1, false, 0.0f},
    {C::Tempo, t::kTempo, -1, false, 0.0f},

    {C::MeterL, t::kMeterL, -1, false, 0.0f},
    {C::MeterR, t::kMeterR, -1, false, 0.0f},

    {C::AboutLeft, t::kAbout, -1, false, 0.0f},
    {C::AboutRight, t::kAbout, -1, false, 0.0f},
    {C::Help, t::kHelp, -1, false, 0.0f},
};

constexpr bool rowsInOrder() {
    for (int i = 0; i < panel::kNumControls; ++i)
        if (static_cast<int>(kRows[i].control) != i) return false;
    return true;
}
static_assert(sizeof kRows / sizeof kRows[0] == panel::kNumControls, "one row per control");
static_assert(rowsInOrder(), "row i describes Control i, as in resources/PanelLayout.h");
}  // namespace panel_table

// The controls in creation order, row i for panel::Control i.
inline constexpr const PanelControl (&kPanelControls)[panel::kNumControls] = panel_table::kRows;

// The first control reporting with this tag (the row of kNone when there is none).
constexpr const PanelControl& panelControlByTag(std::int32_t tag) {
    for (const PanelControl& r : kPanelControls)
        if (r.tag == tag) return r;
    return panel_table::kNone;
}

// The left index of the pair a channel knob (feedback pan and level, delay pan, gate)
// shows, or -1 for any other tag.
constexpr std::int32_t channelKnobPair(std::int32_t tag) {
    const PanelControl& r = panelControlByTag(tag);
    if (r.control == panel::Control::Count) return -1;
    return panel::place(r.control).kind == panel::Kind::Knob ? r.pairLeft : -1;
}

// Whether the tag is that of a knob of a single parameter.
constexpr bool isSingleKnob(std::int32_t tag) {
    const PanelControl& r = panelControlByTag(tag);
    if (r.control == panel::Control::Count) return false;
    return panel::place(r.control).kind == panel::Kind::Knob && r.pairLeft < 0;
}

}  // namespace lumdel
