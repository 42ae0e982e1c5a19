// The one interface through which an editor reaches the plug-in, whatever the host
// format: parameters with the host's edit bracket, the preset store and the settings
// folder, the readout, the meters and the tempo. The plug-in implements it; the editor
// holds a non-owning pointer for its whole life. Editor (UI) thread unless noted.
#pragma once

#include <cstdint>

namespace lumdel {

class PluginCore;
class PresetStore;
class SettingsStore;

class EditorController {
public:
    virtual ~EditorController() = default;

    // Parameters 0..59 (60..119: the controller assignments), as stored.
    virtual float getParameter(std::int32_t index) = 0;
    // A change made by the user: applied like any other, then told to the host, between
    // the host's begin and end of an edit (a drag brackets many changes).
    virtual bool beginEdit(std::int32_t index) = 0;
    virtual void setParameterAutomated(std::int32_t index, float value) = 0;
    virtual bool endEdit(std::int32_t index) = 0;
    // Inside beginEdit/endEdit: tells the host a value it did not set (a preset loaded in
    // the editor) as an automation, without applying it again.
    virtual void reportParameter(std::int32_t index, float value) = 0;
    // The link action: copies the delay timing of one channel (mode, note value and
    // denominator, range, time) to the other as edits, for every pair that differs. The
    // same in every format, through the calls above.
    void copyChannelSettings(bool rightToLeft);

    // The preset store (bank, current preset, images, MIDI learn and assignments) and the
    // settings folder the strip stores into (an empty directory: none).
    virtual PresetStore& presetStore() = 0;
    virtual const SettingsStore& settingsStore() const = 0;

    // The four-digit readout of a parameter; the in-out values keep what the previous
    // call left where a parameter shows no such part.
    virtual void getReadout(std::int32_t index, std::int32_t& number, std::int32_t& point,
                            bool& isSigned, std::int32_t& slash, std::int32_t& numerator,
                            std::int32_t& denominator) = 0;
    // Whether a tempo-synchronised time of this kind is beyond what the engine can give.
    virtual bool syncOutOfRange(int kind) const = 0;
    // Output peaks since the last call (then cleared).
    virtual void readMeterPeaks(float& left, float& right) = 0;

    // The editor's tempo control (0..1 maps 30..400 BPM), used while the host gives none.
    virtual float getTempoNorm() const = 0;
    virtual void setTempoNorm(float value) = 0;
    virtual bool hostTempoValid() const = 0;
};

// The readout cells getReadout answers, from the core's readout: what every adapter's
// getReadout does.
void readoutCells(const PluginCore& core, std::int32_t index, std::int32_t& number,
                  std::int32_t& point, bool& isSigned, std::int32_t& slash,
                  std::int32_t& numerator, std::int32_t& denominator);

}  // namespace lumdel
