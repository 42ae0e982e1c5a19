// File dialogs of the preset strip. The editor asks a FileChooser for one file to open
// or to save; the desktop's dialog tool runs as a separate process so that no toolkit
// of the host's process is touched. Tests hand the editor their own chooser.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace lumdel {

struct FileFilter {
    std::string description;  // "Orv Preset"
    std::string extension;    // "orv", without the dot
};

struct FileDialogRequest {
    std::string title;
    std::string startDirectory;  // may be empty: the tool's own choice
    FileFilter filter;
    std::string defaultName;     // save dialogs only
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Editor thread, modal: returns the chosen paths; empty when cancelled. The editor
    // asks for a single file (multiple selection off) and acts only on exactly one.
    virtual std::vector<std::string> chooseFileToOpen(const FileDialogRequest& request) = 0;
    virtual std::vector<std::string> chooseFileToSave(const FileDialogRequest& request) = 0;
};

// Runs "zenity", or "kdialog" when zenity is not installed, found through PATH, with an
// argument vector (no shell). Neither present, a failed start or a non-zero exit mean
// cancelled.
class DesktopFileChooser : public FileChooser {
public:
    std::vector<std::string> chooseFileToOpen(const FileDialogRequest& request) override;
    std::vector<std::string> chooseFileToSave(const FileDialogRequest& request) override;

    // The argument vectors, exposed for tests.
    static std::vector<std::string> zenityArguments(const FileDialogRequest& request, bool save);
    static std::vector<std::string> kdialogArguments(const FileDialogRequest& request, bool save);

private:
    std::vector<std::string> run(const FileDialogRequest& request, bool save);
};

// Runs argv[0] (searched in PATH) with stdin from /dev/null, collects its standard output
// and waits for it. Returns false when the program could not be started (notFound is set
// when it does not exist); exitCode is its exit status, or -1 when it did not exit.
bool runCapturingOutput(const std::vector<std::string>& argv, std::string& output, int& exitCode,
                        bool& notFound);

}  // namespace lumdel
