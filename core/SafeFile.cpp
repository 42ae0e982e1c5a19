#include "SafeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace lumdel {

namespace {

constexpr const char kTemporaryPrefix[] = ".lumdel-";
constexpr const char kTemporarySuffix[] = ".tmp";
constexpr std::size_t kRandomLength = 6;
constexpr time_t kStaleSeconds = 10 * 60;

bool isDigits(const char* begin, const char* end, bool hex) {
    if (begin == end) return false;
    for (const char* p = begin; p < end; ++p) {
        const char c = *p;
        const bool ok = (c >= '0' && c <= '9') ||
                        (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!ok) return false;
    }
    return true;
}

// ".NAME.tmp-PID-N-TIME" (decimal, decimal, hexadecimal).
bool isOlderTemporaryName(const char* name) {
    if (name[0] != '.') return false;
    const char* marker = nullptr;
    for (const char* p = std::strstr(name, ".tmp-"); p; p = std::strstr(p + 1, ".tmp-"))
        marker = p;
    if (!marker || marker == name) return false;
    const char* pid = marker + 5;
    const char* dash1 = std::strchr(pid, '-');
    if (!dash1) return false;
    const char* dash2 = std::strchr(dash1 + 1, '-');
    if (!dash2) return false;
    const char* end = name + std::strlen(name);
    return isDigits(pid, dash1, false) && isDigits(dash1 + 1, dash2, false) &&
           isDigits(dash2 + 1, end, true);
}

void randomLetters(char* out, std::size_t n) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<unsigned> counter{0};
    unsigned char bytes[kRandomLength] = {};
    if (getrandom(bytes, n, GRND_NONBLOCK) != static_cast<ssize_t>(n)) {
        // No entropy yet (very early boot): the clock, the process and a counter
        // still make collisions rare, and O_EXCL makes them harmless.
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        unsigned long mix = static_cast<unsigned long>(ts.tv_nsec) ^
                            (static_cast<unsigned long>(getpid()) << 16) ^
                            counter.fetch_add(7919);
        for (std::size_t i = 0; i < n; ++i, mix = mix * 6364136223846793005UL + 1)
            bytes[i] = static_cast<unsigned char>(mix >> 33);
    }
    for (std::size_t i = 0; i < n; ++i) out[i] = kAlphabet[bytes[i] % (sizeof kAlphabet - 1)];
}

// Creates a new temporary file in the folder (mode as open() gives it, the umask
// applied); its fd, or -1 (errno set).
int createTemporaryAt(int folderFd, std::string& name, mode_t mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        char letters[kRandomLength];
        randomLetters(letters, kRandomLength);
        name = std::string(kTemporaryPrefix) + std::string(letters, kRandomLength) +
               kTemporarySuffix;
        const int fd = openat(folderFd, name.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAllAt(int fd, const unsigned char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n == 0) errno = EIO;
            return false;
        }
    }
    return true;
}

bool hasWriteBit(const struct stat& st) { return (st.st_mode & 0222) != 0; }

// Writes data over an open regular file: same inode, the old bytes replaced, the file
// cut to the new size, synced. Gives 0 or errno.
int writeOver(int fd, const unsigned char* data, std::size_t size) {
    if (!writeAllAt(fd, data, size)) return errno;
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) return errno;
    if (fsync(fd) != 0) return errno;
    return 0;
}

