// File dialogs of the preset strip. The editor asks a FileChooser to open a dialog for
// one file to load or to save, and then asks it from its idle calls whether the user
// has answered: the host's user-interface thread never waits for a dialog. The
// desktop's dialog tool runs as a separate process, so no toolkit is loaded into the
// host's process. Tests and tools hand the editor a chooser that answers at once.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DialogProcess.h"

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
    bool save = false;
    unsigned long parentWindow = 0;  // X window the dialog stays above; 0: none
};

class FileChooser {
public:
    enum class Status {
        Idle,       // no dialog open
        Open,       // the user has not answered yet
        Chosen,     // paths hold the answer (the editor acts on exactly one)
        Cancelled,  // closed without a choice
        Failed,     // message says why
    };

    virtual ~FileChooser() = default;
    // Editor thread: opens a dialog (multiple selection off) and returns at once. False
    // when none could be opened; message then says why.
    virtual bool open(const FileDialogRequest& request, std::string& message) = 0;
    // Editor thread (idle), never blocks: Open while the dialog is up, then once
    // Chosen, Cancelled or Failed, and Idle again after that.
    virtual Status poll(std::vector<std::string>& paths, std::string& message) = 0;
    // True while a dialog or an error box is open.
    virtual bool busy() const = 0;
    // Any thread (closing the editor or the effect): ends an open dialog or error box
    // and drops its answer.
    virtual void cancel() = 0;
    // Editor thread: shows message in an error box of the dialog tool (not waited for).
    // False when there is no tool for one; the editor then shows it on the panel.
    virtual bool showError(const FileDialogRequest& /*about*/, const std::string& /*message*/) {
        return false;
    }
};

// A chooser whose dialogs answer at once, for tests and tools: a derived class says
// what the user "chose" (nothing: cancelled).
class ImmediateFileChooser : public FileChooser {
public:
    virtual std::vector<std::string> chooseFileToOpen(const FileDialogRequest& request) = 0;
    virtual std::vector<std::string> chooseFileToSave(const FileDialogRequest& request) = 0;

    bool open(const FileDialogRequest& request, std::string& message) override;
    Status poll(std::vector<std::string>& paths, std::string& message) override;
    bool busy() const override { return answered_; }
    void cancel() override;

private:
    bool answered_ = false;
    std::vector<std::string> answer_;
};

// Runs "zenity", or "kdialog" when zenity is not installed, found through PATH, with an
// argument vector (no shell), as a DialogProcess. Neither installed: open fails with
// the message "install zenity or kdialog". The one path the tool prints, less its
// final newline, is the answer (a newline inside a name is part of the name); a tool
// that exits with status 1 was cancelled, any other failure is reported.
class DesktopFileChooser : public FileChooser {
public:
    static constexpr const char* kNoToolMessage = "install zenity or kdialog";

    bool open(const FileDialogRequest& request, std::string& message) override;
    Status poll(std::vector<std::string>& paths, std::string& message) override;
    bool busy() const override { return process_.running(); }
    void cancel() override { process_.cancel(); }
    bool showError(const FileDialogRequest& about, const std::string& message) override;

    // The argument vectors, exposed for tests.
    static std::vector<std::string> zenityArguments(const FileDialogRequest& request);
    static std::vector<std::string> kdialogArguments(const FileDialogRequest& request);
    static std::vector<std::string> zenityErrorArguments(const FileDialogRequest& about,
                                                         const std::string& message);
    static std::vector<std::string> kdialogErrorArguments(const FileDialogRequest& about,
                                                          const std::string& message);
    // The chosen path in a tool's output: all of it but the final newline; empty when
    // the output names nothing.
    static std::string chosenPath(const std::string& output);

    // The running tool's process id (for tests), else -1.
    pid_t toolProcess() const { return process_.pid(); }

private:
    enum class Tool { None, Zenity, Kdialog };

    DialogProcess process_;
    Tool tool_ = Tool::None;
    bool errorBox_ = false;  // the running process is an error box, not a dialog
};

}  // namespace lumdel
