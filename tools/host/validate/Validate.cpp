// The validator's runner: loads the plug-in for its facts, runs each check in a forked
// child (so a crash or a hang of the plug-in becomes a failed check with the evidence
// gathered so far) and prints the results.
#include "Validate.h"

#include "tools/host/Vst2Instance.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <limits>

namespace lumdel::host::validate {

namespace {
std::string formatText(const char* format, va_list args) {
    char buf[1024];
    std::vsnprintf(buf, sizeof buf, format, args);
    std::string s(buf);
    std::replace(s.begin(), s.end(), '\n', ' ');
    return s;
}

void writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n <= 0) return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}
}  // namespace

void Report::add(char kind, const std::string& text) {
    if (kind == 'F') {
        status_ = Status::Fail;
        ++failures_;
    } else if (kind == 'S' && status_ == Status::Pass) {
        status_ = Status::Skip;
    }
    lines_.push_back(std::string(1, kind) + text);
    if (fd_ >= 0) writeAll(fd_, std::string(1, kind) + text + "\n");
}

void Report::note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    add('N', formatText(format, args));
    va_end(args);
}

void Report::fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    add('F', formatText(format, args));
    va_end(args);
}

void Report::skip(const char* format, ...) {
    va_list args;
    va_start(args, format);
    add('S', formatText(format, args));
    va_end(args);
}

Session::Session(const Options& o, const PluginFacts& f, PluginLibrary* library,
                 std::uint64_t checkSeed)
    : options(o), facts(f), rng(checkSeed), library_(library) {}

std::unique_ptr<Host> Session::load(Report& report) {
    auto host = std::make_unique<Host>();
    bool ok = library_ ? host->load(*library_) : host->load(options.entry);
    if (!ok) {
        report.fail("could not create an instance: %s", host->error().c_str());
        return nullptr;
    }
    return host;
}

std::unique_ptr<Host> Session::start(Report& report, float rate, int block) {
    auto host = load(report);
    if (!host) return nullptr;
    host->sampleRate = rate;
    host->blockSize = block;
    host->start();
    return host;
}

std::unique_ptr<PluginInstance> Session::openInstance(Report& report, float rate, int block) {
    if (options.format == Format::Vst2) {
        auto vst = library_ ? std::make_unique<Vst2Instance>(library_->entry(), rate, block)
                            : std::make_unique<Vst2Instance>(options.entry, rate, block);
        if (!vst->ok()) {
            report.fail("could not create an instance: %s", vst->error().c_str());
            return nullptr;
        }
        return vst;
    }
    std::string error;
    auto plugin = openPlugin(options.pluginPath, options.format, rate, block, error);
    if (!plugin) report.fail("could not create an instance: %s", error.c_str());
    return plugin;
}

std::unique_ptr<PluginInstance> Session::startInstance(Report& report, float rate, int block) {
    auto plugin = openInstance(report, rate, block);
    if (!plugin) return nullptr;
    if (options.format == Format::Vst2) {
        static_cast<Vst2Instance&>(*plugin).host().start();
        return plugin;
    }
    std::string error;
    if (!plugin->start(error)) {
        report.fail("could not start an instance: %s", error.c_str());
        return nullptr;
    }
    return plugin;
}

int Session::scale(int atOne, int atTen) const {
    int s = std::clamp(options.strictness, 1, 10);
    return atOne + (atTen - atOne) * (s - 1) / 9;
}

Signal makeSilence(int channels, int frames) {
    return Signal(channels, std::vector<double>(frames, 0.0));
}

Signal makeNoise(std::mt19937_64& rng, int channels, int frames, double amplitude) {
    std::uniform_real_distribution<double> d(-amplitude, amplitude);
    Signal s = makeSilence(channels, frames);
    for (auto& ch : s)
        for (double& x : ch) x = d(rng);
    return s;
}

Signal makeSine(int channels, int frames, double hz, double rate, double amplitude) {
    Signal s = makeSilence(channels, frames);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < frames; ++i)
            s[c][i] = amplitude * std::sin(2.0 * M_PI * hz * i / rate + 0.3 * c);
    return s;
}

Signal process(Host& host, const Signal& input, int blockSize, bool doublePrecision,
               int numOutputs) {
    return processWith(host, input, blockSize, doublePrecision, numOutputs, [](int, int) {});
}

Signal process(PluginInstance& plugin, const Signal& input, int blockSize, bool doublePrecision,
               int numOutputs) {
    return processWith(plugin, input, blockSize, doublePrecision, numOutputs, [](int, int) {});
}