int writeInPlace(int folderFd, const char* name, const unsigned char* data, std::size_t size) {
    // Follows a link: the user chose this name, and the file it names is what they mean.
    // What is no regular file is not even opened (a FIFO would be woken, or refuse).
    struct stat target;
    if (fstatat(folderFd, name, &target, 0) != 0) return errno;
    if (S_ISDIR(target.st_mode)) return EISDIR;
    if (!S_ISREG(target.st_mode)) return EINVAL;
    const int fd = openat(folderFd, name, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st;
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (!hasWriteBit(st))
        error = EACCES;
    if (error == 0) error = writeOver(fd, data, size);
    if (close(fd) != 0 && error == 0) error = errno;
    return error;
}

bool hasExtendedAttributes(const std::string& path) {
    const ssize_t n = llistxattr(path.c_str(), nullptr, 0);
    return n > 0;
}

int openFolderOf(const std::string& path, std::string& name) {
    const std::size_t slash = path.rfind('/');
    std::string folder;
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
    if (name.empty()) {
        errno = EISDIR;
        return -1;
    }
    return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

bool isTemporaryName(const char* name) {
    if (!name) return false;
    const std::size_t length = std::strlen(name);
    const std::size_t prefix = sizeof kTemporaryPrefix - 1;
    const std::size_t suffix = sizeof kTemporarySuffix - 1;
    if (length == prefix + kRandomLength + suffix &&
        std::strncmp(name, kTemporaryPrefix, prefix) == 0 &&
        std::strcmp(name + prefix + kRandomLength, kTemporarySuffix) == 0) {
        for (std::size_t i = prefix; i < prefix + kRandomLength; ++i) {
            const char c = name[i];
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
                return false;
        }
        return true;
    }
    return isOlderTemporaryName(name);
}

void removeStaleTemporaries(int folderFd) {
    const int listFd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* dir = fdopendir(listFd);
    if (!dir) {
        close(listFd);
        return;
    }
    const time_t now = time(nullptr);
    while (dirent* entry = readdir(dir)) {
        if (!isTemporaryName(entry->d_name)) continue;
        struct stat st;
        if (fstatat(folderFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != geteuid()) continue;
        if (now - st.st_mtime < kStaleSeconds) continue;
        unlinkat(folderFd, entry->d_name, 0);
    }
    closedir(dir);
}

int openRegularAt(int folderFd, const char* name, bool noFollow) {
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0);
    const int fd = openat(folderFd, name, flags);
    if (fd < 0) return -1;
    struct stat st;
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    if (error != 0) {
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

long readUpTo(int fd, unsigned char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, data + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            return -1;
        }
    }
    return static_cast<long>(done);
}

int readBoundedAt(int folderFd, const char* name, bool noFollow, std::vector<unsigned char>& data,
                  std::size_t maxSize) {
    data.clear();
    const int fd = openRegularAt(folderFd, name, noFollow);
    if (fd < 0) return errno;
    // One byte more than allowed tells a file that is too long.
    std::vector<unsigned char> buffer(maxSize + 1);
    const long n = readUpTo(fd, buffer.data(), buffer.size());
    const int readError = errno;
    close(fd);
    if (n < 0) return readError;
    if (static_cast<std::size_t>(n) > maxSize) return EFBIG;
    buffer.resize(static_cast<std::size_t>(n));
    data.swap(buffer);
    return 0;
}

int replaceAt(int folderFd, const char* name, const unsigned char* data, std::size_t size,
              mode_t mode, const struct stat* like) {
    if (!name || !*name || (!data && size > 0)) return EINVAL;
    std::string temporary;
    // Private until it has the mode of the file it replaces.
    const int fd = createTemporaryAt(folderFd, temporary, like ? 0600 : mode);
    if (fd < 0) return errno;

    int error = writeOver(fd, data, size);
    if (error == 0 && like) {
        struct stat made;
        if (fstat(fd, &made) != 0) {
            error = errno;
        } else if (made.st_uid != like->st_uid || made.st_gid != like->st_gid) {
            // Root, or a user giving the file a group of their own, can keep them.
            if (fchown(fd, like->st_uid, like->st_gid) != 0) error = ESTALE;
        }
    }
    if (error == 0 && like && fchmod(fd, like->st_mode & 07777) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && renameat(folderFd, temporary.c_str(), folderFd, name) != 0) error = errno;
    if (error != 0) {
        unlinkat(folderFd, temporary.c_str(), 0);
        return error;
    }
    fsync(folderFd);  // the rename itself survives a crash
    return 0;
}

int saveUserFile(const std::string& path, const unsigned char* data, std::size_t size) {
    if (path.empty() || (!data && size > 0)) return EINVAL;
    std::string name;
    const int folderFd = openFolderOf(path, name);
    if (folderFd < 0) return errno;
    removeStaleTemporaries(folderFd);

    int error = 0;
    struct stat st;
    if (fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            error = replaceAt(folderFd, name.c_str(), data, size, 0666);
        else
            error = errno;
    } else if (S_ISLNK(st.st_mode)) {
        error = writeInPlace(folderFd, name.c_str(), data, size);
    } else if (S_ISDIR(st.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
        error = EINVAL;
    } else if (!hasWriteBit(st)) {
        error = EACCES;
    } else {
        bool inPlace = st.st_nlink != 1 || hasExtendedAttributes(path);
        if (!inPlace) {
            error = replaceAt(folderFd, name.c_str(), data, size, 0, &st);
            // A folder we may not write (or a sticky one), or an owner we cannot keep:
            // the file is written where it is. Other failures (a full disk) keep the
            // old file whole and are reported.
            inPlace = error == EACCES || error == EPERM || error == ESTALE;
        }
        if (inPlace) error = writeInPlace(folderFd, name.c_str(), data, size);
    }
    close(folderFd);
    return error;
}

std::string fileErrorText(int error) {
    switch (error) {
        case 0: return "no error";
        case EINVAL: return "not a regular file";
        case EFBIG: return "file too large";
        default: break;
    }
    char buffer[256];
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return text ? text : "unknown error";
}

}  // namespace lumdel
