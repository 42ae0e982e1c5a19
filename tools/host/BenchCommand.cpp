// lumdel-host bench PLUGIN [--vs OTHER] [--format F] [--vs-format F] [--set NAME=VALUE ...]
//                   [--rate HZ] [--block FRAMES] [--rounds N] [--blocks N] [--double] [--silent]
// PLUGIN and OTHER are VST 2.4 libraries (.so), LV2 bundles (.lv2) or CLAP files (.clap),
// or the format --format (for PLUGIN) and --vs-format (for OTHER) name: `--vs` between two
// formats of one plug-in compares what each format's adapter costs.
// Cost of processing stereo noise in blocks of 512 frames (or --block): ns per frame and
// real-time factor, the median of the rounds with their quartiles; with --vs the two
// plug-ins take turns in one run and the ratio of each round is taken, printed as its
// median with quartiles and extremes (the settings apply to the second plug-in too when
// it knows them). --silent feeds silence after a loud second and a minute of decay: the
// cost of a tail that has died away.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Host.h"
#include "PluginInstance.h"
#include "ParameterSettings.h"

namespace lumdel::host {

namespace {

constexpr int kNoiseBlocks = 64;
constexpr int kMaxBlock = 8192;

struct Subject {
    std::string path;
    std::unique_ptr<PluginInstance> plugin;
    std::vector<double> nsPerFrame;
};

double threadNanoseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

// The value below which a share q (0..1) of the values lie, linear between ranks.
double quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const double at = q * static_cast<double>(v.size() - 1);
    const size_t i = static_cast<size_t>(at);
    if (i + 1 >= v.size()) return v.back();
    return v[i] + (v[i + 1] - v[i]) * (at - static_cast<double>(i));
}
double median(const std::vector<double>& v) { return quantile(v, 0.5); }

template <typename T>
class NoiseRunner {
public:
    explicit NoiseRunner(int block)
        : block_(block), in_(4, block * kNoiseBlocks), silence_(4, block), out_(2, block) {
        unsigned seed = 12345;
        for (auto& channel : in_.data)
            for (T& x : channel) {
                seed = seed * 1103515245u + 12345u;
                x = static_cast<T>(((seed >> 9) & 0x7fff) / 16384.0 - 1.0) * T(0.5);
            }
    }
    // Runs blocks of noise; returns the nanoseconds of CPU time this thread spent (time
    // spent by other processes on a busy machine does not count).
    double run(PluginInstance& plugin, int blocks, bool silent = false) {
        const double start = threadNanoseconds();
        for (int b = 0; b < blocks; ++b) {
            const int offset = (b % kNoiseBlocks) * block_;
            T* inputs[4];
            for (int c = 0; c < 4; ++c)
                inputs[c] = silent ? silence_.data[c].data() : in_.data[c].data() + offset;
            if constexpr (sizeof(T) == sizeof(float))
                plugin.process(inputs, out_.get(), block_);
            else
                plugin.processDouble(inputs, out_.get(), block_);
        }
        return threadNanoseconds() - start;
    }
    // A loud second, then a minute of silence: what is left of the tail has died away.
    void decay(PluginInstance& plugin, double rate) {
        const int second = static_cast<int>(rate) / block_ + 1;
        run(plugin, second);
        run(plugin, 60 * second, true);
    }

private:
    int block_;
    Buffers<T> in_, silence_, out_;
};

template <typename T>
int benchmark(std::vector<Subject>& subjects, int rounds, int blocks, double rate, int block,
              bool silent) {
    NoiseRunner<T> runner(block);
    for (Subject& s : subjects) {
        if (silent) runner.decay(*s.plugin, rate);
        runner.run(*s.plugin, 200, silent);  // warm up
    }
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        for (Subject& s : subjects)
            s.nsPerFrame.push_back(runner.run(*s.plugin, blocks, silent) /
                                   (double(blocks) * block));
        if (subjects.size() == 2) ratios.push_back(subjects[0].nsPerFrame.back() /
                                                   subjects[1].nsPerFrame.back());
    }
    for (Subject& s : subjects) {
        const double ns = median(s.nsPerFrame);
        std::printf("%s: %.2f ns per frame (quartiles %.2f..%.2f), real-time factor %.0f "
                    "(%d Hz, %d frames, %s%s)\n",
                    s.path.c_str(), ns, quantile(s.nsPerFrame, 0.25),
                    quantile(s.nsPerFrame, 0.75), 1e9 / (ns * rate), static_cast<int>(rate),
                    block, sizeof(T) == sizeof(float) ? "float" : "double",
                    silent ? ", silent tail" : "");
    }
    if (!ratios.empty())
        std::printf("ratio %.2f (median of %d alternating rounds; quartiles %.2f..%.2f, "
                    "range %.2f..%.2f)\n",
                    median(ratios), rounds, quantile(ratios, 0.25), quantile(ratios, 0.75),
                    quantile(ratios, 0.0), quantile(ratios, 1.0));
    return 0;
}

}  // namespace

