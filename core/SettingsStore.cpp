#include "SettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "SafeFile.h"

namespace lumdel {

namespace {
constexpr const char* kStoreSubdirectory = "Orvtone/Lumdel/";

// Creates each missing directory of path (mode 0700); true when path ends up a directory.
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

// One line on stderr per process, however many instances meet the same folder.
void warnUnusable(const std::string& folder, const char* why) {
    static std::atomic<bool> warned{false};
    if (warned.exchange(true)) return;
    std::fprintf(stderr, "Lumdel: settings folder %s %s; using factory settings, storing nothing\n",
                 folder.c_str(), why);
}

// Opens the folder name inside at: a real folder (not a link) owned by this user, made
// (mode 0700) when missing and create is set. -1 otherwise.
int openOwnedFolder(int at, const std::string& name, const std::string& shownPath, bool create) {
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = openat(at, name.c_str(), flags);
    if (fd < 0 && errno == ENOENT && create) {
        if (mkdirat(at, name.c_str(), 0700) != 0 && errno != EEXIST) return -1;
        fd = openat(at, name.c_str(), flags);
    }
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR) warnUnusable(shownPath, "is not a folder");
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_uid != geteuid()) {
        warnUnusable(shownPath, "belongs to another user");
        close(fd);
        return -1;
    }
    return fd;
}

// A value name is one plain file name.
bool isValueName(const char* name) {
    return name && *name && std::strchr(name, '/') == nullptr && std::strcmp(name, ".") != 0 &&
           std::strcmp(name, "..") != 0;
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

// The last two parts of the directory (Orvtone/Lumdel) are checked; what lies above
// them (the user's configuration folder) may be a link, as it often is.
int SettingsStore::openFolder(bool create) const {
    std::string path = directory_;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::size_t last = path.rfind('/');
    if (last == std::string::npos || last == 0) return -1;
    const std::string folder = path.substr(last + 1);
    const std::string parentPath = path.substr(0, last);
    const std::size_t above = parentPath.rfind('/');
    if (above == std::string::npos) return -1;
    const std::string parent = parentPath.substr(above + 1);
    const std::string base = above == 0 ? "/" : parentPath.substr(0, above);
    if (folder.empty() || parent.empty()) return -1;

    int baseFd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0 && errno == ENOENT && create && makeDirectories(base))
        baseFd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0) return -1;
    const int parentFd = openOwnedFolder(baseFd, parent, parentPath, create);
    close(baseFd);
    if (parentFd < 0) return -1;
    const int folderFd = openOwnedFolder(parentFd, folder, path, create);
    close(parentFd);
    return folderFd;
}

bool SettingsStore::readBinary(const char* name, std::vector<unsigned char>& data,
                               std::size_t maxSize) const {
    data.clear();
    if (!isValueName(name)) return false;
    const int folder = openFolder(false);
    if (folder < 0) return false;
    const int error = readBoundedAt(folder, name, true, data, maxSize);
    close(folder);
    return error == 0;
}

bool SettingsStore::writeBinary(const char* name, const unsigned char* data,
                                std::size_t size) const {
    if (!isValueName(name) || (!data && size > 0)) return false;
    const int folder = openFolder(true);
    if (folder < 0) return false;
    bool ok = true;
    struct stat st;
    if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
        ok = S_ISREG(st.st_mode) && (st.st_mode & 0200) != 0;
    if (ok) {
        removeStaleTemporaries(folder);
        ok = replaceAt(folder, name, data, size, 0600) == 0;
    }
    close(folder);
    return ok;
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
    if (!isValueName(name)) return false;
    const int folder = openFolder(false);
    if (folder < 0) return false;
    struct stat st;
    const bool ok = fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
                    unlinkat(folder, name, 0) == 0;
    close(folder);
    return ok;
}

}  // namespace lumdel
