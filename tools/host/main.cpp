// lumdel-host: a command-line VST 2.4 host for Lumdel (and any other plug-in).
#include <cstdio>
#include <cstring>

#include "Commands.h"

using namespace lumdel::host;

namespace {
const Command kCommands[] = {
    {"info", "info PLUGIN.so", runInfo},
};

void usage() {
    std::fprintf(stderr, "usage: lumdel-host COMMAND ...\n");
    for (const Command& c : kCommands) std::fprintf(stderr, "  lumdel-host %s\n", c.usage);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0) return c.run(Args(argv + 2, argv + argc));
    }
    usage();
    return 2;
}
