#include "PresetFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/SafeFile.h"

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

const char* kindText(ImageKind kind) {
    switch (kind) {
        case ImageKind::Bank: return "bank";
        case ImageKind::Midi: return "MIDI-settings";
        case ImageKind::Preset: break;
    }
    return "preset";
}

FileOutcome failure(const FileDialogRequest& request, std::string message, std::string panelText) {
    FileOutcome o;
    o.kind = FileOutcome::Kind::Failed;
    o.request = request;
    o.message = std::move(message);
    o.panelText = std::move(panelText);
    return o;
}

FileOutcome outcome(FileOutcome::Kind kind, const FileDialogRequest& request) {
    FileOutcome o;
    o.kind = kind;
    o.request = request;
    return o;
}

}  // namespace

int readFilePadded(const std::string& path, std::vector<unsigned char>& buffer, std::size_t size) {
    buffer.assign(size, 0);
    const int fd = openRegularAt(AT_FDCWD, path.c_str(), false);
    if (fd < 0) return errno;
    const long n = readUpTo(fd, buffer.data(), size);
    const int error = n < 0 ? errno : 0;
    close(fd);
    if (error != 0) buffer.assign(size, 0);
    return error;
}

PresetFiles::PresetFiles(FileChooser& chooser, RememberedLocations& locations,
                         PresetImageOperations& images)
    : chooser_(&chooser), locations_(locations), images_(images) {}

void PresetFiles::setChooser(FileChooser& chooser) {
    chooser_->cancel();
    pending_ = Pending();
    chooser_ = &chooser;
}

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

FileOutcome PresetFiles::loadFile(ImageKind kind, bool reverseValues, unsigned long parentWindow) {
    FileDialogRequest request;
    request.title = loadTitle(kind, reverseValues);
    request.startDirectory = locations_.directory;
    request.filter = fileFilter(kind);
    request.parentWindow = parentWindow;
    return begin(request, kind, reverseValues);
}

FileOutcome PresetFiles::saveFile(ImageKind kind, unsigned long parentWindow) {
    FileDialogRequest request;
    request.title = saveTitle(kind);
    request.startDirectory = locations_.directory;
    request.filter = fileFilter(kind);
    request.defaultName = locations_.nameOf(kind);
    request.save = true;
    request.parentWindow = parentWindow;
    return begin(request, kind, false);
}

FileOutcome PresetFiles::begin(const FileDialogRequest& request, ImageKind kind,
                               bool reverseValues) {
    // One dialog at a time; the idle hands over the answer of the one that is open.
    if (pending_.active || chooser_->busy())
        return failure(request, "A file dialog is already open.", "a dialog is open");
    std::string message;
    if (!chooser_->open(request, message)) return failure(request, message, message);
    pending_.active = true;
    pending_.kind = kind;
    pending_.reverseValues = reverseValues;
    pending_.request = request;
    const FileOutcome now = poll();
    return now.kind == FileOutcome::Kind::Nothing ? outcome(FileOutcome::Kind::DialogOpen, request)
                                                  : now;
}

FileOutcome PresetFiles::poll() {
    std::vector<std::string> chosen;
    std::string message;
    const FileChooser::Status status = chooser_->poll(chosen, message);
    if (!pending_.active) return {};
    if (status == FileChooser::Status::Open)
        return outcome(FileOutcome::Kind::DialogOpen, pending_.request);
    const Pending pending = pending_;
    pending_ = Pending();
    switch (status) {
        case FileChooser::Status::Chosen:
            if (chosen.size() != 1) break;
            return pending.request.save ? saveChosen(pending, chosen[0])
                                        : loadChosen(pending, chosen[0]);
        case FileChooser::Status::Failed:
            return failure(pending.request, message, "dialog failed");
        default: break;  // cancelled, or ended from elsewhere
    }
    return outcome(FileOutcome::Kind::Cancelled, pending.request);
}

void PresetFiles::cancel() {
    // The bookkeeping is dropped by the next poll or dialog, on the editor thread.
    chooser_->cancel();
}

FileOutcome PresetFiles::loadChosen(const Pending& pending, const std::string& chosen) {
    const std::string path = takeChosenPath(pending.kind, chosen, false);
    if (path.empty()) return outcome(FileOutcome::Kind::Cancelled, pending.request);

    // An unreadable file still goes to the loader as zero bytes, which it ignores (a
    // bank load still makes preset 0 current first); either way the user is told.
    std::vector<unsigned char> image;
    const int error = readFilePadded(path, image, imageSize(pending.kind));
    bool loaded = false;
    const bool reverse = pending.reverseValues;
    switch (pending.kind) {
        case ImageKind::Preset: loaded = images_.loadPresetImage(image.data(), reverse); break;
        case ImageKind::Bank: loaded = images_.loadBankImage(image.data(), reverse); break;
        case ImageKind::Midi: loaded = images_.loadMidiImage(image.data(), reverse); break;
    }
    if (error != 0)
        return failure(pending.request,
                       "Could not read \"" + path + "\": " + fileErrorText(error) + ".",
                       "cannot read the file");
    if (!loaded)
        return failure(pending.request,
                       "\"" + path + "\" is not a " + kindText(pending.kind) + " file.",
                       std::string("not a ") + kindText(pending.kind) + " file");
    return outcome(FileOutcome::Kind::Loaded, pending.request);
}

FileOutcome PresetFiles::saveChosen(const Pending& pending, const std::string& chosen) {
    const std::string path = takeChosenPath(pending.kind, chosen, true);
    if (path.empty()) return outcome(FileOutcome::Kind::Cancelled, pending.request);

    std::vector<unsigned char> image(imageSize(pending.kind), 0);
    switch (pending.kind) {
        case ImageKind::Preset: images_.makePresetImage(image.data()); break;
        case ImageKind::Bank: images_.makeBankImage(image.data()); break;
        case ImageKind::Midi: images_.makeMidiImage(image.data()); break;
    }
    const int error = saveUserFile(path, image.data(), image.size());
    if (error != 0)
        return failure(pending.request,
                       "Could not save \"" + path + "\": " + fileErrorText(error) + ".",
                       "cannot save the file");
    return outcome(FileOutcome::Kind::Saved, pending.request);
}

}  // namespace lumdel
