// The preset store on its own, with an owner that records what reaches it: no host
// format, no engine, no editor.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/FactoryPresets.h"
#include "core/ParameterTable.h"
#include "core/PresetStore.h"

namespace lumdel {
namespace {

// Passes every value on as a plug-in would, recording it with the store's loading flag.
class RecordingOwner : public PresetStoreOwner {
public:
    struct Call {
        int index;
        float value;
        bool loading;
    };
    PresetStore store{*this};
    std::vector<Call> calls;
    int refreshes = 0;

    void setParameter(int index, float value) override {
        calls.push_back({index, value, store.loading()});
        if (!store.loading()) store.storeParameter(index, value);
    }
    void applyPreset(int index) override { store.applyPresetValues(index); }
    void presetsChanged() override { ++refreshes; }
};

class Hooks : public PresetSystemHooks {
public:
    std::vector<std::string> names;
    int learnStopped = 0;
    void presetNameChanged(const char* name) override { names.emplace_back(name); }
    void midiLearnStopped() override { ++learnStopped; }
    void midiUnlearnStopped() override {}
};

TEST(PresetStore, PresetLoadsGoThroughTheOwnerWithTheLoadingFlag) {
    RecordingOwner owner;
    owner.store.setCurrentPreset(61);
    owner.store.setCurrentPreset(-1);
    EXPECT_TRUE(owner.calls.empty());

    owner.store.setCurrentPreset(5);
    ASSERT_EQ(owner.calls.size(), 60u);
    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(owner.calls[static_cast<std::size_t>(i)].index, i);
        EXPECT_EQ(owner.calls[static_cast<std::size_t>(i)].value,
                  static_cast<float>(kFactoryPresets[5].values[i]));
        EXPECT_TRUE(owner.calls[static_cast<std::size_t>(i)].loading);
    }
    EXPECT_EQ(owner.refreshes, 1);
    EXPECT_FALSE(owner.store.loading());
    EXPECT_EQ(owner.store.currentPreset(), 5);

    // Outside a load the store keeps what it is given, in the current preset only.
    owner.setParameter(kMix, 0.125f);
    EXPECT_EQ(owner.store.preset(5).values[kMix], 0.125f);
    EXPECT_EQ(owner.store.preset(0).values[kMix],
              static_cast<float>(kFactoryPresets[0].values[kMix]));
}

TEST(PresetStore, ChunkCarriesTheWholeStateBetweenStoresAndRefusalsChangeNothing) {
    RecordingOwner a, b;
    a.store.setCurrentPreset(12);
    a.setParameter(kCutoff, 0.3f);
    a.store.setMidiAssignment(kCutoff, 74);
    a.store.setCurrentPresetName("Carried");
    std::vector<unsigned char> chunk(a.store.makeChunk(),
                                     a.store.makeChunk() + PresetStore::kChunkSize);

    std::vector<unsigned char> damaged = chunk;
    damaged[4] ^= 1;  // another plug-in's identifier
    EXPECT_EQ(b.store.loadChunk(damaged.data(), PresetStore::kChunkSize), -1);
    EXPECT_EQ(b.store.loadChunk(chunk.data(), PresetStore::kChunkSize - 1), -1);
    EXPECT_EQ(b.store.currentPreset(), 0);
    EXPECT_TRUE(b.calls.empty());

    ASSERT_EQ(b.store.loadChunk(chunk.data(), PresetStore::kChunkSize), 0);
    EXPECT_EQ(b.store.currentPreset(), 12);
    EXPECT_EQ(b.store.preset(12).values[kCutoff], 0.3f);
    EXPECT_EQ(b.store.parameterController(kCutoff), 74);
    EXPECT_EQ(b.store.controllerParameter(74), kCutoff);
    char name[kPresetNameSize + 1];
    ASSERT_TRUE(b.store.presetName(12, name));
    EXPECT_STREQ(name, "Carried");
    EXPECT_EQ(std::memcmp(b.store.makeChunk(), chunk.data(), chunk.size()), 0);
}

TEST(PresetStore, LearnTakesTheNextControllerAndTellsTheStrip) {
    RecordingOwner owner;
    Hooks hooks;
    owner.store.setHooks(&hooks);
    owner.store.startMidiLearn();
    owner.setParameter(kReso, 0.5f);          // the learn target
    owner.store.controlChange(123, 10);       // a channel-mode message is never learned
    EXPECT_TRUE(owner.store.isMidiLearnActive());
    owner.store.controlChange(21, 200);       // learned; a data byte above 127 is the top
    EXPECT_FALSE(owner.store.isMidiLearnActive());
    EXPECT_EQ(hooks.learnStopped, 1);
    EXPECT_EQ(owner.store.parameterController(kReso), 21);
    EXPECT_EQ(owner.calls.back().index, kReso);
    EXPECT_EQ(owner.calls.back().value, 1.0f);

    owner.store.renameByHost("Host's name");
    ASSERT_EQ(hooks.names.size(), 1u);
    EXPECT_EQ(hooks.names[0], "Host's name");
}

// A tool or test names no settings folder, or one it cannot read: the factory bank with
// preset 0 applied, and nothing touched on disk.
TEST(PresetStore, StoredDefaultsWithoutAUsableFolderLeaveTheFactoryState) {
    char pattern[] = "/tmp/lumdel-store-XXXXXX";
    const char* made = mkdtemp(pattern);
    ASSERT_NE(made, nullptr);
    const std::string locked = std::string(made) + "/locked";
    ASSERT_EQ(mkdir(locked.c_str(), 0000), 0);

    for (const std::string& folder : {std::string(), locked + "/Orvtone/Lumdel/"}) {
        RecordingOwner owner;
        owner.store.setCurrentPreset(9);
        owner.calls.clear();
        owner.store.loadStoredDefaults(SettingsStore(folder));
        EXPECT_EQ(owner.store.currentPreset(), 0) << folder;
        ASSERT_EQ(owner.calls.size(), 60u) << folder;  // preset 0 applied once
        EXPECT_EQ(owner.store.parameterController(kMix), kNoAssignment);
        char name[kPresetNameSize + 1];
        owner.store.presetName(0, name);
        EXPECT_STREQ(name, kFactoryPresets[0].name);
    }
    rmdir(locked.c_str());
    rmdir(made);
}

}  // namespace
}  // namespace lumdel
