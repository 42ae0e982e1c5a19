// The per-user settings store: defaults a new instance starts with, memories, file
// locations, damaged values and directories that cannot be used.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "ToolRun.h"
#include "files_test_support.h"
#include "core/SettingsStore.h"

using namespace lumdel;
using namespace lumdel::testing;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string store() const { return storeDirectoryIn(dir); }
    std::string value(const char* name) const { return store() + name; }
};

std::string factoryName(int k) {
    Orv fresh(nullptr);
    return nameOf(fresh.preset(k));
}

}  // namespace

TEST_F(SettingsTest, EmptyStoreGivesFactoryStateAndEmptyDirectory) {
    Instance a(dir);
    EXPECT_EQ(a.fx().getCurrentPreset(), 0);
    EXPECT_EQ(nameOf(a.preset(0)), factoryName(0));
    EXPECT_EQ(nameOf(a.preset(33)), factoryName(33));
    for (int i = 0; i < 60; ++i) EXPECT_EQ(a.fx().getParameterController(i), kNoAssignment);
    EXPECT_EQ(a.core->locations().directory, "");
    EXPECT_EQ(a.core->locations().presetName, "");
}

TEST_F(SettingsTest, StoredDefaultBankStartsTheNextInstanceAndEraseRestoresFactory) {
    {
        Instance a(dir);
        for (int k = 0; k < kNumPresets; ++k)
            fillPreset(a.fx(), k, ("Mine " + std::to_string(k)).c_str(), 0.02f * static_cast<float>(k));
        a.core->storeDefaultBank();
        EXPECT_EQ(readAll(value("DefaultBank")).size(), kBankImageSize);
        fillPreset(a.fx(), 5, "Changed later", 0.9f);
    }
    {
        Instance b(dir);
        EXPECT_EQ(nameOf(b.preset(5)), "Mine 5");
        EXPECT_EQ(nameOf(b.preset(60)), "Mine 60");
        EXPECT_FLOAT_EQ(b.fx().getParameter(kMix), b.preset(0).values[kMix]);
        b.core->eraseDefaultBank();
        EXPECT_FALSE(exists(value("DefaultBank")));
    }
    Instance c(dir);
    EXPECT_EQ(nameOf(c.preset(5)), factoryName(5));
}

TEST_F(SettingsTest, DefaultPresetGoesIntoPresetZeroOfTheNextInstance) {
    {
        Instance a(dir);
        fillPreset(a.fx(), 12, "Twelve", 0.12f);
        a.fx().setCurrentPreset(12);
        a.core->storeDefaultPreset();
    }
    PresetRecord stored;
    {
        Instance b(dir);
        EXPECT_EQ(nameOf(b.preset(0)), "Twelve");
        EXPECT_NE(nameOf(b.preset(12)), "Twelve");
        stored = b.preset(0);
        EXPECT_FLOAT_EQ(b.fx().getParameter(kCutoff), stored.values[kCutoff]);
        b.core->eraseDefaultPreset();
    }
    Instance c(dir);
    EXPECT_EQ(nameOf(c.preset(0)), factoryName(0));
}

TEST_F(SettingsTest, DefaultMidiAndBankAndPresetTogether) {
    {
        Instance a(dir);
        for (int k = 0; k < kNumPresets; ++k) fillPreset(a.fx(), k, "Bank", 0.5f);
        a.core->storeDefaultBank();
        fillPreset(a.fx(), 3, "Solo", 0.25f);
        a.fx().setCurrentPreset(3);
        a.core->storeDefaultPreset();
        a.fx().setParameter(60 + kMix, fromStep(7, 129));
        a.core->storeDefaultMidi();
    }
    Instance b(dir);
    EXPECT_EQ(nameOf(b.preset(0)), "Solo");  // the preset lands on top of the bank
    EXPECT_EQ(nameOf(b.preset(1)), "Bank");
    EXPECT_EQ(b.fx().getCurrentPreset(), 0);
    EXPECT_EQ(b.fx().getParameterController(kMix), 7);
}

