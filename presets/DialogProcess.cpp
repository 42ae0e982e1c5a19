#include "DialogProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace lumdel {

namespace {

// How long a cancelled child gets to end on SIGTERM before it is killed.
constexpr long kTermGraceNs = 100'000'000;
constexpr long kTermPollNs = 2'000'000;

// The spawn attributes: a process group of its own, no blocked signals, and default
// handling of the signals a host commonly ignores or catches.
void prepareAttributes(posix_spawnattr_t& attr) {
    posix_spawnattr_init(&attr);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                        POSIX_SPAWN_SETSIGDEF);
}

// A descriptor of ours that is not 0, 1 or 2 (a host may have closed those, and the
// child's own standard descriptors are set up over them).
int aboveStandard(int fd) {
    if (fd > 2) return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

void sleepNs(long ns) {
    timespec ts{0, ns};
    nanosleep(&ts, nullptr);
}

}  // namespace

DialogProcess::~DialogProcess() { cancel(); }

bool DialogProcess::start(const std::vector<std::string>& argv, bool& notFound) {
    std::lock_guard<std::mutex> lock(mutex_);
    notFound = false;
    endChild();
    closePipe();
    output_.clear();
    exitCode_ = -1;
    state_ = State::Idle;
    if (argv.empty() || argv[0].empty()) return false;

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    fds[0] = aboveStandard(fds[0]);
    fds[1] = aboveStandard(fds[1]);
    if (fds[0] < 0 || fds[1] < 0) {
        if (fds[0] >= 0) close(fds[0]);
        if (fds[1] >= 0) close(fds[1]);
        return false;
    }
    fcntl(fds[0], F_SETFL, O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    // Standard error stays the host's; nothing else of the host reaches the tool.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attr;
    prepareAttributes(attr);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        notFound = rc == ENOENT;
        return false;
    }
    pid_ = pid;
    pipe_ = fds[0];
    state_ = State::Running;
    return true;
}

void DialogProcess::readAvailable() {
    char buffer[4096];
    while (pipe_ >= 0) {
        const ssize_t n = read(pipe_, buffer, sizeof buffer);
        if (n > 0) {
            if (output_.size() + static_cast<std::size_t>(n) > kMaxOutput) {
                state_ = State::Failed;
                return;
            }
            output_.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            closePipe();  // the child closed its output; it may still run
        } else if (errno == EINTR) {
            continue;
        } else {
            if (errno != EAGAIN && errno != EWOULDBLOCK) state_ = State::Failed;
            return;
        }
    }
}

DialogProcess::State DialogProcess::poll() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Running) return state_;
    readAvailable();
    if (state_ == State::Failed) {
        endChild();
        closePipe();
        return state_;
    }
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == 0 || (r < 0 && errno == EINTR)) return State::Running;
    // Exited; or reaped behind our back (a host that ignores SIGCHLD or collects every
    // child itself): then its status is unknown.
    if (r == pid_ && WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
    readAvailable();  // what it wrote just before it exited
    // A grandchild may still hold the pipe: its output is not waited for, and what is
    // left of the group is ended.
    if (r == pid_) kill(-pid_, SIGTERM);
    pid_ = -1;
    closePipe();
    if (state_ != State::Failed) state_ = State::Finished;
    return state_;
}

void DialogProcess::endChild() {
    if (pid_ <= 0) return;
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == 0) {
        kill(-pid_, SIGTERM);
        for (long waited = 0; waited < kTermGraceNs && r == 0; waited += kTermPollNs) {
            sleepNs(kTermPollNs);
            r = waitpid(pid_, &status, WNOHANG);
        }
        if (r == 0) {
            kill(-pid_, SIGKILL);
            while ((r = waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
            }
        }
    }
    if (r == pid_) kill(-pid_, SIGKILL);  // whatever it left running in its group
    pid_ = -1;
}

void DialogProcess::closePipe() {
    if (pipe_ >= 0) close(pipe_);
    pipe_ = -1;
}

int DialogProcess::exitCode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return exitCode_;
}

std::string DialogProcess::output() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
}

void DialogProcess::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ == State::Running) return;
    output_.clear();
    exitCode_ = -1;
    state_ = State::Idle;
}

void DialogProcess::cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    endChild();
    closePipe();
    output_.clear();
    exitCode_ = -1;
    state_ = State::Idle;
}

bool DialogProcess::running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_ == State::Running;
}

pid_t DialogProcess::pid() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pid_;
}

}  // namespace lumdel
