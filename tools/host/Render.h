// Rendering audio through a plug-in, as the render and demo commands and the tests do:
// the file's rate, mono fed to both channels, an optional key signal on inputs 3 and 4,
// a silent tail for the echoes, single or double precision; optionally a preset of the
// plug-in's own bank, controller assignments and timed MIDI control changes.
#pragma once

#include <string>
#include <vector>

#include "AudioFile.h"
#include "ParameterSettings.h"
#include "shell/vst2.h"

namespace lumdel::host {

class Host;
class PluginLibrary;
class PluginInstance;

// A MIDI control change at an absolute frame of the render; channel 1 to 16.
struct ControlEvent {
    long frame = 0;
    int channel = 1;
    int controller = 0;
    int value = 0;
};

// Parameter NAME (as for --set: a name or an index) driven by MIDI controller 0 to 127.
struct Assignment {
    std::string parameter;
    int controller = 0;
};

struct RenderOptions {
    std::string preset;  // a preset number or name (case-insensitive); empty: start-up state
    std::vector<Assignment> assignments;  // made after the preset
    std::vector<Setting> settings;        // applied after the preset and the assignments
    std::vector<ControlEvent> events;     // each sent in the block that holds its frame
    double tempo = 120.0;
    bool transport = true;  // false: the host answers no time (as lv2apply gives none)
    double tailSeconds = 0.0;
    bool useDouble = false;
    bool progress = false;  // a bar on stderr
    int blockSize = 512;
};

// "CHANNEL:CONTROLLER:VALUE@FRAME", channel 1 to 16, controller and value 0 to 127,
// frame >= 0; false when malformed or out of range.
bool parseControlEvent(const std::string& text, ControlEvent& event);
// A control-change file: one "FRAME CHANNEL CONTROLLER VALUE" per line, '#' starts a
// comment, blank lines are skipped. False (with error naming the line) when a line is
// malformed or the file cannot be read; the events are appended in file order.
bool readControlEvents(const std::string& path, std::vector<ControlEvent>& events,
                       std::string& error);
// "NAME=CONTROLLER", controller 0 to 127.
bool parseAssignment(const std::string& text, Assignment& assignment);

// The number of presets the plug-in lists (effGetProgramNameIndexed), at least numPrograms.
int presetCount(Host& host);
// The index of a preset given as a number or a name (case-insensitive); -1 if none.
int findPreset(Host& host, const std::string& preset);
// Makes preset `index` current through the plug-in's own preset selection: a plug-in that
// keeps its presets in a chunk with a current index (Lumdel) gets its own chunk back with
// that index; any other plug-in gets effSetProgram. False (with error) when neither works.
bool selectPreset(Host& host, int index, std::string& error);

// Loads one instance and checks that the preset, the assignments and the settings name
// something the plug-in has; false with error otherwise (a bad argument).
bool checkRenderOptions(PluginLibrary& library, const RenderOptions& options, std::string& error);
// The same on an instance of any format (which is left with the options applied).
bool checkRenderOptions(PluginInstance& plugin, const RenderOptions& options,
                        std::string& error);

// Renders input (and key, which may be null) into a stereo output at the input's rate.
bool render(PluginLibrary& library, const AudioData& input, const AudioData* key,
            const RenderOptions& options, AudioData& output, std::string& error);
// The same through any entry point, e.g. one that builds the plug-in in-process.
bool render(AEffect* (*entry)(audioMasterCallback), const AudioData& input, const AudioData* key,
            const RenderOptions& options, AudioData& output, std::string& error);
// The same through a loaded instance of any format, opened at the input's rate with a
// largest block of at least options.blockSize.
bool render(PluginInstance& plugin, const AudioData& input, const AudioData* key,
            const RenderOptions& options, AudioData& output, std::string& error);

}  // namespace lumdel::host