TEST_F(SettingsTest, MemoriesRecallIntoTheCurrentPreset) {
    Instance a(dir);
    RecordingView view;
    a.core->setView(&view);
    fillPreset(a.fx(), 8, "Nagual", 0.8f);
    a.fx().setCurrentPreset(8);
    a.core->storeMemoA();
    fillPreset(a.fx(), 9, "Tonal", 0.9f);
    a.fx().setCurrentPreset(9);
    a.core->storeMemoB();

    a.fx().setCurrentPreset(20);
    view.selectMenuEntry(20);
    a.core->recallMemoA();
    EXPECT_EQ(a.fx().getCurrentPreset(), 20);
    EXPECT_EQ(nameOf(a.preset(20)), "Nagual");
    EXPECT_EQ(a.preset(20).values[kMix], a.preset(8).values[kMix]);
    EXPECT_FLOAT_EQ(a.fx().getParameter(kMix), a.preset(8).values[kMix]);
    EXPECT_EQ(view.shownName, "Nagual");
    EXPECT_EQ(view.menu[20], "Nagual");

    a.core->recallMemoB();
    EXPECT_EQ(nameOf(a.preset(20)), "Tonal");
}

TEST_F(SettingsTest, RecallingAnEmptyMemoryChangesNothing) {
    Instance a(dir);
    a.fx().setCurrentPreset(4);
    const PresetRecord before = a.preset(4);
    a.core->recallMemoB();
    EXPECT_EQ(a.fx().getCurrentPreset(), 4);
    EXPECT_EQ(nameOf(a.preset(4)), nameOf(before));
    EXPECT_EQ(std::memcmp(&a.preset(4), &before, sizeof before), 0);
}

TEST_F(SettingsTest, DamagedImageValuesAreIgnored) {
    Bytes good(kPresetImageSize);
    {
        Instance a(dir);
        fillPreset(a.fx(), 0, "Good", 0.4f);
        a.fx().setCurrentPreset(0);
        a.core->makePresetImage(good.data());
        a.core->storeMemoA();
    }
    Bytes truncated(good.begin(), good.begin() + 100);
    Bytes longer = good;
    longer.push_back(0);
    for (const Bytes* damaged : {&truncated, &longer}) {
        writeAll(value("MemoA"), *damaged);
        Instance b(dir);
        const std::string before = nameOf(b.current());
        b.core->recallMemoA();
        EXPECT_EQ(nameOf(b.current()), before);
    }
    writeAll(value("MemoA"), {});
    Instance c(dir);
    c.core->recallMemoA();
    EXPECT_EQ(nameOf(c.current()), factoryName(0));

    // A truncated default bank does not empty half the bank at start-up.
    Bytes bank(kBankImageSize);
    c.core->makeBankImage(bank.data());
    bank.resize(5000);
    writeAll(value("DefaultBank"), bank);
    Instance d(dir);
    EXPECT_EQ(nameOf(d.preset(40)), factoryName(40));
}

TEST_F(SettingsTest, FileLocationsSurviveIncludingTheLongestDirectory) {
    const std::string longest = "/" + std::string(254, 'x') + "/";
    ASSERT_EQ(longest.size(), 256u);
    {
        Instance a(dir);
        a.core->locations().directory = longest;
        a.core->locations().bankName = "Bänke.orb";
        a.core->locations().presetName = "with space.orv";
        a.core->locations().midiName = "m.orm";
    }  // destruction stores them
    EXPECT_EQ(readAll(value("CurrDir")).size(), 256u);
    Instance b(dir);
    EXPECT_EQ(b.core->locations().directory, longest);
    EXPECT_EQ(b.core->locations().bankName, "Bänke.orb");
    EXPECT_EQ(b.core->locations().presetName, "with space.orv");
    EXPECT_EQ(b.core->locations().midiName, "m.orm");
}

