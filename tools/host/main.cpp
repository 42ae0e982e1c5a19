// lumdel-host: a command-line VST 2.4 host for Lumdel (and any other plug-in).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Commands.h"

namespace lumdel::host {
std::vector<Command>& commandRegistry() {
    static std::vector<Command> commands;
    return commands;
}
}  // namespace lumdel::host

using namespace lumdel::host;

namespace {
void usage() {
    auto commands = commandRegistry();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
    std::fprintf(stderr, "usage: lumdel-host COMMAND ...\n");
    for (const Command& c : commands) std::fprintf(stderr, "  lumdel-host %s\n", c.usage);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    for (const Command& c : commandRegistry()) {
        if (std::strcmp(argv[1], c.name) == 0) return c.run(Args(argv + 2, argv + argc));
    }
    usage();
    return 2;
}
