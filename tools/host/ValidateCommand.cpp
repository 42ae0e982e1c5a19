// lumdel-host validate PLUGIN.so [--strictness N] [--seed S] [--only NAME]...: checks any
// VST 2.4 effect against what trusted validators and real Linux hosts do to it. An LV2
// bundle (.lv2) or a CLAP file (.clap), or --format lv2|clap, gets the checks that hold
// for any format (hygiene.finite, formats.rates-blocks, state.round-trip,
// state.restores-audio, realtime.instance-block) through lumdel-host's loader for it.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "Commands.h"
#include "validate/Validate.h"

namespace lumdel::host {

namespace {

const char* kUsage =
    "validate PLUGIN [--format vst2|lv2|clap] [--strictness 1..10] [--seed S] [--only NAME]... "
    "[--skip NAME]... [--no-isolate] [--no-xvfb] [--list]";

std::string findInPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        std::string candidate = all.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

// Starts a private X server when there is no display, so the editor checks can run.
struct PrivateDisplay {
    pid_t pid = -1;
    ~PrivateDisplay() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    bool start() {
        std::string xvfb = findInPath("Xvfb");
        if (xvfb.empty()) return false;
        for (int n = 90; n < 160; ++n) {
            std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            struct stat st;
            if (stat(socket.c_str(), &st) == 0 || stat(lock.c_str(), &st) == 0) continue;
            std::string display = ":" + std::to_string(n);
            pid = fork();
            if (pid == 0) {
                std::freopen("/dev/null", "w", stdout);
                std::freopen("/dev/null", "w", stderr);
                execl(xvfb.c_str(), xvfb.c_str(), display.c_str(), "-screen", "0", "1280x1024x24",
                      "-nolisten", "tcp", (char*)nullptr);
                _exit(127);
            }
            for (int i = 0; i < 100; ++i) {
                if (stat(socket.c_str(), &st) == 0) {
                    setenv("DISPLAY", display.c_str(), 1);
                    return true;
                }
                if (waitpid(pid, nullptr, WNOHANG) == pid) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
        return false;
    }
};

}  // namespace

int runValidateCommand(const Args& args);
static const CommandRegistrar registerValidate{"validate", kUsage, runValidateCommand};

int runValidateCommand(const Args& args) {
    validate::Options options;
    bool list = false, xvfb = true;
    std::string writesChild, format;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string { return i + 1 < args.size() ? args[++i] : ""; };
        if (a == "--strictness") {
            options.strictness = std::atoi(value().c_str());
            if (options.strictness < 1 || options.strictness > 10) {
                std::fprintf(stderr, "lumdel-host validate: strictness is 1..10\n");
                return 2;
            }
        } else if (a == "--format") {
            format = value();
            if (!parseFormat(format, options.format)) {
                std::fprintf(stderr, "lumdel-host validate: --format vst2|lv2|clap\n");
                return 2;
            }
        } else if (a == "--seed") {
            options.seed = std::strtoull(value().c_str(), nullptr, 0);
        } else if (a == "--only") {
            options.only.push_back(value());
        } else if (a == "--skip") {
            options.skip.push_back(value());
        } else if (a == "--no-isolate") {
            options.isolate = false;
        } else if (a == "--no-xvfb") {
            xvfb = false;
        } else if (a == "--list") {
            list = true;
        } else if (a == "--writes-child") {
            writesChild = value();
        } else if (!a.empty() && a[0] != '-' && options.pluginPath.empty()) {
            options.pluginPath = a;
        } else {
            std::fprintf(stderr, "usage: lumdel-host %s\n", kUsage);
            return 2;
        }
    }
    if (list) {
        for (const validate::Check& c : validate::allChecks())
            std::printf("%-28s %s%s\n", c.name, c.what,
                        c.reach == validate::Reach::Vst2        ? ""
                        : c.reach == validate::Reach::AnyFormat ? " (any format)"
                                                                : " (LV2, CLAP)");
        return 0;
    }
    if (!writesChild.empty()) return validate::runWritesChild(writesChild);
    if (options.pluginPath.empty()) {
        std::fprintf(stderr, "usage: lumdel-host %s\n", kUsage);
        return 2;
    }
    if (format.empty()) options.format = formatOfPath(options.pluginPath);
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) options.hostTool.assign(self, static_cast<size_t>(n));
    PrivateDisplay display;
    const char* current = std::getenv("DISPLAY");
    if ((!current || !*current) && xvfb) {
        if (display.start())
            std::printf("No DISPLAY: started Xvfb on %s for the editor checks\n", std::getenv("DISPLAY"));
    }
    return validate::runValidate(options, stdout);
}

}  // namespace lumdel::host
