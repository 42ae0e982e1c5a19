// Loading and saving files through the dialogs: titles and filters, remembered
// locations, safe saving, read-only files, odd paths, and the desktop dialog tools.
#include <signal.h>
#include <dirent.h>
#include <sys/resource.h>

#include <climits>

#include <algorithm>
#include <chrono>
#include <thread>

#include "StandInTools.h"
#include "files_test_support.h"
#include "presets/PresetFiles.h"

using namespace lumdel;
using namespace lumdel::testing;

namespace {

class DialogsTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingView view;

    std::unique_ptr<Instance> open() {
        auto in = std::make_unique<Instance>(dir);
        in->core->setView(&view);
        return in;
    }
};

std::string workingDirectory() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? buffer : "";
}

}  // namespace

TEST_F(DialogsTest, SaveThenLoadPresetThroughDialogs) {
    auto a = open();
    fillPreset(a->fx(), 0, "Saved", 0.42f);
    a->fx().setCurrentPreset(0);
    a->core->locations().directory = dir.path() + "/";
    a->chooser->answers.push_back({dir / "mine.orv"});
    a->core->savePresetFile();

    ASSERT_EQ(a->chooser->calls.size(), 1u);
    const auto& save = a->chooser->calls[0];
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.request.title, "Save preset");
    EXPECT_EQ(save.request.filter.description, "Orv Preset");
    EXPECT_EQ(save.request.filter.extension, "orv");
    EXPECT_EQ(save.request.startDirectory, dir.path() + "/");
    EXPECT_EQ(readAll(dir / "mine.orv").size(), kPresetImageSize);
    EXPECT_EQ(a->core->locations().presetName, "mine.orv");

    auto b = open();
    b->fx().setCurrentPreset(11);
    b->chooser->answers.push_back({dir / "mine.orv"});
    b->core->loadPresetFile(false);
    const auto& load = b->chooser->calls.at(0);
    EXPECT_FALSE(load.save);
    EXPECT_EQ(load.request.title, "Load preset");
    EXPECT_EQ(nameOf(b->preset(11)), "Saved");
    EXPECT_EQ(b->preset(11).values[kMix], a->preset(0).values[kMix]);
    EXPECT_EQ(b->core->locations().directory, dir.path() + "/");
    EXPECT_EQ(b->core->locations().presetName, "mine.orv");
    EXPECT_EQ(view.redraws, 1);
}

TEST_F(DialogsTest, TitlesFiltersAndDefaultNamesOfEveryKind) {
    auto a = open();
    a->core->locations().bankName = "last.orb";
    a->core->locations().midiName = "last.orm";
    a->core->loadPresetFile(true);
    a->core->loadBankFile(false);
    a->core->loadBankFile(true);
    a->core->saveBankFile();
    a->core->loadMidiFile(false);
    a->core->loadMidiFile(true);
    a->core->saveMidiFile();
    const auto& c = a->chooser->calls;
    ASSERT_EQ(c.size(), 7u);
    EXPECT_EQ(c[0].request.title, "Load preset (endian-reversed)");
    EXPECT_EQ(c[1].request.title, "Load bank");
    EXPECT_EQ(c[2].request.title, "Load bank (endian-reversed)");
    EXPECT_EQ(c[3].request.title, "Save bank");
    EXPECT_EQ(c[3].request.defaultName, "last.orb");
    EXPECT_EQ(c[3].request.filter.description, "Orv Bank");
    EXPECT_EQ(c[3].request.filter.extension, "orb");
    EXPECT_EQ(c[4].request.title, "Load MIDI settings");
    EXPECT_EQ(c[5].request.title, "Load MIDI settings (endian-reversed)");
    EXPECT_EQ(c[6].request.title, "Save midi settings as");
    EXPECT_EQ(c[6].request.defaultName, "last.orm");
    EXPECT_EQ(c[6].request.filter.description, "Orv MIDI Settings");
    EXPECT_EQ(c[6].request.filter.extension, "orm");
    // All cancelled: nothing remembered, nothing redrawn.
    EXPECT_EQ(view.redraws, 0);
    EXPECT_EQ(a->core->locations().bankName, "last.orb");
}