Scan scan(const Signal& s, bool floatPrecision) {
    Scan r;
    const double smallest = floatPrecision ? FLT_MIN : DBL_MIN;
    for (const auto& ch : s) {
        for (size_t i = 0; i < ch.size(); ++i) {
            double x = ch[i];
            bool bad = false;
            if (std::isnan(x)) {
                ++r.nans;
                bad = true;
            } else if (std::isinf(x)) {
                ++r.infs;
                bad = true;
            } else {
                if (x != 0.0 && std::fabs(x) < smallest) {
                    ++r.subnormals;
                    bad = true;
                }
                r.peak = std::max(r.peak, std::fabs(x));
            }
            if (bad && (r.firstBad < 0 || static_cast<long>(i) < r.firstBad))
                r.firstBad = static_cast<long>(i);
        }
    }
    return r;
}

std::string Scan::describe() const {
    char buf[200];
    std::snprintf(buf, sizeof buf, "%ld NaN, %ld Inf, %ld subnormal (first at frame %ld), peak %.4g",
                  nans, infs, subnormals, firstBad, peak);
    return buf;
}

double maxDifference(const Signal& a, const Signal& b, long* where) {
    double worst = 0.0;
    for (size_t c = 0; c < std::min(a.size(), b.size()); ++c) {
        for (size_t i = 0; i < std::min(a[c].size(), b[c].size()); ++i) {
            double d = std::fabs(a[c][i] - b[c][i]);
            if (std::isnan(d)) d = std::numeric_limits<double>::infinity();
            if (d > worst) {
                worst = d;
                if (where) *where = static_cast<long>(i);
            }
        }
    }
    return worst;
}

std::string fourCC(VstInt32 id) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((id >> shift) & 0xFF);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

const std::vector<float>& hostileValues() {
    static const std::vector<float> values = {
        -1.0f, -0.25f, 1.25f, 2.0f, 1e30f, -1e30f, std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
        1e-40f, -0.0f, 0.0f, 1.0f, FLT_MAX, -FLT_MAX, 0.999999f, 1e-7f};
    return values;
}

std::vector<Check> allChecks() {
    std::vector<Check> all;
    for (auto group : {hygieneChecks, formatChecks, lifecycleChecks, automationChecks,
                       stateChecks, realtimeChecks, quirkChecks, binaryChecks, lumdelChecks}) {
        auto checks = group();
        all.insert(all.end(), checks.begin(), checks.end());
    }
    return all;
}

namespace {
bool selected(const Options& options, const Check& check) {
    for (const std::string& s : options.skip)
        if (std::strstr(check.name, s.c_str())) return false;
    if (options.only.empty()) return true;
    for (const std::string& s : options.only)
        if (std::strstr(check.name, s.c_str())) return true;
    return false;
}

std::uint64_t seedFor(std::uint64_t seed, const char* name) {
    std::uint64_t h = seed * 0x9E3779B97F4A7C15ull + 1469598103934665603ull;
    for (const char* p = name; *p; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    return h;
}

void parseLine(Result& result, const std::string& line) {
    if (line.empty()) return;
    char kind = line[0];
    if (kind == 'F') result.status = Status::Fail;
    if (kind == 'S' && result.status == Status::Pass) result.status = Status::Skip;
    result.lines.push_back(line);
}

Result runIsolated(const Options& options, const PluginFacts& facts, PluginLibrary* library,
                   const Check& check) {
    Result result;
    result.name = check.name;
    int fds[2];
    if (pipe(fds) != 0) {
        result.status = Status::Fail;
        result.lines.push_back("Fcould not create a pipe");
        return result;
    }
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Report report(fds[1]);
        // The plug-in is loaded here, in the child, so the parent never runs its code
        // (a plug-in that starts threads would not survive a fork).
        std::unique_ptr<PluginLibrary> own;
        if (!library && !options.pluginPath.empty() && options.format == Format::Vst2) {
            own = std::make_unique<PluginLibrary>(options.pluginPath);
            library = own.get();
        }
        Session session(options, facts, library, seedFor(options.seed, check.name));
        try {
            check.run(session, report);
        } catch (const std::exception& e) {
            report.fail("exception: %s", e.what());
        } catch (...) {
            report.fail("unknown exception");
        }
        writeAll(fds[1], "E\n");
        close(fds[1]);
        _exit(0);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        result.status = Status::Fail;
        result.lines.push_back("Fcould not fork");
        return result;
    }
    std::string pending;
    bool ended = false, timedOut = false;
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(static_cast<long>(options.timeoutSeconds * 1000));
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(std::min<long>(left, 1000)));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) continue;
        char buf[4096];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        pending.append(buf, static_cast<size_t>(n));
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (line == "E")
                ended = true;
            else
                parseLine(result, line);
        }
    }
    close(fds[0]);
    int status = 0;
    if (timedOut) kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    if (timedOut) {
        result.status = Status::Fail;
        char text[128];
        std::snprintf(text, sizeof text, "Ftimed out after %.0f s: the plug-in hangs or deadlocks here",
                      options.timeoutSeconds);
        result.lines.push_back(text);
    } else if (!ended) {
        result.status = Status::Fail;
        if (WIFSIGNALED(status))
            result.lines.push_back(std::string("Fcrashed with signal ") +
                                   std::to_string(WTERMSIG(status)) + " (" +
                                   strsignal(WTERMSIG(status)) + ")");
        else
            result.lines.push_back("Fcrashed or exited early (exit status " +
                                   std::to_string(WEXITSTATUS(status)) +
                                   "; a sanitizer report, if any, is above)");
    }
    return result;
}

