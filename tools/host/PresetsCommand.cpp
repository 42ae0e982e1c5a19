// lumdel-host presets PLUGIN.so: the preset names of a fresh instance, one a line.
#include <cstdio>
#include <string>

#include "Commands.h"
#include "Host.h"

namespace lumdel::host {

int runPresets(const Args& args);
static const CommandRegistrar registerPresets{"presets", "presets PLUGIN.so", runPresets};

int runPresets(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: lumdel-host presets PLUGIN.so\n");
        return 2;
    }
    PluginLibrary library(args[0]);
    Host host;
    if (!host.load(library)) {
        std::fprintf(stderr, "lumdel-host: %s\n", host.error().c_str());
        return 1;
    }
    // Plug-ins that keep their own bank answer effGetProgramNameIndexed beyond
    // numPrograms; others only up to it.
    constexpr int kMaxPrograms = 1024;
    int listed = 0;
    for (int i = 0; i < kMaxPrograms; ++i) {
        char name[256] = {};
        if (!host.dispatch(effGetProgramNameIndexed, i, -1, name)) break;
        std::printf("%3d  %s\n", i, name);
        ++listed;
    }
    if (listed == 0) {
        for (int i = 0; i < host.effect()->numPrograms; ++i) {
            char name[256] = {};
            host.dispatch(effSetProgram, 0, i);
            host.dispatch(effGetProgramName, 0, 0, name);
            std::printf("%3d  %s\n", i, name);
        }
    }
    return 0;
}

}  // namespace lumdel::host