TEST_F(DialogsTest, NothingHappensWithoutWindowOrWithoutExactlyOneFile) {
    Instance a(dir);  // no view: window closed
    a.core->loadBankFile(false);
    a.core->savePresetFile();
    EXPECT_TRUE(a.chooser->calls.empty());

    a.core->setView(&view);
    a.fx().setCurrentPreset(5);
    a.chooser->answers.push_back({dir / "a.orb", dir / "b.orb"});
    a.core->loadBankFile(false);
    EXPECT_EQ(a.fx().getCurrentPreset(), 5);  // not even preset 0
    a.chooser->answers.push_back({dir / "a.orb", dir / "b.orb"});
    a.core->saveBankFile();
    EXPECT_FALSE(exists(dir / "a.orb"));
}

TEST_F(DialogsTest, SaveAppendsMissingExtensionOnly) {
    auto a = open();
    a->chooser->answers.push_back({dir / "plain"});
    a->chooser->answers.push_back({dir / "upper.ORB"});
    a->chooser->answers.push_back({dir / "settings.orm"});
    a->core->savePresetFile();
    a->core->saveBankFile();
    a->core->saveMidiFile();
    EXPECT_EQ(readAll(dir / "plain.orv").size(), kPresetImageSize);
    EXPECT_EQ(readAll(dir / "upper.ORB").size(), kBankImageSize);
    EXPECT_EQ(readAll(dir / "settings.orm").size(), kMidiImageSize);
    EXPECT_FALSE(exists(dir / "plain"));
    EXPECT_EQ(a->core->locations().presetName, "plain.orv");
}

TEST_F(DialogsTest, ReadOnlyPresetFileLoadsAndIsLeftAlone) {
    auto a = open();
    fillPreset(a->fx(), 0, "Shared pack", 0.7f);
    a->fx().setCurrentPreset(0);
    Bytes image(kPresetImageSize);
    a->core->makePresetImage(image.data());
    const std::string path = dir / "shared.orv";
    writeAll(path, image);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);

    auto b = open();
    b->chooser->answers.push_back({path});
    b->core->loadPresetFile(false);
    EXPECT_EQ(nameOf(b->preset(0)), "Shared pack");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(readAll(path), image);
}

TEST_F(DialogsTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    auto a = open();
    const std::string path = dir / "bank.orb";
    const Bytes old(kBankImageSize, 0x5A);
    writeAll(path, old);

    // A file-size limit below the bank's size makes the write fail halfway.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    a->chooser->answers.push_back({path});
    a->core->saveBankFile();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_DFL);

    EXPECT_EQ(readAll(path), old);
    ASSERT_EQ(a->chooser->errors.size(), 1u);  // and the user is told
    EXPECT_EQ(a->chooser->errors[0].rfind("Save bank: Could not save \"" + path + "\": ", 0), 0u)
        << a->chooser->errors[0];
    const std::string listing = dir.path();
    int entries = 0;
    if (DIR* d = opendir(listing.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.' || std::strlen(e->d_name) > 2) ++entries;
        closedir(d);
    }
    // The bank and the settings directory only ("config" is created by the store).
    EXPECT_LE(entries, 2);

    // Without the limit the same save replaces the file completely.
    a->chooser->answers.push_back({path});
    a->core->saveBankFile();
    const Bytes now = readAll(path);
    ASSERT_EQ(now.size(), kBankImageSize);
    EXPECT_EQ(now[4], 0x37);
}

