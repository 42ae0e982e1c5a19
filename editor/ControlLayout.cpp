// The panel's 63 controls, created in drawing order (later ones lie on top): knobs,
// lamps, slide switches, readout, stepping knobs, channel buttons, the LFO shape
// selector, the invisible sliders, the meters and the about and help controls.
#include <cmath>

#include "CAbout.h"
#include "CHelp.h"
#include "CInvisibleSlider.h"
#include "Editor.h"
#include "OrvAnimKnob.h"
#include "OrvKickButton.h"
#include "OrvOnOffButton.h"
#include "OrvSwitch.h"
#include "OrvSwitchVert.h"
#include "core/ParameterTable.h"

using namespace lumdel;

namespace {

struct KnobPlace {
    std::int32_t tag;
    std::int32_t param;  // shown (left) index; channel knobs add 1 for the right channel
    bool channel;
    CRect rect;
    CRect drawRect;
    int bitmap;
    CCoord frameHeight;
    float defaultValue;
};

const KnobPlace kKnobs[] = {
    {83, kFbPanL, true, {161, 30, 196, 65}, {162, 31, 195, 64}, 130, 37, 0.5f},
    {84, kFbGainL, true, {208, 30, 243, 65}, {209, 31, 242, 64}, 130, 37, 0.0f},
    {85, kDlyPanL, true, {161, 93, 196, 128}, {162, 94, 195, 127}, 130, 37, 0.5f},
    {86, kDlyGateL, true, {208, 93, 243, 128}, {209, 94, 242, 127}, 130, 37, 0.0f},
    {0, kInput, false, {383, 29, 418, 64}, {384, 30, 417, 63}, 134, 37, 0.5f},
    {2, kMix, false, {430, 29, 465, 64}, {431, 30, 464, 63}, 134, 37, 0.5f},
    {1, kOutput, false, {476, 29, 511, 64}, {477, 30, 510, 63}, 133, 37, 0.5f},
    {52, kDucking, false, {523, 29, 558, 64}, {524, 30, 557, 63}, 133, 37, 0.5f},
    {11, kLROffset, false, {383, 94, 418, 129}, {384, 95, 417, 128}, 135, 37, 0.5f},
    {12, kModSrc, false, {430, 94, 465, 129}, {431, 95, 464, 128}, 135, 37, 0.5f},
    {47, kModSens, false, {476, 94, 511, 129}, {477, 95, 510, 128}, 136, 37, 0.5f},
    {22, kEnvSpeed, false, {523, 94, 558, 129}, {524, 95, 557, 128}, 136, 37, 0.5f},
    {17, kVcoMan, false, {578, 29, 613, 64}, {579, 30, 611, 62}, 138, 36, 0.5f},
    {18, kVcoMod, false, {578, 94, 613, 129}, {579, 95, 611, 127}, 139, 36, 0.5f},
    {15, kCutoff, false, {678, 29, 713, 64}, {679, 30, 711, 62}, 131, 36, 1.0f},
    {16, kReso, false, {726, 29, 761, 64}, {727, 30, 759, 62}, 131, 36, 0.0f},
    {21, kDrive, false, {773, 29, 808, 64}, {774, 30, 806, 62}, 131, 36, 0.0f},
    {13, kCutfMod, false, {678, 94, 713, 129}, {679, 95, 711, 127}, 132, 36, 0.5f},
    {53, kResoMod, false, {726, 94, 761, 129}, {727, 95, 759, 127}, 132, 36, 0.5f},
    {39, kRvbDamp, false, {830, 29, 865, 64}, {831, 30, 863, 62}, 137, 36, 0.5f},
    {40, kRvbAmt, false, {877, 29, 912, 64}, {878, 30, 910, 62}, 137, 36, 0.5f},
};

struct LampPlace {
    std::int32_t tag;
    CCoord left, top;
    int bitmap;
    bool hasDefault;
    float defaultValue;
};

const LampPlace kLamps[] = {
    {41, 340, 53, 151, false, 0.0f}, {62, 61, 70, 150, true, 1.0f},
    {93, 256, 39, 150, true, 0.0f},  {96, 256, 69, 151, true, 0.0f},
    {94, 256, 102, 150, true, 0.0f}, {45, 637, 102, 150, true, 0.0f},
    {42, 784, 102, 150, true, 0.0f}, {46, 887, 102, 150, true, 0.0f},
};

struct SwitchPlace {
    std::int32_t tag;
    CRect rect;
    int bitmap;
    std::int32_t positions;
    float defaultValue;
};

const SwitchPlace kSwitches[] = {
    {88, {109, 90, 128, 99}, 142, 2, 0.0f},   {89, {104, 57, 130, 66}, 143, 3, 1.0f},
    {32, {310, 91, 336, 100}, 143, 3, 0.0f},  {23, {634, 27, 660, 36}, 143, 3, 0.0f},
    {14, {634, 57, 660, 66}, 143, 3, 0.0f},   {37, {841, 91, 867, 100}, 142, 2, 0.0f},
    {38, {841, 122, 867, 131}, 142, 2, 0.0f},
};

struct MoviePlace {
    std::int32_t tag;
    CRect rect;
    int bitmap;
    std::int32_t frames;
    CCoord frameHeight;
};

const MoviePlace kReadout[] = {
    {64, {297, 26, 310, 42}, 145, 13, 16}, {65, {313, 26, 326, 42}, 144, 11, 16},
    {66, {329, 26, 342, 42}, 144, 11, 16}, {67, {346, 26, 359, 42}, 144, 11, 16},
    {68, {310, 40, 313, 42}, 147, 2, 2},   {69, {326, 40, 329, 42}, 147, 2, 2},
    {70, {342, 40, 345, 42}, 147, 2, 2},   {71, {310, 30, 313, 38}, 146, 2, 8},
    {72, {326, 30, 329, 38}, 146, 2, 8},   {73, {343, 30, 346, 38}, 146, 2, 8},
};

struct KickPlace {
    std::int32_t tag;
    CCoord left, top;
    int bitmap;
};

const KickPlace kKicks[] = {
    {74, 90, 24, 140},  {75, 126, 24, 140},  {76, 90, 113, 141},
    {77, 126, 113, 140}, {78, 296, 113, 141}, {79, 332, 113, 140},
};

constexpr float kKnobWheel = 1.0f / 32.0f;
constexpr float kSliderWheel = 0.0008f;

float root(float v) { return v > 0.0f ? std::sqrt(v) : 0.0f; }

}  // namespace