TEST_F(SettingsTest, OverlongOrMissingOrTerminatedStringValues) {
    makeStoreFolder(dir);
    const std::string tooLong = "/" + std::string(298, 'y') + "/";
    writeAll(value("CurrDir"), Bytes(tooLong.begin(), tooLong.end()));
    writeAll(value("CurrBank"), Bytes{'a', '.', 'o', 'r', 'b', 0, 'j', 'u', 'n', 'k'});
    std::remove(value("CurrPreset").c_str());
    writeAll(value("CurrMidi"), {});
    Instance b(dir);
    EXPECT_EQ(b.core->locations().directory, "");
    EXPECT_EQ(b.core->locations().bankName, "a.orb");
    EXPECT_EQ(b.core->locations().presetName, "");
    EXPECT_EQ(b.core->locations().midiName, "");

    SettingsStore s(store());
    EXPECT_FALSE(s.writeString("CurrDir", tooLong));
    EXPECT_TRUE(s.writeString("CurrDir", "/ok/"));
    std::string got;
    EXPECT_TRUE(s.readString("CurrDir", got));
    EXPECT_EQ(got, "/ok/");
}

TEST_F(SettingsTest, StoreDirectoryThatIsAFileOrCannotBeCreatedSkipsEverything) {
    // The store's directory is a plain file.
    ASSERT_EQ(mkdir((dir / "config").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "config/Orvtone").c_str(), 0755), 0);
    writeAll(dir / "config/Orvtone/Lumdel", Bytes{1, 2, 3});
    {
        Instance a(dir);
        a.core->storeDefaultBank();
        a.core->storeMemoA();
        a.core->recallMemoA();
        a.core->eraseDefaultPreset();
        a.core->locations().directory = "/somewhere/";
    }
    EXPECT_EQ(readAll(dir / "config/Orvtone/Lumdel"), (Bytes{1, 2, 3}));
    Instance b(dir);
    EXPECT_EQ(nameOf(b.preset(0)), factoryName(0));

    // A place where nobody can create anything, not even the superuser.
    Instance c(std::string("/proc/lumdel-test/Orvtone/Lumdel/"));
    c.core->storeDefaultBank();
    c.core->storeFileLocations();
    c.core->recallDefaultBank();
    EXPECT_EQ(nameOf(c.preset(1)), factoryName(1));
}

TEST_F(SettingsTest, ConcurrentWritersLeaveOneCompleteValue) {
    SettingsStore s(store());
    std::atomic<bool> mixed{false};
    auto writer = [&s](unsigned char fill) {
        const Bytes data(kBankImageSize, fill);
        for (int n = 0; n < 40; ++n) s.writeBinary("DefaultBank", data.data(), data.size());
    };
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            Bytes got;
            if (s.readBinary("DefaultBank", got, kBankImageSize)) {
                if (got.size() != kBankImageSize ||
                    std::count(got.begin(), got.end(), got[0]) != static_cast<long>(got.size()))
                    mixed = true;
            }
        }
    });
    std::thread w1(writer, 0x11), w2(writer, 0x22);
    w1.join();
    w2.join();
    done = true;
    reader.join();
    EXPECT_FALSE(mixed);
    const Bytes last = readAll(value("DefaultBank"));
    ASSERT_EQ(last.size(), kBankImageSize);
    EXPECT_TRUE(last[0] == 0x11 || last[0] == 0x22);
    // No temporary files are left behind.
    int entries = 0;
    if (DIR* d = opendir(store().c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) ++entries;
        closedir(d);
    }
    EXPECT_EQ(entries, 1);
}

TEST(SettingsLocation, FollowsXdgConfigHomeElseHome) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string xdg = savedXdg ? savedXdg : "";
    const std::string home = savedHome ? savedHome : "";

    setenv("XDG_CONFIG_HOME", "/cfg/here", 1);
    EXPECT_EQ(SettingsStore::defaultDirectory(), "/cfg/here/Orvtone/Lumdel/");
    setenv("HOME", "/home/some one", 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsStore::defaultDirectory(), "/home/some one/.config/Orvtone/Lumdel/");
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(SettingsStore::defaultDirectory(), "/home/some one/.config/Orvtone/Lumdel/");
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    EXPECT_EQ(SettingsStore::defaultDirectory(), "/home/some one/.config/Orvtone/Lumdel/");

    if (savedXdg) setenv("XDG_CONFIG_HOME", xdg.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
    if (savedHome) setenv("HOME", home.c_str(), 1); else unsetenv("HOME");
}