// A save or load that fails is reported: in the dialog tool's error box, or on the
// panel without one. Success and cancel report nothing.
TEST_F(DialogsTest, FailedSavesAndLoadsAreReported) {
    auto a = open();
    const std::string readOnly = dir / "factory.orv";
    writeAll(readOnly, Bytes(kPresetImageSize, 0x33));
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    writeAll(dir / "noise.orv", Bytes(kPresetImageSize, 0x5A));
    auto& errors = a->chooser->errors;

    a->chooser->answers.push_back({readOnly});
    a->core->savePresetFile();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Save preset: Could not save \"" + readOnly + "\": Permission denied.");
    EXPECT_EQ(readAll(readOnly), Bytes(kPresetImageSize, 0x33));

    a->chooser->answers.push_back({dir / "missing.orm"});
    a->core->loadMidiFile(false);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1], "Load MIDI settings: Could not read \"" + dir / "missing.orm" +
                             "\": No such file or directory.");
    a->chooser->answers.push_back({dir / "noise.orv"});
    a->core->loadPresetFile(true);
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[2], "Load preset (endian-reversed): \"" + dir / "noise.orv" +
                             "\" is not a preset file.");

    a->chooser->answers.push_back({dir / "fine.orv"});
    a->core->savePresetFile();
    a->core->loadPresetFile(false);  // cancelled
    EXPECT_EQ(errors.size(), 3u);
    EXPECT_TRUE(view.message.empty());

    // Without an error box the panel says it, shortly.
    a->chooser->errorBoxes = false;
    a->chooser->answers.push_back({readOnly});
    a->core->savePresetFile();
    EXPECT_EQ(view.message, "cannot save the file");
    a->chooser->answers.push_back({dir / "noise.orv"});
    a->core->loadBankFile(false);
    EXPECT_EQ(view.message, "not a bank file");
}

