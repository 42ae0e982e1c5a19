// Sub-commands of lumdel-host; each takes the arguments after its own name.
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

int runInfo(const Args& args);

}  // namespace lumdel::host
