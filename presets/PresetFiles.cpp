#include "PresetFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace lumdel {

std::string& RememberedLocations::nameOf(ImageKind kind) {
    switch (kind) {
        case ImageKind::Bank: return bankName;
        case ImageKind::Midi: return midiName;
        case ImageKind::Preset: break;
    }
    return presetName;
}

FileFilter fileFilter(ImageKind kind) {
    switch (kind) {
        case ImageKind::Bank: return {"Orv Bank", "orb"};
        case ImageKind::Midi: return {"Orv MIDI Settings", "orm"};
        case ImageKind::Preset: break;
    }
    return {"Orv Preset", "orv"};
}

const char* loadTitle(ImageKind kind, bool reverseValues) {
    switch (kind) {
        case ImageKind::Bank:
            return reverseValues ? "Load bank (endian-reversed)" : "Load bank";
        case ImageKind::Midi:
            return reverseValues ? "Load MIDI settings (endian-reversed)" : "Load MIDI settings";
        case ImageKind::Preset: break;
    }
    return reverseValues ? "Load preset (endian-reversed)" : "Load preset";
}

const char* saveTitle(ImageKind kind) {
    switch (kind) {
        case ImageKind::Bank: return "Save bank";
        case ImageKind::Midi: return "Save midi settings as";
        case ImageKind::Preset: break;
    }
    return "Save preset";
}

void splitChosenPath(const std::string& path, std::string& directory, std::string& name) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        directory.clear();
        name = path;
    } else {
        directory = path.substr(0, slash + 1);
        name = path.substr(slash + 1);
    }
}

std::string joinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (directory.back() == '/') return directory + name;
    return directory + '/' + name;
}

std::string withExtension(const std::string& name, const std::string& extension) {
    const std::string suffix = "." + extension;
    if (name.size() >= suffix.size()) {
        bool same = true;
        for (std::size_t i = 0; i < suffix.size() && same; ++i) {
            char a = name[name.size() - suffix.size() + i];
            char b = suffix[i];
            if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
            if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
            same = a == b;
        }
        if (same) return name;
    }
    return name + suffix;
}

namespace {

// Opens a regular file for reading only; -1 otherwise. O_NONBLOCK keeps a FIFO from
// blocking the editor; it does not matter for regular files.
int openRegularForReading(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

// Reads up to size bytes; returns the count, or -1 on a read error.
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

bool writeAll(int fd, const unsigned char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

std::string temporaryNameFor(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    std::string directory, name;
    splitChosenPath(target, directory, name);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u-%lx", static_cast<long>(getpid()),
                  counter.fetch_add(1), static_cast<unsigned long>(std::time(nullptr)));
    return directory + "." + name + suffix;
}

}  // namespace

bool readFilePadded(const std::string& path, std::vector<unsigned char>& buffer,
                    std::size_t size) {
    buffer.assign(size, 0);
    const int fd = openRegularForReading(path);
    if (fd < 0) return false;
    const long n = readUpTo(fd, buffer.data(), size);
    close(fd);
    if (n < 0) {
        buffer.assign(size, 0);
        return false;
    }
    return true;
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>& data,
                   std::size_t maxSize) {
    data.clear();
    const int fd = openRegularForReading(path);
    if (fd < 0) return false;
    // One byte more than allowed tells a value that is too long.
    std::vector<unsigned char> buffer(maxSize + 1);
    const long n = readUpTo(fd, buffer.data(), buffer.size());
    close(fd);
    if (n < 0 || static_cast<std::size_t>(n) > maxSize) return false;
    buffer.resize(static_cast<std::size_t>(n));
    data.swap(buffer);
    return true;
}

bool writeFileReplacing(const std::string& path, const unsigned char* data, std::size_t size) {
    if (path.empty() || (!data && size > 0)) return false;

    std::string target = path;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved)) target = resolved;
    }
    bool exists = false;
    mode_t mode = 0;
    if (stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return false;
        if (access(target.c_str(), W_OK) != 0) return false;
        exists = true;
        mode = st.st_mode & 07777;
    }

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryNameFor(target);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = writeAll(fd, data, size);
    if (ok && exists) ok = fchmod(fd, mode) == 0;
    if (ok) ok = fsync(fd) == 0;
    if (close(fd) != 0) ok = false;
    if (ok) ok = rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}

PresetFiles::PresetFiles(FileChooser& chooser, RememberedLocations& locations,
                         PresetImageOperations& images)
    : chooser_(&chooser), locations_(locations), images_(images) {}

std::string PresetFiles::takeChosenPath(ImageKind kind, const std::string& chosen, bool save) {
    std::string directory, name;
    splitChosenPath(chosen, directory, name);
    if (name.empty()) return {};
    if (save) name = withExtension(name, fileFilter(kind).extension);
    // A bare name lies in the remembered directory.
    const bool bare = chosen.find('/') == std::string::npos;
    if (bare) directory = locations_.directory;
    const std::string path = joinPath(directory, name);
    if (directory.size() <= RememberedLocations::kMaxLength &&
        name.size() <= RememberedLocations::kMaxLength) {
        locations_.directory = directory;
        locations_.nameOf(kind) = name;
    }
    return path;
}

bool PresetFiles::loadFile(ImageKind kind, bool reverseValues) {
    FileDialogRequest request;
    request.title = loadTitle(kind, reverseValues);
    request.startDirectory = locations_.directory;
    request.filter = fileFilter(kind);
    const std::vector<std::string> chosen = chooser_->chooseFileToOpen(request);
    if (chosen.size() != 1) return false;
    const std::string path = takeChosenPath(kind, chosen[0], false);
    if (path.empty()) return false;

    std::vector<unsigned char> image;
    readFilePadded(path, image, imageSize(kind));
    switch (kind) {
        case ImageKind::Preset: images_.loadPresetImage(image.data(), reverseValues); break;
        case ImageKind::Bank: images_.loadBankImage(image.data(), reverseValues); break;
        case ImageKind::Midi: images_.loadMidiImage(image.data(), reverseValues); break;
    }
    return true;
}

bool PresetFiles::saveFile(ImageKind kind) {
    FileDialogRequest request;
    request.title = saveTitle(kind);
    request.startDirectory = locations_.directory;
    request.filter = fileFilter(kind);
    request.defaultName = locations_.nameOf(kind);
    const std::vector<std::string> chosen = chooser_->chooseFileToSave(request);
    if (chosen.size() != 1) return false;
    const std::string path = takeChosenPath(kind, chosen[0], true);
    if (path.empty()) return false;

    std::vector<unsigned char> image(imageSize(kind), 0);
    switch (kind) {
        case ImageKind::Preset: images_.makePresetImage(image.data()); break;
        case ImageKind::Bank: images_.makeBankImage(image.data()); break;
        case ImageKind::Midi: images_.makeMidiImage(image.data()); break;
    }
    writeFileReplacing(path, image.data(), image.size());
    return true;
}

}  // namespace lumdel