TEST_F(DialogsTest, SaveKeepsPermissionsAndFollowsLinks) {
    auto a = open();
    const std::string real = dir / "real.orv";
    writeAll(real, Bytes(10, 1));
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(symlink(real.c_str(), (dir / "link.orv").c_str()), 0);
    a->chooser->answers.push_back({dir / "link.orv"});
    a->core->savePresetFile();
    struct stat st;
    ASSERT_EQ(lstat((dir / "link.orv").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(readAll(real).size(), kPresetImageSize);
}

TEST_F(DialogsTest, OddFilesLoadSoundly) {
    auto a = open();
    fillPreset(a->fx(), 0, "Big", 0.3f);
    a->fx().setCurrentPreset(0);
    Bytes image(kPresetImageSize);
    a->core->makePresetImage(image.data());
    Bytes oversized = image;
    oversized.resize(5000, 0xEE);
    writeAll(dir / "big.orv", oversized);
    writeAll(dir / "empty.orv", {});

    auto b = open();
    b->fx().setCurrentPreset(3);
    const PresetRecord before = b->preset(3);
    b->chooser->answers.push_back({dir / "empty.orv"});
    b->core->loadPresetFile(false);
    EXPECT_EQ(nameOf(b->preset(3)), nameOf(before));
    b->chooser->answers.push_back({dir / "missing.orv"});
    b->core->loadPresetFile(false);
    b->chooser->answers.push_back({dir.path() + "/"});  // a directory, not a file
    b->core->loadPresetFile(false);
    EXPECT_EQ(nameOf(b->preset(3)), nameOf(before));
    b->chooser->answers.push_back({dir / "big.orv"});
    b->core->loadPresetFile(false);
    EXPECT_EQ(nameOf(b->preset(3)), "Big");

    // An empty bank file still makes preset 0 current, and changes no preset.
    writeAll(dir / "empty.orb", {});
    b->chooser->answers.push_back({dir / "empty.orb"});
    b->core->loadBankFile(false);
    EXPECT_EQ(b->fx().getCurrentPreset(), 0);
    EXPECT_EQ(nameOf(b->preset(3)), "Big");
}

TEST_F(DialogsTest, TruncatedBankFileOf5000Bytes) {
    auto a = open();
    for (int k = 0; k < kNumPresets; ++k) fillPreset(a->fx(), k, "Whole", 0.5f);
    Bytes image(kBankImageSize);
    a->core->makeBankImage(image.data());
    image.resize(5000);
    writeAll(dir / "cut.orb", image);
    auto b = open();
    b->chooser->answers.push_back({dir / "cut.orb"});
    b->core->loadBankFile(false);
    EXPECT_EQ(nameOf(b->preset(17)), "Whole");
    EXPECT_EQ(b->preset(17).values[59], a->preset(17).values[59]);
    EXPECT_EQ(nameOf(b->preset(19)), "");
    EXPECT_EQ(b->preset(60).values[kMix], 0.0f);
    EXPECT_EQ(view.menu[19], "");
}

TEST_F(DialogsTest, PathsWithSpacesAndNonAsciiAndWorkingDirectoryUnchanged) {
    const std::string sub = dir / "Mes préréglages d'été";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    const std::string cwd = workingDirectory();
    auto a = open();
    fillPreset(a->fx(), 0, "Été", 0.1f);
    a->fx().setCurrentPreset(0);
    a->chooser->answers.push_back({sub + "/Échos lents"});
    a->core->savePresetFile();
    EXPECT_TRUE(exists(sub + "/Échos lents.orv"));
    EXPECT_EQ(a->core->locations().directory, sub + "/");
    EXPECT_EQ(a->core->locations().presetName, "Échos lents.orv");

    auto b = open();
    b->chooser->answers.push_back({sub + "/Échos lents.orv"});
    b->core->loadPresetFile(false);
    EXPECT_EQ(nameOf(b->preset(0)), "Été");
    EXPECT_EQ(workingDirectory(), cwd);
}

TEST_F(DialogsTest, OverlongChosenDirectoryIsUsedButNotRemembered) {
    // A directory path of more than 256 characters, built from shorter components.
    std::string deep = dir.path();
    while (deep.size() < 300) {
        deep += "/" + std::string(40, 'd');
        ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    }
    auto a = open();
    fillPreset(a->fx(), 0, "Deep", 0.2f);
    a->fx().setCurrentPreset(0);
    a->core->locations().directory = dir.path() + "/";
    a->core->locations().presetName = "before.orv";
    a->chooser->answers.push_back({deep + "/deep.orv"});
    a->core->savePresetFile();
    EXPECT_EQ(readAll(deep + "/deep.orv").size(), kPresetImageSize);
    EXPECT_EQ(a->core->locations().directory, dir.path() + "/");
    EXPECT_EQ(a->core->locations().presetName, "before.orv");

    auto b = open();
    b->chooser->answers.push_back({deep + "/deep.orv"});
    b->core->loadPresetFile(false);
    EXPECT_EQ(nameOf(b->preset(0)), "Deep");
}

TEST(PathHelpers, SplitJoinAndExtension) {
    std::string d, n;
    splitChosenPath("/a/b/c.orv", d, n);
    EXPECT_EQ(d, "/a/b/");
    EXPECT_EQ(n, "c.orv");
    splitChosenPath("bare.orv", d, n);
    EXPECT_EQ(d, "");
    EXPECT_EQ(n, "bare.orv");
    EXPECT_EQ(joinPath("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(joinPath("/a/b/", "c"), "/a/b/c");
    EXPECT_EQ(joinPath("", "c"), "c");
    EXPECT_EQ(withExtension("x", "orv"), "x.orv");
    EXPECT_EQ(withExtension("x.Orv", "orv"), "x.Orv");
    EXPECT_EQ(withExtension("x.orb", "orv"), "x.orb.orv");
    EXPECT_EQ(withExtension("orv", "orv"), "orv.orv");
}

// The desktop chooser, run against stand-in "zenity" and "kdialog" scripts that record
// their arguments and answer with a path.
class DesktopChooserTest : public ::testing::Test {
protected:
    lumdel::test::StandInTools tools;
    DesktopFileChooser chooser;

    FileDialogRequest request() {
        FileDialogRequest r;
        r.title = "Save preset";
        r.startDirectory = "/home/me/My Presets/";
        r.filter = {"Orv Preset", "orv"};
        r.defaultName = "Tape echo.orv";
        r.save = true;
        return r;
    }
    // Opens the dialog and polls until it has an answer (at most about 10 s).
    FileChooser::Status run(const FileDialogRequest& r, std::vector<std::string>& paths,
                            std::string& message) {
        if (!chooser.open(r, message)) return FileChooser::Status::Failed;
        FileChooser::Status status = FileChooser::Status::Open;
        for (int i = 0; i < 1000 && status == FileChooser::Status::Open; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            status = chooser.poll(paths, message);
        }
        return status;
    }
};

TEST_F(DesktopChooserTest, ZenityGetsArgumentVectorAndAnswerIsParsed) {
    tools.answering("zenity", "/home/me/My Presets/Tape echo.orv");
    std::vector<std::string> chosen;
    std::string message;
    ASSERT_EQ(run(request(), chosen, message), FileChooser::Status::Chosen) << message;
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0], "/home/me/My Presets/Tape echo.orv");
    const std::vector<std::string> expected{"--file-selection", "--title=Save preset", "--save",
                                            "--confirm-overwrite",
                                            "--filename=/home/me/My Presets/Tape echo.orv",
                                            "--file-filter=Orv Preset | *.orv"};
    EXPECT_EQ(tools.argsOf("zenity"), expected);
    EXPECT_FALSE(chooser.busy());
}

TEST_F(DesktopChooserTest, KdialogWhenZenityIsMissingAndTheMessageWhenNeither) {
    tools.answering("kdialog", "/tmp/x.orb");
    FileDialogRequest r = request();
    r.title = "Load bank";
    r.filter = {"Orv Bank", "orb"};
    r.save = false;
    std::vector<std::string> chosen;
    std::string message;
    ASSERT_EQ(run(r, chosen, message), FileChooser::Status::Chosen) << message;
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0], "/tmp/x.orb");
    const std::vector<std::string> expected{"--title", "Load bank", "--getopenfilename", "--",
                                            "/home/me/My Presets/", "Orv Bank (*.orb)"};
    EXPECT_EQ(tools.argsOf("kdialog"), expected);

    std::remove(tools.file("kdialog").c_str());
    EXPECT_FALSE(chooser.open(r, message));
    EXPECT_EQ(message, "install zenity or kdialog");
}

