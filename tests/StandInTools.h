// Stand-in dialog tools for the file-dialog tests: small shell scripts named "zenity"
// or "kdialog" in a private folder that becomes the whole PATH while the object lives.
// Scripts use absolute paths for everything they run, so no real dialog tool (or
// anything else) is found through PATH.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TempFolders.h"

namespace lumdel::test {

class StandInTools {
public:
    StandInTools() = default;
    // Kills whatever a script started and left running (a test that failed half-way).
    ~StandInTools() {
        for (pid_t pid : pidsIn("pids")) kill(pid, SIGKILL);
    }

    const std::string& dir() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_ / name; }

    // A tool whose body is the given shell text. Before the body it appends its process
    // id to "pids" and its arguments, one per line, to "NAME.args".
    void tool(const std::string& name, const std::string& body) const {
        const std::string path = file(name);
        std::ofstream script(path);
        script << "#!/bin/sh\n"
               << "echo $$ >> '" << file("pids") << "'\n"
               << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << file(name + ".args")
               << "'\n"
               << body << "\n";
        script.close();
        chmod(path.c_str(), 0755);
    }
    // A tool that answers with the text (a trailing newline added) and exit status.
    void answering(const std::string& name, const std::string& answer, int exitCode = 0) const {
        tool(name, "printf '%s\\n' '" + answer + "'\nexit " + std::to_string(exitCode));
    }
    // A tool that waits for a minute without a word.
    void hanging(const std::string& name) const { tool(name, "exec /bin/sleep 60"); }
    // A tool that writes without end.
    void flooding(const std::string& name) const { tool(name, "exec /usr/bin/yes /x/y.orv"); }
    // A tool that answers and exits, leaving a process behind that holds its output.
    void leavingPipeOpen(const std::string& name, const std::string& answer) const {
        tool(name, "/bin/sleep 60 &\necho $! >> '" + file("pids") + "'\nprintf '%s\\n' '" +
                       answer + "'\nexit 0");
    }

    std::vector<std::string> argsOf(const std::string& name) const {
        std::ifstream in(file(name + ".args"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The process ids the tools wrote, in order.
    std::vector<pid_t> pids() const { return pidsIn("pids"); }
    // Waits (at most about 5 s) until the tools have written n ids.
    std::vector<pid_t> waitForPids(std::size_t n) const {
        for (int i = 0; i < 500 && pids().size() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return pids();
    }

    // True while the process exists and is not a zombie.
    static bool alive(pid_t pid) {
        if (pid <= 0 || kill(pid, 0) != 0) return false;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
    }

private:
    std::vector<pid_t> pidsIn(const std::string& name) const {
        std::ifstream in(file(name));
        std::vector<pid_t> out;
        for (long pid; in >> pid;) out.push_back(static_cast<pid_t>(pid));
        return out;
    }

    TempDir dir_{"lumdel-tools"};
    ScopedEnv path_{"PATH", dir_.path()};  // the folder is the whole PATH
};

}  // namespace lumdel::test
