// Build-time tool: writes the Turtle files of the LV2 bundle (manifest.ttl, Lumdel.ttl,
// presets.ttl) from the parameter table and the factory bank.
//
//     lumdel-lv2-ttl OUTPUT_DIR
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "Turtle.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: lumdel-lv2-ttl OUTPUT_DIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    struct File {
        const char* name;
        void (*write)(std::ostream&);
    };
    const File files[] = {{"manifest.ttl", lumdel::lv2::writeManifest},
                          {"Lumdel.ttl", lumdel::lv2::writePluginDescription},
                          {"presets.ttl", lumdel::lv2::writePresets}};
    for (const File& f : files) {
        // Written beside the target and renamed, so a failed run leaves no half file.
        const std::string path = dir + "/" + f.name;
        const std::string part = path + ".part";
        {
            std::ofstream out(part, std::ios::binary | std::ios::trunc);
            f.write(out);
            out.flush();
            if (!out) {
                std::cerr << "lumdel-lv2-ttl: cannot write " << part << "\n";
                return 1;
            }
        }
        if (std::rename(part.c_str(), path.c_str()) != 0) {
            std::cerr << "lumdel-lv2-ttl: cannot rename " << part << "\n";
            return 1;
        }
    }
    return 0;
}
