// Folders and environment variables that last as long as a test needs them: a fresh
// folder under /tmp removed with everything in it, a variable put back as it was, and
// XDG_CONFIG_HOME on a fresh folder (the settings store of every instance made meanwhile);
// and the place next to the test program where tests leave pictures to look at.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace lumdel::test {

// Next to the test program, in the build tree.
inline std::string artefactPath(const std::string& name) {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return name;
    std::string dir(exe, static_cast<std::size_t>(n));
    return dir.substr(0, dir.rfind('/') + 1) + name;
}

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "lumdel") {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempDir() {
        if (path_.empty()) return;
        const std::string command = "/bin/rm -rf '" + path_ + "'";
        if (std::system(command.c_str()) != 0) {
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;  // empty when no folder could be made
};

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

class TempConfigHome {
public:
    TempConfigHome() : dir_("lumdel-config"), env_("XDG_CONFIG_HOME", dir_.path()) {}
    const std::string& path() const { return dir_.path(); }
    std::string storeDirectory() const { return dir_.path() + "/Orvtone/Lumdel/"; }

private:
    TempDir dir_;
    ScopedEnv env_;
};

}  // namespace lumdel::test