TEST_F(DesktopChooserTest, CancelledDialogGivesNothingAndOtherFailuresAreReported) {
    tools.answering("zenity", "", 1);
    std::vector<std::string> chosen;
    std::string message;
    EXPECT_EQ(run(request(), chosen, message), FileChooser::Status::Cancelled);
    EXPECT_TRUE(chosen.empty());

    tools.answering("zenity", "", 0);  // confirmed, but nothing named
    EXPECT_EQ(run(request(), chosen, message), FileChooser::Status::Cancelled);

    tools.tool("zenity", "exit 255");  // the tool itself failed
    EXPECT_EQ(run(request(), chosen, message), FileChooser::Status::Failed);
    EXPECT_NE(message.find("255"), std::string::npos) << message;
}

TEST_F(DesktopChooserTest, NameStartingWithDashesStaysAName) {
    FileDialogRequest r = request();
    r.startDirectory.clear();
    r.defaultName = "--help.orv";
    const auto kdialog = DesktopFileChooser::kdialogArguments(r);
    const std::vector<std::string> expectedTail{"--getsavefilename", "--", "--help.orv",
                                                "Orv Preset (*.orv)"};
    ASSERT_GE(kdialog.size(), expectedTail.size());
    EXPECT_TRUE(std::equal(expectedTail.begin(), expectedTail.end(),
                           kdialog.end() - static_cast<long>(expectedTail.size())));
    // zenity takes every value inside its option.
    const auto zenity = DesktopFileChooser::zenityArguments(r);
    EXPECT_NE(std::find(zenity.begin(), zenity.end(), "--filename=--help.orv"), zenity.end());
    EXPECT_EQ(std::find(zenity.begin(), zenity.end(), "--help.orv"), zenity.end());
}

