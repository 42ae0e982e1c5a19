// One dialog tool (zenity, kdialog) running as a child process, watched without ever
// waiting for it: start spawns it, poll looks at it (from the editor's idle) and
// returns at once, cancel ends it. The host's user-interface thread never blocks on the
// child, however it behaves: hanging, flooding its output, or leaving a grandchild
// that keeps the output pipe open.
//
// The child gets /dev/null as its input, a pipe as its output, the host's standard
// error, and no other descriptor of the host. It runs in a process group of its own,
// with default signal handling, so that ending it ends whatever it started. Its output
// is capped at kMaxOutput bytes: more ends it as a failure.
//
// No plug-in types here. start and poll run on the editor thread; cancel and the
// destructor may run on any thread (a host closing the editor or the effect from
// another thread): they end the child and drop its answer.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace lumdel {

class DialogProcess {
public:
    static constexpr std::size_t kMaxOutput = 64 * 1024;

    enum class State {
        Idle,      // nothing started, or the last answer was taken
        Running,   // the child runs
        Finished,  // the child exited: exitCode() and output() tell what it answered
        Failed,    // it could not be started, flooded its output or could not be read
    };

    DialogProcess() = default;
    // Ends a running child.
    ~DialogProcess();
    DialogProcess(const DialogProcess&) = delete;
    DialogProcess& operator=(const DialogProcess&) = delete;

    // Starts argv[0], searched in PATH, with the arguments as they are (no shell).
    // False when it could not be started; notFound tells that no such program exists.
    // A child still running is ended first.
    bool start(const std::vector<std::string>& argv, bool& notFound);
    // Reads what the child wrote and looks whether it exited, without blocking.
    State poll();
    // After Finished: the exit status (-1 when unknown) and everything it wrote.
    int exitCode() const;
    std::string output() const;
    // Forgets a finished or failed answer (state Idle).
    void clear();
    // Ends the child and its process group, reaps it and forgets its answer.
    void cancel();
    bool running() const;
    // The child's process id while one runs (for tests), else -1.
    pid_t pid() const;

private:
    void readAvailable();
    void endChild();
    void closePipe();

    mutable std::mutex mutex_;
    State state_ = State::Idle;
    pid_t pid_ = -1;
    int pipe_ = -1;
    int exitCode_ = -1;
    std::string output_;
};

}  // namespace lumdel
