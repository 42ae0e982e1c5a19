#include "CFileSelector.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {
CNewFileSelector::Chooser& injectedChooser() {
    static CNewFileSelector::Chooser chooser;
    return chooser;
}

std::string findProgram(const char* name) {
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string dirs = path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start);
        if (candidate.empty()) candidate = ".";
        candidate += "/";
        candidate += name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// Runs the program and returns its standard output; false unless it exits with 0.
bool runCapture(const std::vector<std::string>& args, std::string& out) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return false;
    }
    char buf[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> splitLines(const std::string& text, char separator) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(std::string(1, separator) + "\n", start);
        if (end == std::string::npos) end = text.size();
        if (end > start) lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string startPath(const CNewFileSelector::Request& r) {
    std::string p = r.initialDirectory;
    if (!p.empty() && p.back() != '/') p += '/';
    if (r.style == CNewFileSelector::kSelectSaveFile) p += r.defaultSaveName;
    return p;
}
}  // namespace

CFileExtension::CFileExtension(const char* description, const char* extension,
                               const char* mimeType, int macType)
    : description_(description ? description : ""),
      extension_(extension ? extension : ""),
      mimeType_(mimeType ? mimeType : ""),
      macType_(macType) {
    if (!extension_.empty() && extension_[0] == '.') extension_.erase(0, 1);
}

CNewFileSelector* CNewFileSelector::create(CFrame* parent, Style style) {
    return new CNewFileSelector(parent, style);
}

CNewFileSelector::CNewFileSelector(CFrame* parent, Style style) : frame_(parent) {
    request_.style = style;
}

CNewFileSelector::~CNewFileSelector() = default;

void CNewFileSelector::setDefaultExtension(const CFileExtension& extension) {
    addFileExtension(extension);
    defaultExtension_ = extension.getExtension();
}

void CNewFileSelector::addFileExtension(const CFileExtension& extension) {
    for (const CFileExtension& e : request_.extensions)
        if (e == extension) return;
    request_.extensions.push_back(extension);
}

void CNewFileSelector::setChooser(Chooser chooser) { injectedChooser() = std::move(chooser); }

bool CNewFileSelector::runModal() {
    (void)frame_;
    result_.clear();
    request_.defaultExtension = nullptr;
    for (const CFileExtension& e : request_.extensions)
        if (e.getExtension() == defaultExtension_) request_.defaultExtension = &e;
    std::vector<std::string> chosen =
        injectedChooser() ? injectedChooser()(request_) : runExternalChooser(request_);
    for (std::string& path : chosen) {
        if (path.empty()) continue;
        if (request_.style == kSelectSaveFile && !defaultExtension_.empty()) {
            const std::size_t slash = path.rfind('/');
            const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
            if (base.find('.') == std::string::npos) path += "." + defaultExtension_;
        }
        result_.push_back(path);
        if (!request_.multipleFiles) break;
    }
    return !result_.empty();
}

const char* CNewFileSelector::getSelectedFile(int index) const {
    if (index < 0 || index >= getNumSelectedFiles()) return nullptr;
    return result_[static_cast<std::size_t>(index)].c_str();
}

std::vector<std::string> CNewFileSelector::runExternalChooser(const Request& r) {
    std::vector<std::string> args;
    std::string out;
    const std::string zenity = findProgram("zenity");
    if (!zenity.empty()) {
        args = {zenity, "--file-selection"};
        if (!r.title.empty()) args.push_back("--title=" + r.title);
        if (r.style == kSelectSaveFile) {
            args.push_back("--save");
            args.push_back("--confirm-overwrite");
        }
        if (r.style == kSelectDirectory) args.push_back("--directory");
        if (r.multipleFiles && r.style == kSelectFile) {
            args.push_back("--multiple");
            args.push_back("--separator=\n");
        }
        const std::string start = startPath(r);
        if (!start.empty()) args.push_back("--filename=" + start);
        for (const CFileExtension& e : r.extensions)
            args.push_back("--file-filter=" + e.getDescription() + " (*." + e.getExtension() +
                           ") | *." + e.getExtension());
        if (!r.extensions.empty()) args.push_back("--file-filter=All files | *");
        if (!runCapture(args, out)) return {};
        return splitLines(out, '\n');
    }
    const std::string kdialog = findProgram("kdialog");
    if (!kdialog.empty()) {
        const char* mode = r.style == kSelectSaveFile    ? "--getsavefilename"
                           : r.style == kSelectDirectory ? "--getexistingdirectory"
                                                         : "--getopenfilename";
        args = {kdialog, mode};
        std::string start = startPath(r);
        args.push_back(start.empty() ? "." : start);
        if (r.style != kSelectDirectory && !r.extensions.empty()) {
            std::string filter;
            for (const CFileExtension& e : r.extensions) {
                if (!filter.empty()) filter += "\n";
                filter += "*." + e.getExtension() + "|" + e.getDescription();
            }
            args.push_back(filter);
        }
        if (r.multipleFiles && r.style == kSelectFile) {
            args.push_back("--multiple");
            args.push_back("--separate-output");
        }
        if (!r.title.empty()) {
            args.push_back("--title");
            args.push_back(r.title);
        }
        if (!runCapture(args, out)) return {};
        return splitLines(out, '\n');
    }
    return {};  // no chooser program: cancelled
}
