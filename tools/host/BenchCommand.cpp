// lumdel-host bench PLUGIN.so [--vs OTHER.so] [--set NAME=VALUE ...] [--rate HZ]
//                             [--rounds N] [--blocks N] [--double]
// Cost of processing stereo noise in 512-frame blocks: ns per frame and real-time
// factor; with --vs the two plug-ins take turns in one run and the median ratio of the
// rounds is printed (the settings apply to the second plug-in too when it knows them).
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Host.h"
#include "ParameterSettings.h"

namespace lumdel::host {

namespace {

constexpr int kBlock = 512;
constexpr int kNoiseBlocks = 64;

struct Subject {
    std::string path;
    std::unique_ptr<PluginLibrary> library;
    std::unique_ptr<Host> host;
    std::vector<double> nsPerFrame;
};

double threadNanoseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

template <typename T>
class NoiseRunner {
public:
    NoiseRunner() : in_(4, kBlock * kNoiseBlocks), out_(2, kBlock) {
        unsigned seed = 12345;
        for (auto& channel : in_.data)
            for (T& x : channel) {
                seed = seed * 1103515245u + 12345u;
                x = static_cast<T>(((seed >> 9) & 0x7fff) / 16384.0 - 1.0) * T(0.5);
            }
    }
    // Runs blocks of noise; returns the nanoseconds of CPU time this thread spent (time
    // spent by other processes on a busy machine does not count).
    double run(Host& host, int blocks) {
        const double start = threadNanoseconds();
        for (int b = 0; b < blocks; ++b) {
            const int offset = (b % kNoiseBlocks) * kBlock;
            T* inputs[4];
            for (int c = 0; c < 4; ++c) inputs[c] = in_.data[c].data() + offset;
            if constexpr (sizeof(T) == sizeof(float))
                host.process(inputs, out_.get(), kBlock);
            else
                host.processDouble(inputs, out_.get(), kBlock);
        }
        return threadNanoseconds() - start;
    }

private:
    Buffers<T> in_, out_;
};

template <typename T>
int benchmark(std::vector<Subject>& subjects, int rounds, int blocks, double rate) {
    NoiseRunner<T> runner;
    for (Subject& s : subjects) runner.run(*s.host, 200);  // warm up
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        for (Subject& s : subjects)
            s.nsPerFrame.push_back(runner.run(*s.host, blocks) / (double(blocks) * kBlock));
        if (subjects.size() == 2) ratios.push_back(subjects[0].nsPerFrame.back() /
                                                   subjects[1].nsPerFrame.back());
    }
    for (Subject& s : subjects) {
        const double ns = median(s.nsPerFrame);
        std::printf("%s: %.2f ns per frame, real-time factor %.0f (%d Hz, %s)\n", s.path.c_str(),
                    ns, 1e9 / (ns * rate), static_cast<int>(rate),
                    sizeof(T) == sizeof(float) ? "float" : "double");
    }
    if (!ratios.empty())
        std::printf("ratio %.2f (median of %d alternating rounds)\n", median(ratios), rounds);
    return 0;
}

}  // namespace

int runBench(const Args& args);
static const CommandRegistrar registerBench{
    "bench", "bench PLUGIN.so [--vs OTHER.so] [--set NAME=VALUE ...] [--rate HZ] [--rounds N] [--blocks N] [--double]",
    runBench};

int runBench(const Args& args) {
    std::vector<Subject> subjects;
    std::vector<Setting> settings;
    int rounds = 101, blocks = 50;
    double rate = 44100.0;
    bool useDouble = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto next = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        if (a == "--vs") {
            const std::string* v = next();
            if (!v) return std::fprintf(stderr, "--vs needs a plug-in\n"), 2;
            subjects.push_back({*v, nullptr, nullptr, {}});
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
        } else if (a == "--double") {
            useDouble = true;
        } else if (!a.empty() && a[0] != '-' && (subjects.empty() || !subjects[0].library)) {
            subjects.insert(subjects.begin(), Subject{a, nullptr, nullptr, {}});
            subjects[0].library = std::make_unique<PluginLibrary>(a);
        } else {
            std::fprintf(stderr, "lumdel-host bench: unexpected '%s'\n", a.c_str());
            return 2;
        }
    }
    if (subjects.empty() || !subjects[0].library || subjects.size() > 2) {
        std::fprintf(stderr, "usage: lumdel-host bench PLUGIN.so [--vs OTHER.so] [--set NAME=VALUE ...]\n");
        return 2;
    }
    for (size_t k = 0; k < subjects.size(); ++k) {
        Subject& s = subjects[k];
        if (!s.library) s.library = std::make_unique<PluginLibrary>(s.path);
        s.host = std::make_unique<Host>();
        s.host->sampleRate = static_cast<float>(rate);
        s.host->blockSize = kBlock;
        if (!s.host->load(*s.library)) {
            std::fprintf(stderr, "lumdel-host: %s: %s\n", s.path.c_str(), s.host->error().c_str());
            return 1;
        }
        // The settings belong to the first plug-in; a second one that knows the same
        // names (another build of it) takes them too, any other peer runs as it is.
        std::string error;
        if (!applySettings(*s.host, settings, error) && k == 0) {
            std::fprintf(stderr, "lumdel-host: %s\n", error.c_str());
            return 1;
        }
        s.host->start();
    }
    return useDouble ? benchmark<double>(subjects, rounds, blocks, rate)
                     : benchmark<float>(subjects, rounds, blocks, rate);
}

}  // namespace lumdel::host
