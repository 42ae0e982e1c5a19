#include "FileChooser.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace lumdel {

namespace {

std::string joinStart(const FileDialogRequest& request, bool withName) {
    std::string path = request.startDirectory;
    if (!path.empty() && path.back() != '/') path += '/';
    if (withName) path += request.defaultName;
    return path;
}

std::vector<std::string> parseChosen(const std::string& output) {
    // One path per line; the tools end it with a newline.
    std::vector<std::string> paths;
    std::string line;
    for (char c : output) {
        if (c == '\n') {
            if (!line.empty()) paths.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) paths.push_back(line);
    return paths;
}

}  // namespace

bool runCapturingOutput(const std::vector<std::string>& argv, std::string& output, int& exitCode,
                        bool& notFound) {
    output.clear();
    exitCode = -1;
    notFound = false;
    if (argv.empty()) return false;

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        notFound = rc == ENOENT;
        return false;
    }

    char buffer[4096];
    for (;;) {
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    close(pipeFds[0]);

    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno == EINTR) continue;
        // A host that ignores SIGCHLD leaves no status to collect; the tools print a
        // path only when the user confirmed, so the output tells.
        exitCode = output.empty() ? 1 : 0;
        return true;
    }
    if (WIFEXITED(status)) exitCode = WEXITSTATUS(status);
    return true;
}

std::vector<std::string> DesktopFileChooser::zenityArguments(const FileDialogRequest& request,
                                                             bool save) {
    std::vector<std::string> a{"zenity", "--file-selection", "--title=" + request.title};
    if (save) {
        a.push_back("--save");
        a.push_back("--confirm-overwrite");
    }
    const std::string start = joinStart(request, save);
    if (!start.empty()) a.push_back("--filename=" + start);
    a.push_back("--file-filter=" + request.filter.description + " | *." +
                request.filter.extension);
    return a;
}

std::vector<std::string> DesktopFileChooser::kdialogArguments(const FileDialogRequest& request,
                                                              bool save) {
    std::vector<std::string> a{"kdialog", "--title", request.title,
                               save ? "--getsavefilename" : "--getopenfilename"};
    std::string start = joinStart(request, save);
    if (start.empty()) start = ".";
    a.push_back(start);
    a.push_back(request.filter.description + " (*." + request.filter.extension + ")");
    return a;
}

std::vector<std::string> DesktopFileChooser::run(const FileDialogRequest& request, bool save) {
    std::string output;
    int exitCode = -1;
    bool notFound = false;
    bool started = runCapturingOutput(zenityArguments(request, save), output, exitCode, notFound);
    if (!started && notFound)
        started = runCapturingOutput(kdialogArguments(request, save), output, exitCode, notFound);
    if (!started || exitCode != 0) return {};
    return parseChosen(output);
}

std::vector<std::string> DesktopFileChooser::chooseFileToOpen(const FileDialogRequest& request) {
    return run(request, false);
}

std::vector<std::string> DesktopFileChooser::chooseFileToSave(const FileDialogRequest& request) {
    return run(request, true);
}

}  // namespace lumdel