TEST_F(DesktopChooserTest, DialogsAndErrorBoxesAreAttachedToTheHostWindow) {
    FileDialogRequest r = request();
    r.parentWindow = 0x2a00005;
    const auto zenity = DesktopFileChooser::zenityArguments(r);
    EXPECT_EQ(zenity.back(), "--attach=44040197");
    const auto kdialog = DesktopFileChooser::kdialogArguments(r);
    ASSERT_GE(kdialog.size(), 3u);
    EXPECT_EQ(kdialog[1], "--attach");
    EXPECT_EQ(kdialog[2], "44040197");
    r.parentWindow = 0;
    const auto unattached = DesktopFileChooser::zenityArguments(r);
    EXPECT_EQ(std::find_if(unattached.begin(), unattached.end(),
                           [](const std::string& a) { return a.rfind("--attach", 0) == 0; }),
              unattached.end());

    // The error box: plain text (a "<" in a file name is no markup), above the host.
    r.parentWindow = 7;
    const std::vector<std::string> box{"zenity", "--error", "--no-markup", "--title=Save preset",
                                       "--text=Could not save <a>.", "--attach=7"};
    EXPECT_EQ(DesktopFileChooser::zenityErrorArguments(r, "Could not save <a>."), box);
    const std::vector<std::string> kbox{"kdialog", "--attach", "7", "--title", "Save preset",
                                        "--error", "Could not save <a>."};
    EXPECT_EQ(DesktopFileChooser::kdialogErrorArguments(r, "Could not save <a>."), kbox);
}

TEST_F(DesktopChooserTest, NewlineInsideTheChosenNameIsPartOfTheName) {
    EXPECT_EQ(DesktopFileChooser::chosenPath("/a/two\nlines.orv\n"), "/a/two\nlines.orv");
    EXPECT_EQ(DesktopFileChooser::chosenPath("/a/ends in newline\n\n"), "/a/ends in newline\n");
    EXPECT_EQ(DesktopFileChooser::chosenPath("\n"), "");
    EXPECT_EQ(DesktopFileChooser::chosenPath(""), "");

    tools.tool("zenity", "printf '/tmp/two\\nlines.orv\\n'");
    std::vector<std::string> chosen;
    std::string message;
    ASSERT_EQ(run(request(), chosen, message), FileChooser::Status::Chosen);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0], "/tmp/two\nlines.orv");
}

// Through the editor core: a preset whose file name holds a newline loads (it used to
// be taken for two names, which is no choice at all).
TEST_F(DialogsTest, FileNameWithNewlineLoads) {
    lumdel::test::StandInTools tools;
    auto a = open();
    fillPreset(a->fx(), 0, "Two lines", 0.6f);
    a->fx().setCurrentPreset(0);
    Bytes image(kPresetImageSize);
    a->core->makePresetImage(image.data());
    const std::string path = dir / "two\nlines.orv";
    writeAll(path, image);

    Instance b(dir);
    b.core->setView(&view);
    b.core->setChooser(std::make_unique<DesktopFileChooser>());
    tools.tool("zenity", "printf '%s\\n' '" + path + "'");
    b.core->loadPresetFile(false);
    for (int i = 0; i < 500 && b.core->dialogOpen(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        b.core->idle();
    }
    EXPECT_FALSE(b.core->dialogOpen());
    EXPECT_EQ(nameOf(b.preset(0)), "Two lines");
    EXPECT_EQ(b.core->locations().presetName, "two\nlines.orv");
}
