// Sub-commands of lumdel-host. Each command file registers itself:
//   static const CommandRegistrar reg{"info", "info PLUGIN.so", runInfo};
#pragma once

#include <string>
#include <vector>

namespace lumdel::host {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const Args& args);
};

std::vector<Command>& commandRegistry();

struct CommandRegistrar {
    CommandRegistrar(const char* name, const char* usage, int (*run)(const Args&)) {
        commandRegistry().push_back({name, usage, run});
    }
};

}  // namespace lumdel::host