void Editor::createControls(CBitmap* const* bitmaps) {
    auto bitmap = [bitmaps](int id) { return bitmaps[id - 128]; };
    const bool right = channelRight();
    int slot = 0;
    auto add = [this, &slot](CControl* c) {
        controls_[slot++] = c;
        frame->addView(c);
    };

    for (int i = 0; i < kNumKnobs; ++i) {
        const KnobPlace& k = kKnobs[i];
        auto* knob = new OrvAnimKnob(k.rect, this, k.tag, 101, k.frameHeight, bitmap(k.bitmap),
                                     CPoint(2, 2), k.drawRect);
        const std::int32_t index = k.channel && right ? k.param + 1 : k.param;
        knob->setValue(param(index));
        knob->setDefaultValue(k.defaultValue);
        knob->setWheelInc(kKnobWheel);
        knobs_[i] = knob;
        add(knob);
    }

    for (const LampPlace& l : kLamps) {
        auto* lamp = new OrvOnOffButton(CRect(l.left, l.top, l.left + 24, l.top + 20), this, l.tag,
                                        bitmap(l.bitmap));
        float initial = 0.0f;
        switch (l.tag) {
            case panel_tag::kLink: initial = linkActive() ? 1.0f : 0.0f; link_ = lamp; break;
            case panel_tag::kFbInv: initial = param(shown(kFbInvL)); fbInv_ = lamp; break;
            case panel_tag::kMuteIn: initial = param(shown(kMuteInL)); muteIn_ = lamp; break;
            case panel_tag::kDlyInv: initial = param(shown(kDlyInvL)); dlyInv_ = lamp; break;
            default: initial = param(l.tag); break;
        }
        lamp->setValue(initial);
        if (l.hasDefault) lamp->setDefaultValue(l.defaultValue);
        add(lamp);
    }

    for (const SwitchPlace& s : kSwitches) {
        auto* sw = new OrvSwitch(s.rect, this, s.tag, s.positions, 9, s.positions,
                                 bitmap(s.bitmap), CPoint(0, 0));
        float initial = 0.0f;
        switch (s.tag) {
            case panel_tag::kDlyMode: initial = param(shown(kDlyModeL)); dlyMode_ = sw; break;
            case panel_tag::kRange: initial = param(shown(kRangeL)); range_ = sw; break;
            default: initial = param(s.tag); break;
        }
        sw->setValue(initial);
        sw->setDefaultValue(s.defaultValue);
        add(sw);
    }

    for (int i = 0; i < 10; ++i) {
        const MoviePlace& m = kReadout[i];
        auto* movie = new CMovieBitmap(m.rect, this, m.tag, m.frames, m.frameHeight,
                                       bitmap(m.bitmap), CPoint(0, 0));
        movie->setValue(0.0f);
        if (i < 4) digits_[i] = movie;
        else if (i < 7) points_[i - 4] = movie;
        else slashes_[i - 7] = movie;
        add(movie);
    }

    for (const KickPlace& k : kKicks)
        add(new OrvKickButton(CRect(k.left, k.top, k.left + 19, k.top + 19), this, k.tag, 19,
                              bitmap(k.bitmap), CPoint(0, 0)));

    left_ = new OrvOnOffButton(CRect(63, 15, 75, 61), this, panel_tag::kLeft, bitmap(148));
    left_->setValue(right ? 1.0f : 0.0f);
    add(left_);
    right_ = new OrvOnOffButton(CRect(63, 93, 75, 139), this, panel_tag::kRight, bitmap(149));
    right_->setValue(right ? 0.0f : 1.0f);
    add(right_);

    auto* wave = new OrvSwitchVert(CRect(359, 83, 375, 139), this, kLFOWave, 5, 56, 5,
                                   bitmap(152), CPoint(0, 0));
    wave->setValue(param(kLFOWave));
    add(wave);

    dlyTimeSlider_ = new CInvisibleSlider(CRect(112, 115, 125, 132), this, panel_tag::kDlyTime);
    dlyTimeSlider_->setValue(root(param(shown(kDlyTimeL))));
    dlyTimeSlider_->setWheelInc(kSliderWheel);
    add(dlyTimeSlider_);
    rateSlider_ = new CInvisibleSlider(CRect(317, 115, 330, 132), this, kLFORate);
    rateSlider_->setValue(root(param(kLFORate)));
    rateSlider_->setWheelInc(kSliderWheel);
    add(rateSlider_);
    tempoSlider_ = new CInvisibleSlider(CRect(293, 22, 365, 48), this, panel_tag::kTempo);
    tempoSlider_->setValue(root(plugin_ ? plugin_->getTempoNorm() : 0.0f));
    tempoSlider_->setWheelInc(kSliderWheel);
    add(tempoSlider_);

    meters_[0] = new CMovieBitmap(CRect(43, 23, 50, 68), this, panel_tag::kMeterL, 21, 45,
                                  bitmap(153), CPoint(0, 0));
    meters_[0]->setValue(0.0f);
    add(meters_[0]);
    meters_[1] = new CMovieBitmap(CRect(43, 87, 50, 132), this, panel_tag::kMeterR, 21, 45,
                                  bitmap(153), CPoint(0, 0));
    meters_[1]->setValue(0.0f);
    add(meters_[1]);

    const CRect display(0, 0, 942, 171);
    const CPoint textPoint(740, 70);
    add(new CAbout(CRect(2, 2, 21, 153), this, panel_tag::kAbout, bitmap(129), display,
                   CPoint(0, 0), textPoint));
    add(new CAbout(CRect(921, 2, 940, 153), this, panel_tag::kAbout, bitmap(129), display,
                   CPoint(0, 0), textPoint));
    help_ = new CHelp(CRect(921, 158, 932, 167), this, panel_tag::kHelp, bitmap(154), bitmap(155));
    add(help_);
}
