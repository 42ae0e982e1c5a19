// Preset, bank and MIDI-settings files: the dialog-driven load and save operations of
// the preset strip, and the path helpers they share with the command-line tool.
// A button opens a dialog and returns; the editor's idle hands the answer over
// (poll). Editor thread only, except cancel.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "FileChooser.h"
#include "core/PresetImages.h"

namespace lumdel {

// The directory of the last file chosen in any dialog and the last file name of each
// kind. Each is an 8-bit string of at most 256 characters; a chosen path whose parts do
// not fit is used for its operation but not remembered.
struct RememberedLocations {
    static constexpr std::size_t kMaxLength = 256;

    std::string directory;  // ends in '/' once a dialog has set it
    std::string bankName;
    std::string presetName;
    std::string midiName;

    std::string& nameOf(ImageKind kind);
};

// Title, filter and extension of the dialogs of each kind.
FileFilter fileFilter(ImageKind kind);
const char* loadTitle(ImageKind kind, bool reverseValues);
const char* saveTitle(ImageKind kind);

// Splits at the last '/': directory with the separator, and the name. A path without
// a separator is all name and an empty directory.
void splitChosenPath(const std::string& path, std::string& directory, std::string& name);
// directory + name, with a '/' between them when directory lacks one; the name alone
// when directory is empty.
std::string joinPath(const std::string& directory, const std::string& name);
// name, with "." + extension appended unless it already ends in it (any letter case).
std::string withExtension(const std::string& name, const std::string& extension);

// Reads at most size bytes of a regular file, opened for reading only, into a buffer of
// exactly size bytes; what the file lacks stays zero. Gives 0, or errno (and an
// all-zero buffer) when the file cannot be opened, is not a regular file or cannot be
// read.
int readFilePadded(const std::string& path, std::vector<unsigned char>& buffer, std::size_t size);

// What a file operation came to, for the editor to show.
struct FileOutcome {
    enum class Kind {
        Nothing,     // no dialog was open, or no window
        DialogOpen,  // a dialog was opened, or is still open
        Loaded,
        Saved,
        Cancelled,   // the dialog was closed without exactly one file
        Failed,      // see message
    };
    Kind kind = Kind::Nothing;
    FileDialogRequest request;  // the dialog it was about (title of an error box)
    std::string message;        // Failed: the whole story, for an error box
    std::string panelText;      // Failed: a short form that fits the panel
};

class PresetFiles {
public:
    PresetFiles(FileChooser& chooser, RememberedLocations& locations,
                PresetImageOperations& images);

    // Editor thread: open the load or save dialog of the kind and return at once
    // (DialogOpen), unless a dialog is open already (Failed). A chooser that answers at
    // once is taken at once.
    FileOutcome loadFile(ImageKind kind, bool reverseValues, unsigned long parentWindow = 0);
    FileOutcome saveFile(ImageKind kind, unsigned long parentWindow = 0);
    // Editor thread (idle), never blocks: when the open dialog has an answer, loads or
    // saves the chosen file and says how that went; DialogOpen while it is still open.
    FileOutcome poll();
    // Any thread: ends an open dialog and forgets what it was for.
    void cancel();
    bool dialogOpen() const { return pending_.active; }

    void setChooser(FileChooser& chooser);

private:
    struct Pending {
        bool active = false;
        ImageKind kind = ImageKind::Preset;
        bool reverseValues = false;
        FileDialogRequest request;
    };

    FileOutcome begin(const FileDialogRequest& request, ImageKind kind, bool reverseValues);
    FileOutcome loadChosen(const Pending& pending, const std::string& chosen);
    FileOutcome saveChosen(const Pending& pending, const std::string& chosen);
    // Splits the chosen path, remembers its parts when they fit and returns the path of
    // the file to use.
    std::string takeChosenPath(ImageKind kind, const std::string& chosen, bool save);

    FileChooser* chooser_;
    RememberedLocations& locations_;
    PresetImageOperations& images_;
    Pending pending_;
};

}  // namespace lumdel
