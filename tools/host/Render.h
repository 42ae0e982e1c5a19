// Rendering audio through a plug-in, as the render and demo commands and the tests do:
// the file's rate, mono fed to both channels, an optional key signal on inputs 3 and 4,
// a silent tail for the echoes, single or double precision.
#pragma once

#include <string>
#include <vector>

#include "AudioFile.h"
#include "ParameterSettings.h"

namespace lumdel::host {

class PluginLibrary;

struct RenderOptions {
    std::vector<Setting> settings;
    double tempo = 120.0;
    double tailSeconds = 0.0;
    bool useDouble = false;
    bool progress = false;  // a bar on stderr
    int blockSize = 512;
};

// Renders input (and key, which may be null) into a stereo output at the input's rate.
bool render(PluginLibrary& library, const AudioData& input, const AudioData* key,
            const RenderOptions& options, AudioData& output, std::string& error);

}  // namespace lumdel::host
