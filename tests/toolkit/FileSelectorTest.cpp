// The file selector with a chooser injected in place of the external programs.
#include <cstdlib>
#include <string>

#include "ToolkitTestSupport.h"

namespace lumdel::test {
namespace {

struct ChooserReset {
    ~ChooserReset() { CNewFileSelector::setChooser(nullptr); }
};

TEST(FileSelectorTest, ChooserSeesTheRequestAndSavesGetTheDefaultExtension) {
    ChooserReset reset;
    CNewFileSelector::Request seen;
    CNewFileSelector::setChooser([&](const CNewFileSelector::Request& r) {
        seen = r;
        return std::vector<std::string>{"/home/u/presets/lead"};
    });
    CNewFileSelector* selector = CNewFileSelector::create(nullptr, CNewFileSelector::kSelectSaveFile);
    selector->setTitle("Save preset");
    selector->setInitialDirectory("/home/u/presets");
    selector->setDefaultSaveName("lead.lmp");
    selector->setDefaultExtension(CFileExtension("Preset file", "lmp"));
    selector->addFileExtension(CFileExtension("Preset file", ".lmp"));  // the same, once
    selector->addFileExtension(CFileExtension("Old preset", "fxp"));
    ASSERT_TRUE(selector->runModal());
    EXPECT_EQ(seen.style, CNewFileSelector::kSelectSaveFile);
    EXPECT_EQ(seen.title, "Save preset");
    EXPECT_EQ(seen.initialDirectory, "/home/u/presets");
    EXPECT_EQ(seen.defaultSaveName, "lead.lmp");
    ASSERT_EQ(seen.extensions.size(), 2u);
    EXPECT_EQ(seen.extensions[1].getExtension(), "fxp");
    ASSERT_NE(seen.defaultExtension, nullptr);
    EXPECT_EQ(seen.defaultExtension->getExtension(), "lmp");
    ASSERT_EQ(selector->getNumSelectedFiles(), 1);
    EXPECT_STREQ(selector->getSelectedFile(0), "/home/u/presets/lead.lmp");
    EXPECT_EQ(selector->getSelectedFile(1), nullptr);
    selector->forget();
}

TEST(FileSelectorTest, CancelledChooserSelectsNothing) {
    ChooserReset reset;
    CNewFileSelector::setChooser([](const CNewFileSelector::Request&) {
        return std::vector<std::string>{};
    });
    CNewFileSelector* selector = CNewFileSelector::create(nullptr, CNewFileSelector::kSelectFile);
    EXPECT_FALSE(selector->runModal());
    EXPECT_EQ(selector->getNumSelectedFiles(), 0);
    EXPECT_EQ(selector->getSelectedFile(0), nullptr);
    selector->forget();
}

TEST(FileSelectorTest, OpenKeepsNameAndOnlyOneFileUnlessAsked) {
    ChooserReset reset;
    CNewFileSelector::setChooser([](const CNewFileSelector::Request&) {
        return std::vector<std::string>{"/a/bank", "/a/other.lmb"};
    });
    CNewFileSelector* selector = CNewFileSelector::create(nullptr, CNewFileSelector::kSelectFile);
    selector->setDefaultExtension(CFileExtension("Bank", "lmb"));
    ASSERT_TRUE(selector->runModal());
    ASSERT_EQ(selector->getNumSelectedFiles(), 1);
    EXPECT_STREQ(selector->getSelectedFile(0), "/a/bank");
    selector->setAllowMultiFileSelection(true);
    ASSERT_TRUE(selector->runModal());
    EXPECT_EQ(selector->getNumSelectedFiles(), 2);
    selector->forget();
}

TEST(FileSelectorTest, WithoutChooserProgramsTheDialogIsCancelled) {
    const char* old = std::getenv("PATH");
    const std::string saved = old ? old : "";
    setenv("PATH", "/nonexistent-lumdel-dir", 1);
    CNewFileSelector* selector = CNewFileSelector::create(nullptr, CNewFileSelector::kSelectFile);
    EXPECT_FALSE(selector->runModal());
    selector->forget();
    setenv("PATH", saved.c_str(), 1);
}

}  // namespace
}  // namespace lumdel::test