Result runInProcess(const Options& options, const PluginFacts& facts, PluginLibrary* library,
                    const Check& check) {
    Result result;
    result.name = check.name;
    Report report;
    Session session(options, facts, library, seedFor(options.seed, check.name));
    check.run(session, report);
    for (const std::string& line : report.lines()) parseLine(result, line);
    return result;
}
}  // namespace

namespace {
// Whether a state is or holds Lumdel's bank (an LV2 state keeps it as one record).
bool holdsLumdelBank(const std::vector<unsigned char>& state) {
    const unsigned char id[4] = {'L', 'D', 'M', 'L'};  // 'LMDL' as a little-endian int
    for (size_t at = 4; at + 12 <= state.size(); ++at) {
        if (std::memcmp(state.data() + at, id, 4) != 0) continue;
        std::vector<unsigned char> bank(state.begin() + static_cast<long>(at) - 4, state.end());
        if (chunkWithCurrent(bank, 0)) return true;
    }
    return false;
}

// An LV2 or CLAP plug-in's facts as its loader tells them: four inputs (main and side
// chain) and two outputs, chunks when it has a state, double precision for CLAP; the
// identifier 'LMDL' when the state holds Lumdel's bank.
bool probeInstance(const Options& options, PluginFacts* facts, std::string* error) {
    auto plugin = openPlugin(options.pluginPath, options.format, 44100.0, 512, *error);
    if (!plugin) return false;
    facts->name = plugin->name();
    std::vector<unsigned char> state = plugin->state();
    facts->uniqueID = holdsLumdelBank(state) ? vstFourCC('L', 'M', 'D', 'L') : 0;
    facts->flags = (state.empty() ? 0 : effFlagsProgramChunks) |
                   (options.format == Format::Clap ? effFlagsCanDoubleReplacing : 0);
    facts->numInputs = 4;
    facts->numOutputs = 2;
    facts->numParams = plugin->parameterCount();
    facts->numPrograms = plugin->presetCount();
    facts->initialDelay = plugin->latency();
    return true;
}

bool probe(const Options& options, PluginLibrary* library, PluginFacts* facts, std::string* error) {
    if (options.format != Format::Vst2) return probeInstance(options, facts, error);
    if (library && !library->ok()) {
        *error = library->error();
        return false;
    }
    Host host;
    bool ok = library ? host.load(*library) : host.load(options.entry);
    if (!ok) {
        *error = host.error();
        return false;
    }
    AEffect* e = host.effect();
    facts->name = host.effectName();
    facts->uniqueID = e->uniqueID;
    facts->flags = e->flags;
    facts->numInputs = e->numInputs;
    facts->numOutputs = e->numOutputs;
    facts->numParams = e->numParams;
    facts->numPrograms = e->numPrograms;
    facts->initialDelay = e->initialDelay;
    return true;
}

// The same in a forked child, which reports the facts as one line of numbers and the
// name on the next, or "!" and the error.
bool probeIsolated(const Options& options, PluginFacts* facts, std::string* error) {
    int fds[2];
    if (pipe(fds) != 0) return probe(options, nullptr, facts, error);
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::unique_ptr<PluginLibrary> library;
        if (options.format == Format::Vst2) library = std::make_unique<PluginLibrary>(options.pluginPath);
        PluginFacts f;
        std::string e;
        char line[256];
        if (probe(options, library.get(), &f, &e)) {
            std::snprintf(line, sizeof line, "%d %d %d %d %d %d %d\n", f.uniqueID, f.flags,
                          f.numInputs, f.numOutputs, f.numParams, f.numPrograms, f.initialDelay);
            writeAll(fds[1], line + f.name + "\n");
        } else {
            writeAll(fds[1], "!" + e + "\n");
        }
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buf[1024];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (text.empty()) {
        *error = WIFSIGNALED(status) ? std::string("crashed while loading: signal ") +
                                           strsignal(WTERMSIG(status))
                                     : "the loading process ended without an answer";
        return false;
    }
    if (text[0] == '!') {
        *error = text.substr(1, text.find('\n') - 1);
        return false;
    }
    size_t nl = text.find('\n');
    if (std::sscanf(text.c_str(), "%d %d %d %d %d %d %d", &facts->uniqueID, &facts->flags,
                    &facts->numInputs, &facts->numOutputs, &facts->numParams, &facts->numPrograms,
                    &facts->initialDelay) != 7) {
        *error = "unreadable answer from the loading process";
        return false;
    }
    std::string rest = text.substr(nl + 1);
    facts->name = rest.substr(0, rest.find('\n'));
    return true;
}
}  // namespace

