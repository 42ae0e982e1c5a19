// Runs a shell command line and keeps what it printed and how it ended, for the tests
// that drive lumdel-host and the system's binary tools.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace lumdel::test {

struct ToolRun {
    int exitCode = -1;  // -1: the command could not start or did not exit by itself
    std::string output;
};

inline ToolRun runCommand(const std::string& command) {
    ToolRun r;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
    const int status = pclose(pipe);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Each argument single-quoted for the shell, its own quotes kept.
inline std::string shellWords(const std::vector<std::string>& args) {
    std::string command;
    for (const std::string& a : args) {
        command += "'";
        for (char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += "' ";
    }
    return command;
}

#ifdef LUMDEL_HOST_TOOL
// lumdel-host with arguments as the shell reads them; its error output joins the output.
inline ToolRun lumdelHost(const std::string& args) {
    return runCommand(std::string("'") + LUMDEL_HOST_TOOL + "' " + args + " 2>&1");
}
#endif

}  // namespace lumdel::test
