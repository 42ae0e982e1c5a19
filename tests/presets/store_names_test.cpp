// Program numbers and names as the host sees them, and the name-copy rule.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "PluginFixture.h"
#include "core/PresetRecord.h"

namespace {

using lumdel::test::PluginTest;

TEST_F(PluginTest, HostSeesOneProgramNumberedZero) {
    EXPECT_EQ(host->dispatch(effGetProgram), 0);
    host->dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(host->dispatch(effGetProgram), 0);
    host->dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(host->dispatch(effGetProgram), 0);
    char name[64] = {};
    host->dispatch(effGetProgramName, 0, 0, name);
    EXPECT_STREQ(name, "Default");
}

TEST_F(PluginTest, ProgramNamesByIndex) {
    char name[64];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 24, 0, name), 1);
    EXPECT_STREQ(name, "Ping Pong");
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 60, 0, name), 1);
    EXPECT_STREQ(name, "Bass Drone");
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 0, 7, name), 1);  // category ignored
    EXPECT_STREQ(name, "Default");

    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 61, 0, name), 0);
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, -1, 0, name), 0);
    EXPECT_EQ(name[0], 'x');  // nothing written
    EXPECT_EQ(host->dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);
}

TEST_F(PluginTest, LongProgramNameIsCutTo24WithoutTerminator) {
    char longName[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";  // 30 characters
    host->dispatch(effSetProgramName, 0, 0, longName);
    char name[64];
    std::memset(name, 'x', sizeof name);
    host->dispatch(effGetProgramName, 0, 0, name);
    EXPECT_STREQ(name, "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(name[25], 'x');  // only 25 bytes written

    // The record keeps exactly 24 bytes and no terminator.
    void* data = nullptr;
    host->dispatch(effGetChunk, 0, 0, &data);
    const char* record = static_cast<const char*>(data) + 32;
    EXPECT_EQ(std::memcmp(record, "ABCDEFGHIJKLMNOPQRSTUVWX", 24), 0);

    // A shorter name clears the rest of the field.
    char shortName[] = "Short";
    host->dispatch(effSetProgramName, 0, 0, shortName);
    host->dispatch(effGetChunk, 0, 0, &data);
    record = static_cast<const char*>(data) + 32;
    EXPECT_STREQ(record, "Short");
    for (int i = 5; i < 24; ++i) EXPECT_EQ(record[i], '\0') << i;
}

TEST(PresetName, CopyRule) {
    lumdel::PresetRecord r{};
    std::memset(r.name, 'q', sizeof r.name);
    lumdel::copyPresetName(r.name, "Twenty-four characters!!");  // exactly 24
    EXPECT_EQ(std::memcmp(r.name, "Twenty-four characters!!", 24), 0);
    lumdel::copyPresetName(r.name, "");
    for (char c : r.name) EXPECT_EQ(c, '\0');
    std::memset(r.name, 'q', sizeof r.name);
    lumdel::copyPresetName(r.name, nullptr);
    for (char c : r.name) EXPECT_EQ(c, '\0');
}

TEST(PresetRecordValues, NonFiniteValuesTakeTheDefaultValue) {
    lumdel::PresetRecord r{};
    for (float& v : r.values) v = 0.3f;
    r.values[14] = std::numeric_limits<float>::quiet_NaN();
    r.values[35] = std::numeric_limits<float>::infinity();
    EXPECT_EQ(lumdel::sanitizePresetValues(r), 2);
    EXPECT_FLOAT_EQ(r.values[14], static_cast<float>(1.0 / 6.0));
    EXPECT_FLOAT_EQ(r.values[35], 0.4f);
    EXPECT_FLOAT_EQ(r.values[0], 0.3f);
    EXPECT_EQ(lumdel::sanitizePresetValues(r), 0);
}

}  // namespace