std::vector<Result> runChecks(const Options& options, std::string* loadError, FILE* progress) {
    std::vector<Result> results;
    std::unique_ptr<PluginLibrary> library;
    PluginFacts facts;
    std::string error;
    bool loaded;
    if (options.isolate && !options.pluginPath.empty()) {
        loaded = probeIsolated(options, &facts, &error);
    } else {
        if (!options.pluginPath.empty() && options.format == Format::Vst2) library = std::make_unique<PluginLibrary>(options.pluginPath);
        loaded = probe(options, library.get(), &facts, &error);
    }
    if (!loaded) {
        if (loadError) *loadError = error;
        return results;
    }
    if (progress) {
        std::fprintf(progress,
                     "Plug-in '%s', ID '%s', %d in / %d out, %d parameters, %d programs, flags "
                     "0x%X, strictness %d, seed %llu\n",
                     facts.name.c_str(), fourCC(facts.uniqueID).c_str(), facts.numInputs,
                     facts.numOutputs, facts.numParams, facts.numPrograms,
                     static_cast<unsigned>(facts.flags), options.strictness,
                     static_cast<unsigned long long>(options.seed));
        std::fflush(progress);
    }
    for (const Check& check : allChecks()) {
        if (!selected(options, check)) continue;
        const bool vst = options.format == Format::Vst2;
        if (vst ? check.reach == Reach::OtherFormats : check.reach == Reach::Vst2) continue;
        auto t0 = std::chrono::steady_clock::now();
        Result r = options.isolate ? runIsolated(options, facts, library.get(), check)
                                   : runInProcess(options, facts, library.get(), check);
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (progress) {
            const char* tag = r.status == Status::Pass   ? "PASS"
                              : r.status == Status::Fail ? "FAIL"
                                                         : "SKIP";
            std::fprintf(progress, "[%s] %-32s %6.1f s  %s\n", tag, r.name.c_str(), r.seconds,
                         check.what);
            int shown = 0;
            for (const std::string& line : r.lines) {
                if (++shown > 40) {
                    std::fprintf(progress, "         ... %zu more lines\n", r.lines.size() - 40);
                    break;
                }
                const char* mark = line[0] == 'F' ? "  FAIL: " : "        ";
                std::fprintf(progress, "%s%s\n", mark, line.c_str() + 1);
            }
            std::fflush(progress);
        }
        results.push_back(std::move(r));
    }
    return results;
}

int runValidate(const Options& options, FILE* out) {
    std::string loadError;
    auto t0 = std::chrono::steady_clock::now();
    auto results = runChecks(options, &loadError, out);
    if (results.empty() && !loadError.empty()) {
        std::fprintf(out, "[FAIL] load: %s\n", loadError.c_str());
        return 1;
    }
    int pass = 0, fail = 0, skip = 0;
    for (const Result& r : results) {
        if (r.status == Status::Pass) ++pass;
        if (r.status == Status::Fail) ++fail;
        if (r.status == Status::Skip) ++skip;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::fprintf(out, "\n%d passed, %d failed, %d skipped in %.1f s\n", pass, fail, skip, seconds);
    if (fail) {
        std::fprintf(out, "Failed:");
        for (const Result& r : results)
            if (r.status == Status::Fail) std::fprintf(out, " %s", r.name.c_str());
        std::fprintf(out, "\n");
    }
    return fail ? 1 : 0;
}

}  // namespace lumdel::host::validate
