// The dialog tool as a child process that is never waited for: against stand-in tools
// that hang, flood their output, leave a process holding the pipe, or meet a host that
// ignores SIGCHLD. Each poll returns whatever the child does; the longest poll is
// printed (a figure, not a test: speed is measured, not asserted).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "StandInTools.h"
#include "presets/DialogProcess.h"

using lumdel::DialogProcess;
using lumdel::test::StandInTools;

namespace {

using Clock = std::chrono::steady_clock;

class DialogProcessTest : public ::testing::Test {
protected:
    StandInTools tools;
    DialogProcess dialog;
    double longestPollMs = 0;

    void TearDown() override {
        std::printf("[ figure   ] longest poll: %.3f ms\n", longestPollMs);
    }

    bool start(const std::vector<std::string>& argv = {"zenity"}) {
        bool notFound = false;
        return dialog.start(argv, notFound);
    }
    DialogProcess::State timedPoll() {
        const auto t0 = Clock::now();
        const DialogProcess::State state = dialog.poll();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        longestPollMs = std::max(longestPollMs, ms);
        return state;
    }
    // Polls every 5 ms while the child runs, at most n times.
    DialogProcess::State pollWhileRunning(int n) {
        DialogProcess::State state = timedPoll();
        for (int i = 0; i < n && state == DialogProcess::State::Running; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            state = timedPoll();
        }
        return state;
    }
};

}  // namespace

TEST_F(DialogProcessTest, AnswerAndExitStatusArriveThroughPolls) {
    tools.answering("zenity", "/a/b.orv");
    ASSERT_TRUE(start());
    ASSERT_EQ(pollWhileRunning(1000), DialogProcess::State::Finished);
    EXPECT_EQ(dialog.exitCode(), 0);
    EXPECT_EQ(dialog.output(), "/a/b.orv\n");
    dialog.clear();
    EXPECT_EQ(dialog.poll(), DialogProcess::State::Idle);

    bool notFound = false;
    EXPECT_FALSE(dialog.start({"no-such-dialog-tool"}, notFound));
    EXPECT_TRUE(notFound);
}

// A tool that hangs keeps running while every poll returns; cancelling ends it (from
// another thread, as a host closing the editor would).
TEST_F(DialogProcessTest, HangingToolNeverHoldsThePollAndCancelEndsIt) {
    tools.hanging("zenity");
    ASSERT_TRUE(start());
    const pid_t pid = dialog.pid();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(pollWhileRunning(100), DialogProcess::State::Running);
    EXPECT_TRUE(StandInTools::alive(pid));
    std::thread closer([this] { dialog.cancel(); });
    closer.join();
    EXPECT_FALSE(StandInTools::alive(pid));
    EXPECT_EQ(dialog.poll(), DialogProcess::State::Idle);
}

// A tool that ignores SIGTERM (inherited from a host that ignores it, or its own) is
// still ended.
TEST_F(DialogProcessTest, ToolThatIgnoresTerminationIsKilled) {
    tools.tool("zenity", "trap '' TERM\nwhile :; do /bin/sleep 1; done");
    ASSERT_TRUE(start());
    const pid_t pid = dialog.pid();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the trap is set
    dialog.cancel();
    EXPECT_FALSE(StandInTools::alive(pid));
}

// Output beyond the cap ends the child as a failure; nothing of it is kept.
TEST_F(DialogProcessTest, FloodIsCutAtTheCap) {
    tools.flooding("zenity");
    ASSERT_TRUE(start());
    const pid_t pid = dialog.pid();
    EXPECT_EQ(pollWhileRunning(2000), DialogProcess::State::Failed);
    EXPECT_FALSE(StandInTools::alive(pid));
    EXPECT_LE(dialog.output().size(), DialogProcess::kMaxOutput);
}

// The tool answers and exits, but a process it started holds the pipe open: the
// answer is taken at the exit, and what is left of the tool's group is ended.
TEST_F(DialogProcessTest, GrandchildHoldingThePipeDoesNotHoldTheAnswer) {
    tools.leavingPipeOpen("zenity", "/a/kept.orv");
    ASSERT_TRUE(start());
    ASSERT_EQ(pollWhileRunning(1000), DialogProcess::State::Finished);
    EXPECT_EQ(dialog.output(), "/a/kept.orv\n");
    const std::vector<pid_t> pids = tools.waitForPids(2);
    ASSERT_EQ(pids.size(), 2u);
    for (int i = 0; i < 200 && StandInTools::alive(pids[1]); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(StandInTools::alive(pids[1]));
}

// The host's own descriptors (here one without close-on-exec) never reach the tool.
TEST_F(DialogProcessTest, OnlyTheStandardDescriptorsReachTheTool) {
    const int marker = 100;
    const int fd = open("/dev/null", O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(dup2(fd, marker), marker);
    close(fd);
    tools.tool("zenity", "for f in /proc/$$/fd/*; do echo \"${f##*/}\"; done > '" +
                             tools.file("fds") + "'");
    ASSERT_TRUE(start());
    EXPECT_EQ(pollWhileRunning(1000), DialogProcess::State::Finished);
    close(marker);
    std::ifstream in(tools.file("fds"));
    std::vector<std::string> fds;
    for (std::string line; std::getline(in, line);) fds.push_back(line);
    ASSERT_FALSE(fds.empty());
    EXPECT_EQ(std::find(fds.begin(), fds.end(), std::to_string(marker)), fds.end());
    for (const char* standard : {"0", "1", "2"})
        EXPECT_NE(std::find(fds.begin(), fds.end(), standard), fds.end()) << standard;
}

// A host that ignores SIGCHLD leaves no exit status to collect: the child still counts
// as finished once it is gone, with its output and an unknown status.
TEST_F(DialogProcessTest, HostIgnoringChildSignals) {
    struct sigaction old {};
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGCHLD, &ignore, &old);
    tools.answering("zenity", "/a/b.orv");
    const bool started = start();
    const DialogProcess::State state =
        started ? pollWhileRunning(1000) : DialogProcess::State::Failed;
    sigaction(SIGCHLD, &old, nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(state, DialogProcess::State::Finished);
    EXPECT_EQ(dialog.output(), "/a/b.orv\n");
    EXPECT_EQ(dialog.exitCode(), -1);
}

// A host started without standard input (descriptor 0 closed): the pipe must not land
// on a descriptor the child's own setup replaces.
TEST_F(DialogProcessTest, HostWithoutStandardInput) {
    const int saved = dup(0);
    ASSERT_GE(saved, 0);
    close(0);
    tools.answering("zenity", "/a/b.orv");
    const bool started = start();
    const DialogProcess::State state =
        started ? pollWhileRunning(1000) : DialogProcess::State::Failed;
    dup2(saved, 0);
    close(saved);
    ASSERT_TRUE(started);
    EXPECT_EQ(state, DialogProcess::State::Finished);
    EXPECT_EQ(dialog.output(), "/a/b.orv\n");
}
