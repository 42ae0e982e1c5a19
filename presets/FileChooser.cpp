#include "FileChooser.h"

namespace lumdel {

namespace {

std::string joinStart(const FileDialogRequest& request) {
    std::string path = request.startDirectory;
    if (!path.empty() && path.back() != '/') path += '/';
    if (request.save) path += request.defaultName;
    return path;
}

}  // namespace

bool ImmediateFileChooser::open(const FileDialogRequest& request, std::string& /*message*/) {
    answer_ = request.save ? chooseFileToSave(request) : chooseFileToOpen(request);
    answered_ = true;
    return true;
}

FileChooser::Status ImmediateFileChooser::poll(std::vector<std::string>& paths,
                                               std::string& /*message*/) {
    if (!answered_) return Status::Idle;
    answered_ = false;
    paths.swap(answer_);
    answer_.clear();
    return paths.empty() ? Status::Cancelled : Status::Chosen;
}

void ImmediateFileChooser::cancel() {
    answered_ = false;
    answer_.clear();
}

std::vector<std::string> DesktopFileChooser::zenityArguments(const FileDialogRequest& request) {
    // Every value is part of its option (--name=value): nothing the user typed can be
    // read as an option of its own.
    std::vector<std::string> a{"zenity", "--file-selection", "--title=" + request.title};
    if (request.save) {
        a.push_back("--save");
        a.push_back("--confirm-overwrite");
    }
    const std::string start = joinStart(request);
    if (!start.empty()) a.push_back("--filename=" + start);
    a.push_back("--file-filter=" + request.filter.description + " | *." +
                request.filter.extension);
    if (request.parentWindow != 0) a.push_back("--attach=" + std::to_string(request.parentWindow));
    return a;
}

std::vector<std::string> DesktopFileChooser::kdialogArguments(const FileDialogRequest& request) {
    std::vector<std::string> a{"kdialog"};
    if (request.parentWindow != 0) {
        a.push_back("--attach");
        a.push_back(std::to_string(request.parentWindow));
    }
    a.push_back("--title");
    a.push_back(request.title);
    a.push_back(request.save ? "--getsavefilename" : "--getopenfilename");
    std::string start = joinStart(request);
    if (start.empty()) start = ".";
    // The start path and the filter are positional: after "--", a stored name that
    // begins with "--" is still a name.
    a.push_back("--");
    a.push_back(start);
    a.push_back(request.filter.description + " (*." + request.filter.extension + ")");
    return a;
}

std::vector<std::string> DesktopFileChooser::zenityErrorArguments(const FileDialogRequest& about,
                                                                  const std::string& message) {
    std::vector<std::string> a{"zenity", "--error", "--no-markup", "--title=" + about.title,
                               "--text=" + message};
    if (about.parentWindow != 0) a.push_back("--attach=" + std::to_string(about.parentWindow));
    return a;
}

std::vector<std::string> DesktopFileChooser::kdialogErrorArguments(const FileDialogRequest& about,
                                                                   const std::string& message) {
    std::vector<std::string> a{"kdialog"};
    if (about.parentWindow != 0) {
        a.push_back("--attach");
        a.push_back(std::to_string(about.parentWindow));
    }
    a.push_back("--title");
    a.push_back(about.title);
    a.push_back("--error");
    a.push_back(message);
    return a;
}

std::string DesktopFileChooser::chosenPath(const std::string& output) {
    // Multiple selection is off: the tool prints one path and a newline. Everything
    // before that newline is the path, newlines inside the name included.
    std::string path = output;
    if (!path.empty() && path.back() == '\n') path.pop_back();
    if (path.find('\0') != std::string::npos) return {};
    return path;
}

bool DesktopFileChooser::open(const FileDialogRequest& request, std::string& message) {
    if (process_.running()) {
        message = "a file dialog is already open";
        return false;
    }
    errorBox_ = false;
    bool notFound = false;
    tool_ = Tool::None;
    if (process_.start(zenityArguments(request), notFound)) {
        tool_ = Tool::Zenity;
    } else if (notFound && process_.start(kdialogArguments(request), notFound)) {
        tool_ = Tool::Kdialog;
    }
    if (tool_ != Tool::None) return true;
    message = notFound ? kNoToolMessage : "the file dialog could not be started";
    return false;
}

FileChooser::Status DesktopFileChooser::poll(std::vector<std::string>& paths,
                                             std::string& message) {
    paths.clear();
    switch (process_.poll()) {
        case DialogProcess::State::Idle: return Status::Idle;
        case DialogProcess::State::Running: return Status::Open;
        case DialogProcess::State::Failed:
            process_.clear();
            if (errorBox_) return Status::Idle;
            message = "the file dialog's answer could not be read";
            return Status::Failed;
        case DialogProcess::State::Finished: break;
    }
    const int exitCode = process_.exitCode();
    const std::string output = process_.output();
    process_.clear();
    if (errorBox_) return Status::Idle;
    // Exit status 1 is the tools' cancel; an unknown status (the host reaped the tool)
    // is read from the output, which the tools write only for a choice.
    if (exitCode == 0 || exitCode == -1) {
        const std::string path = chosenPath(output);
        if (path.empty()) return Status::Cancelled;
        paths.push_back(path);
        return Status::Chosen;
    }
    if (exitCode == 1) return Status::Cancelled;
    message = "the file dialog failed (exit status " + std::to_string(exitCode) + ")";
    return Status::Failed;
}

bool DesktopFileChooser::showError(const FileDialogRequest& about, const std::string& message) {
    if (process_.running()) return false;
    bool notFound = false;
    bool started = false;
    if (tool_ != Tool::Kdialog)
        started = process_.start(zenityErrorArguments(about, message), notFound);
    if (!started && (tool_ == Tool::Kdialog || notFound))
        started = process_.start(kdialogErrorArguments(about, message), notFound);
    errorBox_ = started;
    return started;
}

}  // namespace lumdel
