// Saving a user's preset, bank or MIDI file: long names, leftovers of a crash, hard
// links, read-only files and things that are no file; and, as a second user (root
// only, skipped otherwise), folders the saver cannot write, sticky folders and files
// shared through a group.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "files_test_support.h"
#include "core/SafeFile.h"

using namespace lumdel;
using namespace lumdel::testing;

namespace {

constexpr uid_t kOtherUser = 65534;
constexpr gid_t kOtherGroup = 65534;
constexpr gid_t kSharedGroup = 4242;

const Bytes kOld(300, 0x11);
const Bytes kNew(269, 0x22);

int save(const std::string& path, const Bytes& data = kNew) {
    return saveUserFile(path, data.data(), data.size());
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    return st;
}

void ageBy(const std::string& path, time_t seconds) {
    const timespec times[2] = {{time(nullptr) - seconds, 0}, {time(nullptr) - seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// Runs fn as a second user (65534, with the given extra groups) in a child process and
// gives what fn returned (an errno value), or -1 when the child could not switch.
int asOtherUser(const std::function<int()>& fn, std::vector<gid_t> groups = {}) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(groups.size(), groups.data()) != 0 || setgid(kOtherGroup) != 0 ||
            setuid(kOtherUser) != 0)
            _exit(254);
        _exit(fn() & 0xff);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status) == 254 ? -1 : WEXITSTATUS(status);
}

class SafeFileTest : public ::testing::Test {
protected:
    TempDir dir;
};

class SecondUserTest : public SafeFileTest {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
        // The second user must reach the folders inside.
        ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    }
};

}  // namespace

TEST_F(SafeFileTest, LongestLegalNamesAreSaved) {
    for (std::size_t length : {250u, 255u}) {
        const std::string name = std::string(length - 4, 'n') + ".orv";
        ASSERT_EQ(name.size(), length);
        EXPECT_EQ(save(dir / name), 0) << length;
        EXPECT_EQ(readAll(dir / name), kNew) << length;
        writeAll(dir / name, kOld);
        EXPECT_EQ(save(dir / name), 0) << length;  // over an existing file as well
        EXPECT_EQ(readAll(dir / name), kNew) << length;
    }
}

TEST_F(SafeFileTest, LeftoversOfACrashedSaveAreRemovedWhenFound) {
    const std::vector<std::string> stale{".lumdel-Ab12Cd.tmp", ".song.orv.tmp-4242-3-65f0a1b2"};
    const std::vector<std::string> kept{".lumdel-Zz99Yy.tmp",  // written just now
                                        ".lumdel-notes.txt", ".song.orv.tmp-x-3-65f0a1b2",
                                        "song.orv"};
    for (const std::string& name : stale) {
        writeAll(dir / name, kOld);
        ageBy(dir / name, 3600);
    }
    for (const std::string& name : kept) writeAll(dir / name, kOld);
    for (const std::string& name : kept)
        if (name != ".lumdel-Zz99Yy.tmp") ageBy(dir / name, 3600);
    ASSERT_EQ(mkdir((dir / ".lumdel-Dir000.tmp").c_str(), 0700), 0);
    ageBy(dir / ".lumdel-Dir000.tmp", 3600);

    EXPECT_EQ(save(dir / "new.orv"), 0);
    for (const std::string& name : stale) EXPECT_FALSE(exists(dir / name)) << name;
    for (const std::string& name : kept) EXPECT_TRUE(exists(dir / name)) << name;
    EXPECT_TRUE(exists(dir / ".lumdel-Dir000.tmp"));  // not a file of ours
    EXPECT_TRUE(isTemporaryName(".lumdel-Ab12Cd.tmp"));
    EXPECT_FALSE(isTemporaryName(".lumdel-Ab12C.tmp"));
    EXPECT_FALSE(isTemporaryName(".tmp-1-2-3"));
}

TEST_F(SafeFileTest, HardLinkedFileIsWrittenInPlace) {
    const std::string a = dir / "a.orv", b = dir / "b.orv";
    writeAll(a, kOld);
    ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
    const ino_t inode = statOf(a).st_ino;
    EXPECT_EQ(save(a), 0);
    EXPECT_EQ(statOf(a).st_ino, inode);
    EXPECT_EQ(readAll(b), kNew);  // both names see the new content
    EXPECT_EQ(statOf(a).st_size, static_cast<off_t>(kNew.size()));
}

