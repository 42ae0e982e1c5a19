// Preset, bank and MIDI-settings files: the dialog-driven load and save operations of
// the preset strip, and the file primitives they share with the settings store and the
// command-line tool. Editor thread only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "FileChooser.h"
#include "PresetImages.h"

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
// exactly size bytes; what the file lacks stays zero. False (and an all-zero buffer)
// when the file cannot be opened or is not a regular file.
bool readFilePadded(const std::string& path, std::vector<unsigned char>& buffer,
                    std::size_t size);
// Reads a whole regular file of at most maxSize bytes. False when it cannot be read or
// is longer than maxSize.
bool readWholeFile(const std::string& path, std::vector<unsigned char>& data,
                   std::size_t maxSize);
// Writes data to a new file next to path and renames it over path, so the old file
// stays whole until the new one is complete; a failed write leaves no trace. An
// existing file keeps its permissions; a write-protected one is left alone (false).
// A symbolic link is followed: the file it points to is replaced.
bool writeFileReplacing(const std::string& path, const unsigned char* data, std::size_t size);

class PresetFiles {
public:
    PresetFiles(FileChooser& chooser, RememberedLocations& locations,
                PresetImageOperations& images);

    // Each returns true when exactly one file was chosen and the operation ran.
    bool loadFile(ImageKind kind, bool reverseValues);
    bool saveFile(ImageKind kind);

    void setChooser(FileChooser& chooser) { chooser_ = &chooser; }

private:
    // Splits the chosen path, remembers its parts when they fit and returns the path of
    // the file to use.
    std::string takeChosenPath(ImageKind kind, const std::string& chosen, bool save);

    FileChooser* chooser_;
    RememberedLocations& locations_;
    PresetImageOperations& images_;
};

}  // namespace lumdel