// A value that exists but cannot be used (too long, a FIFO, a link, write-protected)
// is left as it is: never read through, never overwritten by a default, and reading a
// FIFO does not wait for a writer.
TEST_F(SettingsTest, UnusableValuesAreLeftAsTheyAre) {
    const std::string folder = makeStoreFolder(dir);
    const std::string tooLong = "/" + std::string(298, 'y') + "/";
    writeAll(value("CurrDir"), Bytes(tooLong.begin(), tooLong.end()));
    ASSERT_EQ(mkfifo(value("CurrBank").c_str(), 0600), 0);
    Bytes protectedBank(kBankImageSize, 0);
    writeAll(value("DefaultBank"), protectedBank);
    ASSERT_EQ(chmod(value("DefaultBank").c_str(), 0444), 0);
    {
        Instance a(dir);
        EXPECT_EQ(a.core->locations().directory, "");
        EXPECT_EQ(a.core->locations().bankName, "");
        a.core->locations().presetName = "changed.orv";  // one location does change
        RecordingView view;
        a.core->setView(&view);
        a.core->storeDefaultBank();  // refused, even for root, and said so
        ASSERT_EQ(a.chooser->errors.size(), 1u);
        EXPECT_EQ(a.chooser->errors[0], "Lumdel settings: Could not store the default bank in " +
                                            folder + ".");
        a.chooser->errorBoxes = false;
        a.core->storeDefaultBank();
        EXPECT_EQ(view.message, "cannot store default bank");
        a.core->setView(nullptr);
    }
    EXPECT_EQ(readAll(value("CurrDir")).size(), tooLong.size());
    struct stat st;
    ASSERT_EQ(lstat(value("CurrBank").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(readAll(value("DefaultBank")), protectedBank);
    const std::string changed = "changed.orv";
    EXPECT_EQ(readAll(value("CurrPreset")), Bytes(changed.begin(), changed.end()));
    EXPECT_FALSE(exists(value("CurrMidi")));  // unchanged, so never written
}

// Settings folders of another user are not used at all: a planted default bank is not
// loaded, nothing is stored, and the plug-in says so once on stderr.
TEST_F(SettingsTest, FolderOfAnotherUserIsNotUsed) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
    makeStoreFolder(dir);
    Bytes planted(kBankImageSize);
    {
        Instance a(dir);
        for (int k = 0; k < kNumPresets; ++k) fillPreset(a.fx(), k, "Planted", 0.3f);
        a.core->makeBankImage(planted.data());
    }
    for (const char* owner : {"config/Orvtone", "config/Orvtone/Lumdel"}) {
        SCOPED_TRACE(owner);
        writeAll(value("DefaultBank"), planted);
        ASSERT_EQ(chown((dir / owner).c_str(), 65534, 65534), 0);
        {
            Instance b(dir);
            EXPECT_EQ(nameOf(b.preset(3)), factoryName(3));
            b.core->storeMemoA();
            b.core->locations().directory = "/elsewhere/";
        }
        EXPECT_FALSE(exists(value("MemoA")));
        EXPECT_FALSE(exists(value("CurrDir")));
        ASSERT_EQ(chown((dir / owner).c_str(), 0, 0), 0);
    }

    // The line on stderr, from a process of its own (it is said once per process).
    ASSERT_EQ(chown((dir / "config/Orvtone/Lumdel").c_str(), 65534, 65534), 0);
    const std::string command = std::string("'") + LUMDEL_HOST_TOOL + "' bank export --config '" +
                                (dir / "config") + "' '" + (dir / "out.orb") + "' 2>&1";
    const std::string output = lumdel::test::runCommand(command).output;
    EXPECT_NE(output.find("belongs to another user; using factory settings"), std::string::npos)
        << output;
    EXPECT_NE(output.find("Orvtone/Lumdel"), std::string::npos) << output;
}

// A link in place of the Lumdel folder, or of its Orvtone parent, makes the store unused.
TEST_F(SettingsTest, LinkedSettingsFolderIsNotUsed) {
    ASSERT_EQ(mkdir((dir / "config").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((dir / "elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dir / "config/Orvtone").c_str()), 0);
    {
        Instance a(dir);
        a.core->storeMemoA();
    }
    EXPECT_TRUE(readAll(dir / "elsewhere/Lumdel/MemoA").empty());
    EXPECT_FALSE(exists(dir / "elsewhere/Lumdel"));
}
