#include "SettingsStore.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "PresetFiles.h"

namespace lumdel {

namespace {
constexpr const char* kStoreSubdirectory = "Orvtone/Lumdel/";

// Creates each missing directory of path; true when path ends up a directory.
bool makeDirectories(const std::string& path) {
    std::string partial;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        partial = path.substr(0, slash);
        if (!partial.empty()) {
            if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
        }
        start = slash + 1;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

SettingsStore::SettingsStore() : directory_(defaultDirectory()) {}

SettingsStore::SettingsStore(std::string directory) : directory_(std::move(directory)) {
    if (!directory_.empty() && directory_.back() != '/') directory_ += '/';
}

std::string SettingsStore::defaultDirectory() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        std::string base = config;
        if (base.back() != '/') base += '/';
        return base + kStoreSubdirectory;
    }
    const char* home = std::getenv("HOME");
    std::string base;
    if (home && home[0] == '/') {
        base = home;
    } else {
        struct passwd pw;
        struct passwd* result = nullptr;
        char buffer[4096];
        if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &result) == 0 && result &&
            result->pw_dir && result->pw_dir[0] == '/')
            base = result->pw_dir;
    }
    if (base.empty()) return {};
    if (base.back() != '/') base += '/';
    return base + ".config/" + kStoreSubdirectory;
}

std::string SettingsStore::pathOf(const char* name) const { return directory_ + name; }

bool SettingsStore::ensureDirectory() const {
    if (directory_.empty()) return false;
    return makeDirectories(directory_.substr(0, directory_.size() - 1));
}

bool SettingsStore::readBinary(const char* name, std::vector<unsigned char>& data,
                               std::size_t maxSize) const {
    data.clear();
    if (directory_.empty() || !name) return false;
    return readWholeFile(pathOf(name), data, maxSize);
}

bool SettingsStore::writeBinary(const char* name, const unsigned char* data,
                                std::size_t size) const {
    if (!name || !ensureDirectory()) return false;
    return writeFileReplacing(pathOf(name), data, size);
}

bool SettingsStore::readString(const char* name, std::string& value) const {
    value.clear();
    std::vector<unsigned char> data;
    // A NUL may follow the text (a terminator written by some other tool): allow for it.
    if (!readBinary(name, data, kMaxStringLength + 1)) return false;
    std::size_t length = 0;
    while (length < data.size() && data[length] != 0) ++length;
    if (length > kMaxStringLength) return false;
    value.assign(reinterpret_cast<const char*>(data.data()), length);
    return true;
}

bool SettingsStore::writeString(const char* name, const std::string& value) const {
    if (value.size() > kMaxStringLength || value.find('\0') != std::string::npos) return false;
    return writeBinary(name, reinterpret_cast<const unsigned char*>(value.data()), value.size());
}

bool SettingsStore::erase(const char* name) const {
    if (directory_.empty() || !name) return false;
    return unlink(pathOf(name).c_str()) == 0;
}

}  // namespace lumdel
