// lumdel-host validate: checks that any VST 2.4 effect should pass, run against one
// plug-in file (or an in-process entry point), each reporting pass/fail with evidence.
// Checks that only make sense for Lumdel run only when the unique ID is 'LMDL'.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tools/host/Host.h"
#include "tools/host/PluginInstance.h"

namespace lumdel::host::validate {

struct Options {
    std::string pluginPath;                  // empty: use entry
    Format format = Format::Vst2;            // LV2 and CLAP: the checks marked anyFormat
    PluginLibrary::Entry entry = nullptr;    // in-process plug-in (tests)
    int strictness = 5;                      // 1..10: scales durations and counts
    std::uint64_t seed = 1;
    std::vector<std::string> only;           // run only checks whose name contains one
    std::vector<std::string> skip;           // and none whose name contains one of these
    bool isolate = true;                     // each check in a forked child
    double timeoutSeconds = 120.0;           // per check, when isolated
    std::string hostTool;                    // lumdel-host itself, for child processes
};

enum class Status { Pass, Fail, Skip };

// What one check found. Lines are streamed to the parent as they are added, so the
// evidence survives a crash of the plug-in.
class Report {
public:
    explicit Report(int fd = -1) : fd_(fd) {}
    void note(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void fail(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void skip(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool failed() const { return status_ == Status::Fail; }
    Status status() const { return status_; }
    const std::vector<std::string>& lines() const { return lines_; }
    // Keeps a check from flooding the output: after this many failures only counts.
    int failures() const { return failures_; }

private:
    void add(char kind, const std::string& text);
    int fd_;
    Status status_ = Status::Pass;
    int failures_ = 0;
    std::vector<std::string> lines_;
};

// What the host record and the first questions told about the plug-in.
struct PluginFacts {
    std::string name;
    VstInt32 uniqueID = 0;
    VstInt32 flags = 0;
    int numInputs = 0;
    int numOutputs = 0;
    int numParams = 0;
    int numPrograms = 0;
    int initialDelay = 0;
    bool canDouble() const { return flags & effFlagsCanDoubleReplacing; }
    bool hasChunks() const { return flags & effFlagsProgramChunks; }
    bool hasEditor() const { return flags & effFlagsHasEditor; }
    bool isLumdel() const { return uniqueID == vstFourCC('L', 'M', 'D', 'L'); }
};

class Session {
public:
    Session(const Options& options, const PluginFacts& facts, PluginLibrary* library,
            std::uint64_t checkSeed);

    const Options& options;
    const PluginFacts& facts;
    std::mt19937_64 rng;

    // A loaded and opened instance (entry point + effOpen), or null with a failure.
    std::unique_ptr<Host> load(Report& report);
    // Loaded, sample rate and block size set, resumed.
    std::unique_ptr<Host> start(Report& report, float rate = 44100.0f, int block = 512);
    // The same through the plug-in-instance interface, in the format being validated (a
    // VST 2.4 effect gets exactly the calls start() makes).
    std::unique_ptr<PluginInstance> startInstance(Report& report, float rate = 44100.0f,
                                                  int block = 512);
    // Loaded for that rate and block but not started (a VST 2.4 effect: load()).
    std::unique_ptr<PluginInstance> openInstance(Report& report, float rate = 44100.0f,
                                                 int block = 512);

    // atOne at strictness 1, atTen at 10, linear between.
    int scale(int atOne, int atTen) const;
    double uniform() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng); }
    int pick(int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); }

private:
    PluginLibrary* library_;
};

// Multichannel audio as the validator keeps it: double precision, channel-major.
using Signal = std::vector<std::vector<double>>;

Signal makeSilence(int channels, int frames);
Signal makeNoise(std::mt19937_64& rng, int channels, int frames, double amplitude);
Signal makeSine(int channels, int frames, double hz, double rate, double amplitude);

// Runs the whole signal through the instance in blocks of blockSize frames, in single
// or double precision, out of place. The signal has numInputs channels.
Signal process(Host& host, const Signal& input, int blockSize, bool doublePrecision,
               int numOutputs);
Signal process(PluginInstance& plugin, const Signal& input, int blockSize, bool doublePrecision,
               int numOutputs);
// The same with a callback before every block (automation, tempo changes ...); Plugin is
// Host or PluginInstance.
template <typename Plugin, typename BeforeBlock>
Signal processWith(Plugin& host, const Signal& input, int blockSize, bool doublePrecision,
                   int numOutputs, BeforeBlock beforeBlock);

struct Scan {
    long nans = 0, infs = 0, subnormals = 0;
    double peak = 0.0;
    long firstBad = -1;  // frame of the first non-finite or subnormal value
    bool clean() const { return nans == 0 && infs == 0 && subnormals == 0; }
    std::string describe() const;
};
// Subnormal means below the smallest normal number of the precision the plug-in wrote.
Scan scan(const Signal& s, bool floatPrecision);
double maxDifference(const Signal& a, const Signal& b, long* where = nullptr);
std::string fourCC(VstInt32 id);

// Values a careless host or a broken automation lane may send.
const std::vector<float>& hostileValues();

// Which formats a check runs for: VST 2.4 only, any (through startInstance), or LV2 and
// CLAP only (a VST 2.4 check of its own covers more).
enum class Reach { Vst2, AnyFormat, OtherFormats };

struct Check {
    const char* name;
    const char* what;
    void (*run)(Session&, Report&);
    Reach reach = Reach::Vst2;
};

std::vector<Check> hygieneChecks();
std::vector<Check> formatChecks();
std::vector<Check> lifecycleChecks();
std::vector<Check> automationChecks();
std::vector<Check> stateChecks();
std::vector<Check> realtimeChecks();
std::vector<Check> quirkChecks();
std::vector<Check> binaryChecks();
std::vector<Check> lumdelChecks();
std::vector<Check> allChecks();

struct Result {
    std::string name;
    Status status = Status::Pass;
    std::vector<std::string> lines;
    double seconds = 0.0;
};

// Loads the plug-in once for its facts, then runs every selected check. Empty result
// with loadError set when the plug-in cannot be loaded at all.
std::vector<Result> runChecks(const Options& options, std::string* loadError,
                              FILE* progress = nullptr);
// The command: prints every result, returns 0 when nothing failed.
int runValidate(const Options& options, FILE* out);

// Child modes of lumdel-host validate (run by the binary checks in a fresh process).
int runWritesChild(const std::string& pluginPath);

// --- template implementation ---------------------------------------------------------

template <typename Plugin, typename BeforeBlock>
Signal processWith(Plugin& host, const Signal& input, int blockSize, bool doublePrecision,
                   int numOutputs, BeforeBlock beforeBlock) {
    const int frames = input.empty() ? 0 : static_cast<int>(input[0].size());
    const int numInputs = static_cast<int>(input.size());
    Signal out(numOutputs, std::vector<double>(frames, 0.0));
    Buffers<float> fin(std::max(numInputs, 1), blockSize), fout(std::max(numOutputs, 1), blockSize);
    Buffers<double> din(std::max(numInputs, 1), blockSize), dout(std::max(numOutputs, 1), blockSize);
    for (int pos = 0; pos < frames; pos += blockSize) {
        const int n = std::min(blockSize, frames - pos);
        beforeBlock(pos, n);
        if (doublePrecision) {
            for (int c = 0; c < numInputs; ++c)
                for (int i = 0; i < n; ++i) din.data[c][i] = input[c][pos + i];
            for (auto& ch : dout.data) std::fill(ch.begin(), ch.end(), 0.0);
            host.processDouble(din.get(), dout.get(), n);
            for (int c = 0; c < numOutputs; ++c)
                for (int i = 0; i < n; ++i) out[c][pos + i] = dout.data[c][i];
        } else {
            for (int c = 0; c < numInputs; ++c)
                for (int i = 0; i < n; ++i) fin.data[c][i] = static_cast<float>(input[c][pos + i]);
            for (auto& ch : fout.data) std::fill(ch.begin(), ch.end(), 0.0f);
            host.process(fin.get(), fout.get(), n);
            for (int c = 0; c < numOutputs; ++c)
                for (int i = 0; i < n; ++i) out[c][pos + i] = fout.data[c][i];
        }
    }
    return out;
}

}  // namespace lumdel::host::validate
