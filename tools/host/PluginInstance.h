// One loaded plug-in instance, whatever its format (VST 2.4, LV2, CLAP), as the render
// and bench commands drive it: stereo blocks with a stereo side chain, parameters,
// host time, MIDI control changes, state and presets. Each format's loader implements
// it; the commands never see a format's own calls. Everything here is called from the
// one thread that runs the command (the harness plays host UI and audio thread at once),
// except that the validator's click check saves and loads the state of a VST 2.4 or CLAP
// instance (selectPreset) from a second thread while blocks run, as a host's main thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace lumdel::host {

enum class Format { Vst2, Lv2, Clap };

// A MIDI control change at a frame of the next block; channel 0..15.
struct BlockControlChange {
    int frame = 0;
    int channel = 0;
    int controller = 0;
    int value = 0;
};

class PluginInstance {
public:
    virtual ~PluginInstance() = default;

    virtual Format format() const = 0;
    virtual std::string name() = 0;

    // --- parameters: index 0..parameterCount()-1, normalised values 0..1 -----------
    virtual int parameterCount() = 0;
    virtual std::string parameterName(int index) = 0;
    virtual float parameter(int index) = 0;
    // Takes effect before the next block (LV2: a control port; CLAP: a value event).
    virtual void setParameter(int index, float value) = 0;
    // MIDI controller 0..127 for a parameter, kept in the plug-in's state; false when the
    // format gives the host no way to make one.
    virtual bool assignController(int index, int controller) {
        (void)index, (void)controller;
        return false;
    }

    // --- host time --------------------------------------------------------------
    // Tempo in BPM and position in quarter notes from the next block on, moved on by
    // every block; `available` false: the host gives no time at all.
    virtual void setTransport(bool available, double bpm, double quarters) = 0;

    // --- lifecycle and blocks ---------------------------------------------------
    // Makes the instance ready to process at the rate it was opened with (after a
    // stop, again with whatever was set meanwhile in place from the first sample).
    virtual bool start(std::string& error) = 0;
    virtual void stop() = 0;
    // While stopped: the next start runs at this rate. False when the format fixes the
    // rate when the instance is made (LV2: a host makes a new instance for another rate).
    virtual bool setSampleRate(double rate) {
        (void)rate;
        return false;
    }
    // Control changes sent with the next block (frames within it, in order).
    virtual void controlChanges(const std::vector<BlockControlChange>& events) = 0;
    // Four inputs (main left, right, side chain left, right), two outputs; frames up to
    // the block size the instance was opened with. An output may be the very buffer of
    // the input of the same number (processing in place); the loaders pass both through.
    virtual void process(float** inputs, float** outputs, int frames) = 0;
    // Double precision; a format without it runs the block in single precision.
    virtual void processDouble(double** inputs, double** outputs, int frames);
    virtual int latency() { return 0; }
    // Frames of output after the input stops, as the plug-in tells its host; -1 when the
    // loader has no way to ask.
    virtual long tailFrames() { return -1; }

    // --- state and presets ------------------------------------------------------
    // The whole state as the format saves it in a host's project; empty when it has none.
    virtual std::vector<unsigned char> state() = 0;
    // False when the plug-in refuses the bytes.
    virtual bool setState(const std::vector<unsigned char>& bytes) = 0;
    virtual int presetCount() = 0;
    virtual std::string presetName(int index) = 0;
    // Makes preset `index` current as that format's hosts do; false (with error) if not.
    virtual bool selectPreset(int index, std::string& error) = 0;

private:
    std::vector<std::vector<float>> scratch_;  // processDouble's float blocks
};

// The format named by --format ("vst2", "lv2", "clap"); false for another word.
bool parseFormat(const std::string& text, Format& format);
const char* formatName(Format format);
// The format a path names: a directory (an LV2 bundle) or "*.lv2" is LV2, "*.clap" CLAP,
// anything else VST 2.4.
Format formatOfPath(const std::string& path);

// Loads the plug-in at path in the given format for the given rate and largest block;
// null with error when it cannot. The instance is loaded but not started.
std::unique_ptr<PluginInstance> openPlugin(const std::string& path, Format format,
                                           double sampleRate, int maxBlock,
                                           std::string& error);

// A state headed by format word, identifier 'LMDL', preset count and current index (the
// bank Lumdel saves in every format) made to name preset `index` as current; false for
// any other state or index.
bool chunkWithCurrent(std::vector<unsigned char>& chunk, int index);

// The index of a parameter given by name (case-insensitive) or number; -1 if none.
int findParameter(PluginInstance& plugin, const std::string& name);
// The index of a preset given by number or name (case-insensitive); -1 if none.
int findPreset(PluginInstance& plugin, const std::string& preset);

}  // namespace lumdel::host
