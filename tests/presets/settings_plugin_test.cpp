// The settings store as a host meets it, through the real Lumdel.so: a scan writes
// nothing, and links planted in the settings folder are never written through, neither
// by opening and closing the plug-in nor by any of the strip's store buttons.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "PluginFixture.h"
#include "files_test_support.h"
#include "toolkit/vstgui.h"

using namespace lumdel;
using namespace lumdel::testing;

namespace {

const char* const kValueNames[] = {"DefaultPreset", "MemoA",    "MemoB",
                                   "DefaultBank",   "DefaultMidi", "CurrDir",
                                   "CurrBank",      "CurrPreset",  "CurrMidi"};

// A folder made (if it can be) at path; the path.
std::string madeFolder(const std::string& path) {
    mkdir(path.c_str(), 0700);
    return path;
}

std::vector<std::string> entriesOf(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// One instance of the real plug-in, its editor open offscreen, clicked through the
// editor's request channel as our tools do.
class PluginInstance {
public:
    PluginInstance() {
        EXPECT_TRUE(lumdel::test::pluginLibrary().ok());
        EXPECT_TRUE(host.load(lumdel::test::pluginLibrary())) << host.error();
        host.start();
    }
    bool openEditor() {
        return host.dispatch(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'),
                             editor_request::kOpenOffscreen) == 1;
    }
    void mouse(int kind, int buttons, double x, double y) {
        editor_request::MouseEvent event{kind, buttons, x, y, 0.0f};
        host.dispatch(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'), editor_request::kMouse,
                      &event);
    }
    void click(double x, double y, int buttons = kLButton) {
        mouse(0, buttons, x, y);
        mouse(1, buttons & ~(kLButton | kRButton), x, y);
    }
    void doubleClick(double x, double y, int modifiers = 0) {
        click(x, y, kLButton | modifiers);
        click(x, y, kLButton | kDoubleClick | modifiers);
    }
    // Every store, erase and recall button of the strip.
    void pressEveryStoreButton() {
        doubleClick(69, 162);             // store the default bank
        doubleClick(156, 162);            // store the default preset
        doubleClick(711, 162, kControl);  // store the default MIDI settings
        click(398, 163);                  // store memory A
        click(462, 163);                  // store memory B
        click(431, 163);                  // recall memory A
        click(496, 163);                  // recall memory B
        doubleClick(69, 162, kControl);   // erase the default bank
        doubleClick(156, 162, kControl);  // erase the default preset
        host.dispatch(effEditIdle);
    }

    host::Host host;
};

class PluginSettingsTest : public ::testing::Test {
protected:
    TempDir dir;
    test::ScopedEnv home{"XDG_CONFIG_HOME", madeFolder(dir / "config")};
    std::string config() const { return dir / "config"; }
};

}  // namespace

// A host scan (and opening and closing the editor) writes nothing: no folder, no value.
TEST_F(PluginSettingsTest, ScanningOpeningAndClosingCreatesNoFiles) {
    for (int round = 0; round < 3; ++round) {
        PluginInstance instance;
        if (round > 0) {
            ASSERT_TRUE(instance.openEditor());
            instance.host.dispatch(effEditIdle);
            instance.host.dispatch(effEditClose);
        }
    }
    EXPECT_TRUE(entriesOf(config()).empty());

    // An existing, empty store stays empty.
    makeStoreFolder(dir);
    { PluginInstance instance; }
    EXPECT_TRUE(entriesOf(storeDirectoryIn(dir)).empty());
}

TEST_F(PluginSettingsTest, LinksInTheSettingsFolderAreNeverWrittenThrough) {
    const std::string store = makeStoreFolder(dir);
    const Bytes precious{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's', '\n'};
    const std::string victim = dir / "victim";
    const std::string readOnlyVictim = dir / "read-only victim";
    writeAll(victim, precious);
    writeAll(readOnlyVictim, precious);
    ASSERT_EQ(chmod(readOnlyVictim.c_str(), 0444), 0);
    bool alternate = false;
    for (const char* name : kValueNames) {
        const std::string& target = alternate ? readOnlyVictim : victim;
        ASSERT_EQ(symlink(target.c_str(), (store + name).c_str()), 0) << name;
        alternate = !alternate;
    }

    { PluginInstance scan; }
    EXPECT_EQ(readAll(victim), precious);
    EXPECT_EQ(readAll(readOnlyVictim), precious);

    {
        PluginInstance instance;
        ASSERT_TRUE(instance.openEditor());
        instance.pressEveryStoreButton();
        instance.host.dispatch(effEditClose);
    }
    EXPECT_EQ(readAll(victim), precious);
    EXPECT_EQ(readAll(readOnlyVictim), precious);
    for (const char* name : kValueNames) {
        struct stat st;
        ASSERT_EQ(lstat((store + name).c_str(), &st), 0) << name;
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << name;
    }
    // Nothing else appeared: no temporary file left, no value beside the links.
    EXPECT_EQ(entriesOf(store).size(), sizeof kValueNames / sizeof kValueNames[0]);
}

// Without links the same buttons do store: the test above is not passing because the
// buttons were never pressed.
TEST_F(PluginSettingsTest, StoreButtonsWriteIntoAFolderOfTheirOwn) {
    {
        PluginInstance instance;
        ASSERT_TRUE(instance.openEditor());
        instance.pressEveryStoreButton();
        instance.host.dispatch(effEditClose);
    }
    const std::string store = storeDirectoryIn(dir);
    EXPECT_EQ(readAll(store + "MemoA").size(), kPresetImageSize);
    EXPECT_EQ(readAll(store + "MemoB").size(), kPresetImageSize);
    EXPECT_EQ(readAll(store + "DefaultMidi").size(), kMidiImageSize);
    EXPECT_FALSE(exists(store + "DefaultBank"));  // stored, then erased
    EXPECT_FALSE(exists(store + "DefaultPreset"));
    struct stat st;
    ASSERT_EQ(stat(store.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(stat((dir / "config/Orvtone").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
}
