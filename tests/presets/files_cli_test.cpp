// lumdel-host preset|bank|midi export|import on a fresh instance with its own settings.
#include <sys/wait.h>

#include <cstdio>

#include "ToolRun.h"
#include "files_test_support.h"

using namespace lumdel;
using namespace lumdel::testing;

namespace {

using Result = lumdel::test::ToolRun;

// Runs the tool with the arguments, each quoted for the shell; its standard output.
Result host(std::vector<std::string> args) {
    args.insert(args.begin(), LUMDEL_HOST_TOOL);
    return lumdel::test::runCommand(lumdel::test::shellWords(args));
}

}  // namespace

TEST(FilesCommand, BankExportUsesTheStoredDefaultAndImportPrintsNames) {
    TempDir dir;
    {
        Instance a(dir);
        for (int k = 0; k < kNumPresets; ++k)
            fillPreset(a.fx(), k, ("Stored " + std::to_string(k)).c_str(), 0.1f);
        a.core->storeDefaultBank();
    }
    const std::string config = dir / "config";
    Result r = host({"bank", "export", "--config", config, dir / "out bank.orb"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const Bytes image = readAll(dir / "out bank.orb");
    ASSERT_EQ(image.size(), kBankImageSize);

    // Convert to the other byte order and back through import --out.
    writeAll(dir / "foreign.orb", otherByteOrder(image, ImageKind::Bank));
    r = host({"bank", "import", "--config", dir / "empty", "--out", dir / "native.orb",
              dir / "foreign.orb"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("Stored 60"), std::string::npos);
    EXPECT_EQ(readAll(dir / "native.orb"), image);
}

TEST(FilesCommand, PresetExportImportAndRefusals) {
    TempDir dir;
    const std::string config = dir / "config";
    Result r = host({"preset", "export", "--config", config, "--preset", "0", dir / "p.orv"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(readAll(dir / "p.orv").size(), kPresetImageSize);

    r = host({"preset", "import", "--config", config, "--preset", "7", dir / "p.orv"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("Preset 7"), std::string::npos);
    EXPECT_NE(r.output.find("Cutoff"), std::string::npos);

    writeAll(dir / "junk.orv", Bytes(300, 0x41));
    EXPECT_EQ(host({"preset", "import", "--config", config, dir / "junk.orv"}).exitCode, 1);
    EXPECT_EQ(host({"preset", "import", "--config", config, dir / "missing.orv"}).exitCode, 1);
    EXPECT_EQ(host({"preset", "export", "--preset", "61", dir / "x.orv"}).exitCode, 2);
    EXPECT_EQ(host({"preset", "frobnicate", dir / "x.orv"}).exitCode, 2);
    EXPECT_EQ(host({"bank", "export"}).exitCode, 2);
    // Converting files writes no settings.
    EXPECT_FALSE(exists(config));
}

TEST(FilesCommand, MidiImportOfOlderFilePrintsAssignments) {
    TempDir dir;
    Bytes image(kPredecessorMidiImageSize, 0);
    putWord(image, 0, kLMDX, true);
    image[4] = 0x0B;
    for (std::size_t i = 0; i < 48; ++i) putFloat(image, 5 + 4 * i, 999.5f / 129.0f, true);
    putFloat(image, 5 + 4 * kCutoff, fromStep(74, 129), true);
    writeAll(dir / "old.orm", image);
    Result r = host({"midi", "import", "--config", dir / "config", "--out", dir / "new.orm",
                     dir / "old.orm"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("CC  74"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("brightness"), std::string::npos);
    EXPECT_EQ(readAll(dir / "new.orm").size(), kMidiImageSize);
}