TEST_F(SafeFileTest, ReplacementKeepsTheModeAndANewFileTakesTheUmask) {
    const std::string path = dir / "p.orv";
    writeAll(path, kOld);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    EXPECT_EQ(save(path), 0);
    EXPECT_EQ(statOf(path).st_mode & 07777, 0640u);
    EXPECT_EQ(readAll(path), kNew);

    const mode_t saved = umask(022);
    EXPECT_EQ(save(dir / "fresh.orv"), 0);
    umask(077);
    EXPECT_EQ(save(dir / "private.orv"), 0);
    umask(saved);
    EXPECT_EQ(statOf(dir / "fresh.orv").st_mode & 07777, 0644u);
    EXPECT_EQ(statOf(dir / "private.orv").st_mode & 07777, 0600u);
}

TEST_F(SafeFileTest, ReadOnlyFilesAndThingsThatAreNoFileAreLeftAlone) {
    const std::string readOnly = dir / "factory.orv";
    writeAll(readOnly, kOld);
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(save(readOnly), EACCES);  // even for root, who could write it
    EXPECT_EQ(readAll(readOnly), kOld);

    EXPECT_EQ(save(dir.path()), EISDIR);
    EXPECT_EQ(save(dir.path() + "/"), EISDIR);
    const std::string fifo = dir / "pipe.orv";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(save(fifo), EINVAL);  // refused, not blocked on
    EXPECT_EQ(save("/dev/null"), EINVAL);
    EXPECT_EQ(save(dir / "missing/x.orv"), ENOENT);
    // A link to something that is no file is not written through either.
    ASSERT_EQ(symlink(fifo.c_str(), (dir / "link.orv").c_str()), 0);
    EXPECT_EQ(save(dir / "link.orv"), EINVAL);
    EXPECT_EQ(fileErrorText(EINVAL), "not a regular file");
}

TEST_F(SecondUserTest, FolderTheSaverCannotWriteGetsTheFileWrittenInPlace) {
    const std::string folder = dir / "shared";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/writable.orv";
    writeAll(path, kOld);
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    const ino_t inode = statOf(path).st_ino;

    EXPECT_EQ(asOtherUser([&] { return save(path); }), 0);
    EXPECT_EQ(readAll(path), kNew);
    EXPECT_EQ(statOf(path).st_ino, inode);
    EXPECT_EQ(statOf(path).st_uid, 0u);
    // A new file there cannot be made, and the saver hears so.
    EXPECT_EQ(asOtherUser([&] { return save(folder + "/new.orv"); }), EACCES);
    EXPECT_FALSE(exists(folder + "/new.orv"));
}

TEST_F(SecondUserTest, StickyFolderKeepsOtherUsersFilesTheirs) {
    const std::string folder = dir / "sticky";
    ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
    ASSERT_EQ(chmod(folder.c_str(), 01777), 0);
    const std::string theirs = folder + "/theirs.orv";
    writeAll(theirs, kOld);
    ASSERT_EQ(chmod(theirs.c_str(), 0666), 0);
    EXPECT_EQ(asOtherUser([&] { return save(theirs); }), 0);
    EXPECT_EQ(readAll(theirs), kNew);
    EXPECT_EQ(statOf(theirs).st_uid, 0u);

    // The saver's own file there is replaced whole, as anywhere.
    const std::string mine = folder + "/mine.orv";
    EXPECT_EQ(asOtherUser([&] { return save(mine, kOld); }), 0);
    EXPECT_EQ(asOtherUser([&] { return save(mine); }), 0);
    EXPECT_EQ(readAll(mine), kNew);
    EXPECT_EQ(statOf(mine).st_uid, kOtherUser);
}

TEST_F(SecondUserTest, GroupSharedFileStaysSharedAndKeepsItsOwner) {
    const std::string folder = dir / "team";
    ASSERT_EQ(mkdir(folder.c_str(), 0775), 0);
    ASSERT_EQ(chown(folder.c_str(), 0, kSharedGroup), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0775), 0);
    const std::string path = folder + "/bank.orb";
    writeAll(path, kOld);
    ASSERT_EQ(chown(path.c_str(), 0, kSharedGroup), 0);
    ASSERT_EQ(chmod(path.c_str(), 0664), 0);
    const std::string second = folder + "/bank-link.orb";
    const ino_t inode = statOf(path).st_ino;

    EXPECT_EQ(asOtherUser([&] { return save(path); }, {kSharedGroup}), 0);
    const struct stat st = statOf(path);
    EXPECT_EQ(readAll(path), kNew);
    EXPECT_EQ(st.st_ino, inode);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_gid, kSharedGroup);
    EXPECT_EQ(st.st_mode & 07777, 0664u);

    // The owner's hard link sees the new content too.
    ASSERT_EQ(link(path.c_str(), second.c_str()), 0);
    EXPECT_EQ(asOtherUser([&] { return save(path, kOld); }, {kSharedGroup}), 0);
    EXPECT_EQ(readAll(second), kOld);
}
