// lumdel-host analyze PLUGIN.so [--preset N|NAME] [--set NAME=VALUE ...]
// Measures what factory presets do (see analyze/PresetAnalysis.h): first echoes per side
// and the repeat pattern of a centred click, decay time, loudness against bypass while
// playing three kinds of material, the wet signal's level, side correlation, mono
// fold-down loss and brightness, distortion at two levels, pitch spread and duck depth.
// Without --preset every preset is measured (on two threads), followed by each preset's
// nearest neighbour in the space of these figures.
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "Host.h"
#include "Render.h"
#include "analyze/PresetAnalysis.h"

namespace lumdel::host {

namespace {

const char* const kUsage =
    "usage: lumdel-host analyze PLUGIN.so [--preset N|NAME] [--set NAME=VALUE ...]\n"
    "  --preset  one preset by number or name (default: every preset)\n"
    "  --set     a normalised parameter value applied after the preset (to try changes)\n";

}  // namespace

int runAnalyze(const Args& args);
static const CommandRegistrar registerAnalyze{
    "analyze", "analyze PLUGIN.so [--preset N|NAME] [--set NAME=VALUE ...]", runAnalyze};

int runAnalyze(const Args& args) {
    std::string plugin, preset;
    std::vector<Setting> settings;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasNext = i + 1 < args.size();
        if (args[i] == "--preset" && hasNext) {
            preset = args[++i];
        } else if (args[i] == "--set" && hasNext) {
            Setting s;
            if (!parseSetting(args[++i], s)) {
                std::fprintf(stderr, "lumdel-host analyze: --set NAME=VALUE, got '%s'\n%s",
                             args[i].c_str(), kUsage);
                return 2;
            }
            settings.push_back(s);
        } else if (plugin.empty() && !args[i].empty() && args[i][0] != '-') {
            plugin = args[i];
        } else {
            std::fprintf(stderr, "lumdel-host analyze: unexpected '%s'\n%s", args[i].c_str(), kUsage);
            return 2;
        }
    }
    if (plugin.empty()) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    PluginLibrary library(plugin);
    std::vector<int> indices;
    {
        Host host;
        if (!host.load(library)) {
            std::fprintf(stderr, "lumdel-host analyze: %s\n", host.error().c_str());
            return 1;
        }
        std::string error;
        if (!applySettings(host, settings, error)) {
            std::fprintf(stderr, "lumdel-host analyze: %s\n%s", error.c_str(), kUsage);
            return 2;
        }
        if (!preset.empty()) {
            const int index = findPreset(host, preset);
            if (index < 0) {
                std::fprintf(stderr, "lumdel-host analyze: no preset '%s'\n", preset.c_str());
                return 2;
            }
            indices.push_back(index);
        } else {
            for (int i = 0, n = presetCount(host); i < n; ++i) indices.push_back(i);
        }
    }
    std::vector<analyze::Figures> figures;
    std::string error;
    if (!analyze::analyzePresets(library, indices, settings, figures, error)) {
        std::fprintf(stderr, "lumdel-host analyze: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s", analyze::tableHeader().c_str());
    for (const analyze::Figures& f : figures) std::printf("%s", analyze::tableRow(f).c_str());
    if (figures.size() == 1) {
        const analyze::Echoes& e = figures[0].echoes;
        std::printf("\nrepeats of a centred click:");
        for (size_t i = 0; i < e.timesMs.size(); ++i)
            std::printf(" %c %.0f ms%s", e.pattern[i], e.timesMs[i], i + 1 < e.timesMs.size() ? "," : "");
        std::printf("\n");
    }
    if (figures.size() > 1) {
        std::printf("\nnearest neighbours (feature distance):\n");
        for (const analyze::Figures& a : figures) {
            const analyze::Figures* nearest = nullptr;
            double best = 1e9;
            for (const analyze::Figures& b : figures) {
                const double d = &a == &b ? 1e9 : analyze::featureDistance(a, b);
                if (d < best) best = d, nearest = &b;
            }
            std::printf("%2d  %-22s %-22s %5.2f\n", a.index, a.name.c_str(), nearest->name.c_str(), best);
        }
    }
    return 0;
}

}  // namespace lumdel::host
