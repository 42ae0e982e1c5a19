// lumdel-host presets and state save/load on the real plug-in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "TempFolders.h"
#include "ToolRun.h"

namespace {

using lumdel::test::lumdelHost;
using lumdel::test::ToolRun;

class StateCommandTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.path().empty()); }
    std::string file(const char* name) { return dir / name; }

    lumdel::test::TempDir dir{"lumdel-state"};
    std::string plugin = std::string("'") + LUMDEL_PLUGIN_PATH + "'";
};

TEST(PresetsCommand, ListsTheBankOfAFreshInstance) {
    ToolRun r = lumdelHost(std::string("presets '") + LUMDEL_PLUGIN_PATH + "'");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output.rfind("  0  Default\n", 0), 0u) << r.output;
    EXPECT_NE(r.output.find(" 24  Ping Pong\n"), std::string::npos);
    EXPECT_NE(r.output.find(" 60  Bass Drone\n"), std::string::npos);
    EXPECT_EQ(r.output.find(" 61  "), std::string::npos);
}

TEST_F(StateCommandTest, SaveThenLoadReportsChangesAndOk) {
    ToolRun save = lumdelHost("state save " + plugin + " '" + file("a.state") +
                          "' --preset 24 --set 2=0.7 --set 62=0.5");
    ASSERT_EQ(save.exitCode, 0) << save.output;
    ToolRun load = lumdelHost("state load " + plugin + " '" + file("a.state") + "'");
    EXPECT_EQ(load.exitCode, 0) << load.output;
    EXPECT_NE(load.output.find("current preset: 0 -> 24"), std::string::npos) << load.output;
    EXPECT_NE(load.output.find("\"Ping Pong\" Mix: 0.36 -> 0.7"), std::string::npos) << load.output;
    EXPECT_NE(load.output.find("CC# Mix: none"), std::string::npos) << load.output;
    EXPECT_NE(load.output.find("controller 64"), std::string::npos) << load.output;
    EXPECT_NE(load.output.find("OK\n"), std::string::npos);
}

TEST_F(StateCommandTest, DamagedFilesAreRefusedOrReported) {
    ASSERT_EQ(lumdelHost("state save " + plugin + " '" + file("a.state") + "'").exitCode, 0);
    std::ifstream in(file("a.state"), std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 16376u);

    std::ofstream(file("short.state"), std::ios::binary).write(bytes.data(), 100);
    ToolRun r = lumdelHost("state load " + plugin + " '" + file("short.state") + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("refused (-1)"), std::string::npos) << r.output;

    // A NaN in a stored value is replaced on load, and the tool says so.
    std::vector<char> nan = bytes;
    const float bad = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(nan.data() + 32 + 264 * 3 + 24 + 4 * 2, &bad, 4);
    std::ofstream(file("nan.state"), std::ios::binary).write(nan.data(), nan.size());
    r = lumdelHost("state load " + plugin + " '" + file("nan.state") + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("not as in the file: preset 3 \"Studio One\" Mix: nan -> 0.5"),
              std::string::npos)
        << r.output;
}

// Only a regular file of at most one chunk is read: a FIFO, a device or an oversized
// file is refused at once (a FIFO used to block the tool; /dev/zero to fill memory).
TEST_F(StateCommandTest, OnlyARegularFileOfOneChunkIsRead) {
    ASSERT_EQ(lumdelHost("state save " + plugin + " '" + file("a.state") + "'").exitCode, 0);
    std::ifstream in(file("a.state"), std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bytes.push_back(0);
    std::ofstream(file("long.state"), std::ios::binary).write(bytes.data(), bytes.size());
    ASSERT_EQ(mkfifo(file("fifo.state").c_str(), 0600), 0);

    // A time limit, so that a tool that blocks fails here instead of hanging the suite.
    const std::string limit = "/usr/bin/timeout 60 ";
    ToolRun r = lumdelHost("state load " + plugin + " '" + file("long.state") + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("is larger than one chunk (16376 bytes)"), std::string::npos)
        << r.output;
    for (const std::string& path : {file("fifo.state"), std::string("/dev/zero"), dir.path()}) {
        const std::string command =
            limit + "'" + LUMDEL_HOST_TOOL + "' state load " + plugin + " '" + path + "' 2>&1";
        std::string output;
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char buf[512];
        while (std::fgets(buf, sizeof buf, pipe)) output += buf;
        const int status = pclose(pipe);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1) << path << ": " << output;
        EXPECT_NE(output.find("cannot read"), std::string::npos) << output;
    }
}

}  // namespace
