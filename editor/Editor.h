// The plug-in's editor: the 942 x 171 panel with its knobs, lamps, switches, stepping
// knobs, invisible sliders, readout, meters and overlays, on top of the preset strip.
//
// The effect creates one Editor in its constructor and keeps it for its whole life; the
// window and the controls exist only between open and close. The effect tells the
// editor of parameter changes (setParameter, any thread: it only stores control values),
// of the tempo (tempoChanged) and of the channel link around preset loads; the editor
// reads values and the readout back on its idle calls.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "core/EditorController.h"
#include "core/EditorLink.h"
#include "PanelTable.h"
#include "presets/CPresetSystemEditor.h"

class MyFrame;
class OrvAnimKnob;
class OrvOnOffButton;
class OrvKickButton;
class OrvSwitch;
class OrvSwitchVert;
class CInvisibleSlider;
class CAbout;
class CHelp;

class Editor : public CPresetSystemEditor, public lumdel::EditorLink {
public:
    static constexpr int kNumControls = lumdel::panel::kNumControls;
    static constexpr int kNumKnobs = 21;  // slots 0..20 of the control table

    // plugin: what the panel and the preset strip read and set.
    // Either may be null (then nothing acts).
    explicit Editor(lumdel::EditorController* plugin);
    ~Editor() override;

    // Host UI thread. open builds the frame, the panel controls and the preset strip;
    // false when the toolkit refuses the window (no display, no parent) or the editor
    // is already open. close is safe to call when closed.
    bool open(void* parentWindow) override;
    void close() override;
    // Host idle and the strip's refresh: redraws, help fade, readout, meters, strip.
    // Does nothing while closed or when called from inside itself.
    void idle() override;
    bool setKnobMode(std::int32_t mode) override;

    // Any thread: shows the parameter on its control, if one shows it now.
    void setParameter(std::int32_t index, float value);

    // CControlListener: what the panel's controls do.
    void valueChanged(CControl* control) override;
    void controlBeginEdit(CControl* control) override;
    void controlEndEdit(CControl* control) override;

    // lumdel::EditorLink.
    void parameterChanged(int index, float value) override { setParameter(index, value); }
    void tempoChanged(float bpm) override;
    void unlinkChannels() override;
    void linkChannels() override;

    // --- state and controls, for the readout, the overlays and tests ---------------
    bool channelRight() const { return channelRight_.load(std::memory_order_relaxed); }
    bool linkActive() const { return linkActive_.load(std::memory_order_relaxed); }
    std::int32_t editTag() const { return editTag_; }
    bool readoutVisible() const { return readoutVisible_; }
    // The control of slot 0..62 of the control table (null while closed).
    CControl* controlAt(int slot) const;
    // The first control with this tag (null while closed or when there is none).
    CControl* control(std::int32_t tag) const;
    MyFrame* myFrame() const;
    // The millisecond clock of idle and the blink (the system's tick count unless a
    // test replaces it; an empty function restores it).
    void setClock(std::function<std::uint32_t()> clock);
    std::uint32_t now() const;

    // The readout cells that getReadout fills.
    struct ReadoutCells {
        std::int32_t number = 0;
        std::int32_t point = 0;
        bool isSigned = false;
        std::int32_t slash = 0;
        std::int32_t numerator = -1;
        std::int32_t denominator = 0;
    };
    // The parameter index the readout showed at the last idle.
    std::int32_t readoutIndex() const { return readoutIndex_; }

private:
    // ControlLayout.cpp
    void createControls(CBitmap* const* bitmaps);
    CControl* createControl(const lumdel::PanelControl& row, CBitmap* const* bitmaps);
    float initialValue(const lumdel::PanelControl& row) const;
    void rememberControl(lumdel::panel::Control control, CControl* c);
    // ControlActions.cpp
    void channelButton(bool right);
    void linkButton(OrvOnOffButton* button);
    void timeMode(float value);
    void rangeSwitch(float value);
    void delayTimeSlider(float value);
    void mainStep(std::int32_t tag, float stepModifier);
    void preStep(std::int32_t tag, float stepModifier);
    void modStep(std::int32_t tag);
    void lfoRateSlider(float value);
    void tempoSlider(float value);
    void linkStep();
    void automate(std::int32_t index, float value);
    void setShown(std::int32_t left, float value);
    // Readout.cpp
    void refreshReadout(std::uint32_t now);
    void refreshMeters(std::uint32_t now);
    std::int32_t chooseReadoutIndex(std::uint32_t now);
    void blinkTest(int kind, std::uint32_t now);
    void renderReadout();

    // The shown (L when the left channel is shown) or other index of a pair.
    std::int32_t shown(std::int32_t left) const { return channelRight() ? left + 1 : left; }
    std::int32_t other(std::int32_t left) const { return channelRight() ? left : left + 1; }
    float param(std::int32_t index) const;
    void setControl(CControl* c, float value) const;

    lumdel::EditorController* plugin_;
    CControl* controls_[kNumControls] = {};
    // Typed views of some of the slots.
    OrvAnimKnob* knobs_[kNumKnobs] = {};
    OrvOnOffButton* link_ = nullptr;
    OrvOnOffButton* fbInv_ = nullptr;
    OrvOnOffButton* muteIn_ = nullptr;
    OrvOnOffButton* dlyInv_ = nullptr;
    OrvOnOffButton* left_ = nullptr;
    OrvOnOffButton* right_ = nullptr;
    OrvSwitch* dlyMode_ = nullptr;
    OrvSwitch* range_ = nullptr;
    CMovieBitmap* digits_[4] = {};
    CMovieBitmap* points_[3] = {};
    CMovieBitmap* slashes_[3] = {};
    CMovieBitmap* meters_[2] = {};
    CInvisibleSlider* dlyTimeSlider_ = nullptr;
    CInvisibleSlider* rateSlider_ = nullptr;
    CInvisibleSlider* tempoSlider_ = nullptr;
    CHelp* help_ = nullptr;

    ReadoutCells readout_;
    std::int32_t readoutIndex_ = lumdel::panel_tag::kTempo;
    float meterPeaks_[2] = {0.0f, 0.0f};
    std::atomic<bool> channelRight_{false};
    std::atomic<bool> linkActive_{false};
    std::int32_t editTag_ = -1;
    bool readoutVisible_ = true;
    std::uint32_t lastBlinkTick_;
    std::uint32_t lastIdleTick_;
    const float rateLogScale_;
    const float meterFloor_;
    const float meterFallMs_ = 500.0f;
    std::function<std::uint32_t()> clock_;
    bool inIdle_ = false;
};