int runBench(const Args& args);
static const CommandRegistrar registerBench{
    "bench", "bench PLUGIN [--vs OTHER] [--format vst2|lv2|clap] [--vs-format vst2|lv2|clap] "
             "[--set NAME=VALUE ...] [--rate HZ] [--block FRAMES] [--rounds N] [--blocks N] "
             "[--double] [--silent]",
    runBench};

int runBench(const Args& args) {
    std::vector<Subject> subjects;
    std::vector<Setting> settings;
    std::string formats[2];  // --format, --vs-format
    int rounds = 101, blocks = 0;  // blocks: 25600 frames a round unless given
    double rate = 44100.0;
    int block = 512;
    bool useDouble = false, silent = false, havePlugin = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto next = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        if (a == "--vs") {
            const std::string* v = next();
            if (!v) return std::fprintf(stderr, "--vs needs a plug-in\n"), 2;
            subjects.push_back({*v, nullptr, {}});
        } else if (a == "--format" || a == "--vs-format") {
            const std::string* v = next();
            Format f;
            if (!v || !parseFormat(*v, f))
                return std::fprintf(stderr, "%s vst2|lv2|clap\n", a.c_str()), 2;
            formats[a == "--format" ? 0 : 1] = *v;
        } else if (a == "--set") {
            const std::string* v = next();
            Setting s;
            if (!v || !parseSetting(*v, s)) return std::fprintf(stderr, "--set NAME=VALUE\n"), 2;
            settings.push_back(s);
        } else if (a == "--rate") {
            const std::string* v = next();
            if (!v) return 2;
            rate = std::atof(v->c_str());
        } else if (a == "--rounds") {
            const std::string* v = next();
            if (!v) return 2;
            rounds = std::max(1, std::atoi(v->c_str()));
        } else if (a == "--blocks") {
            const std::string* v = next();
            if (!v) return 2;
            blocks = std::max(1, std::atoi(v->c_str()));
        } else if (a == "--block") {
            const std::string* v = next();
            if (!v) return 2;
            block = std::clamp(std::atoi(v->c_str()), 1, kMaxBlock);
        } else if (a == "--double") {
            useDouble = true;
        } else if (a == "--silent") {
            silent = true;
        } else if (!a.empty() && a[0] != '-' && !havePlugin) {
            subjects.insert(subjects.begin(), Subject{a, nullptr, {}});
            havePlugin = true;
        } else {
            std::fprintf(stderr, "lumdel-host bench: unexpected '%s'\n", a.c_str());
            return 2;
        }
    }
    if (blocks == 0) blocks = std::max(1, 25600 / block);
    if (subjects.empty() || !havePlugin || subjects.size() > 2) {
        std::fprintf(stderr, "usage: lumdel-host bench PLUGIN [--vs OTHER] [--format F] "
                             "[--vs-format F] [--set NAME=VALUE ...]\n");
        return 2;
    }
    for (size_t k = 0; k < subjects.size(); ++k) {
        Subject& s = subjects[k];
        Format format = formatOfPath(s.path);
        if (k < 2 && !formats[k].empty()) parseFormat(formats[k], format);
        std::string error;
        s.plugin = openPlugin(s.path, format, rate, block, error);
        if (!s.plugin) {
            std::fprintf(stderr, "lumdel-host: %s: %s\n", s.path.c_str(), error.c_str());
            return 1;
        }
        // The settings belong to the first plug-in; a second one that knows the same
        // names (another build of it) takes them too, any other peer runs as it is.
        if (!applySettings(*s.plugin, settings, error) && k == 0) {
            std::fprintf(stderr, "lumdel-host: %s\n", error.c_str());
            return 1;
        }
        if (!s.plugin->start(error)) {
            std::fprintf(stderr, "lumdel-host: %s: %s\n", s.path.c_str(), error.c_str());
            return 1;
        }
    }
    return useDouble ? benchmark<double>(subjects, rounds, blocks, rate, block, silent)
                     : benchmark<float>(subjects, rounds, blocks, rate, block, silent);
}

}  // namespace lumdel::host
