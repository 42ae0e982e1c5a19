// The exact bytes of the chunk and of the three file images, pinned by their hashes: a
// fresh factory state and an edited one (other current preset, a rename, edits, learned
// and assigned controllers, a migrated older preset). Any change to what is written,
// where or in which order, shows here.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "files_test_support.h"

namespace lumdel::testing {
namespace {

std::uint64_t fnv1a(const unsigned char* data, std::size_t size) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h;
}

std::string hex(std::uint64_t h) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

struct Hashes {
    std::string chunk, preset, bank, midi;
};

Hashes hashesOf(Instance& in) {
    Hashes h;
    void* data = nullptr;
    const VstInt32 size = in.fx().getChunk(&data, false);
    h.chunk = hex(fnv1a(static_cast<unsigned char*>(data), static_cast<std::size_t>(size)));
    Bytes image(kPresetImageSize);
    in.core->makePresetImage(image.data());
    h.preset = hex(fnv1a(image.data(), image.size()));
    image.assign(kBankImageSize, 0);
    in.core->makeBankImage(image.data());
    h.bank = hex(fnv1a(image.data(), image.size()));
    image.assign(kMidiImageSize, 0);
    in.core->makeMidiImage(image.data());
    h.midi = hex(fnv1a(image.data(), image.size()));
    return h;
}

void sendControlChange(Orv& fx, int controller, int value) {
    VstMidiEvent cc{};
    cc.type = kVstMidiType;
    cc.byteSize = sizeof cc;
    cc.midiData[0] = static_cast<char>(0xB3);
    cc.midiData[1] = static_cast<char>(controller);
    cc.midiData[2] = static_cast<char>(value);
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&cc);
    fx.processEvents(&events);
}

// Whatever the settings folder held: the factory bank, no assignments, preset 0.
void toFactoryState(Instance& in) {
    in.fx().loadFactoryPresets();
    in.fx().clearMidiAssignments();
    in.fx().setCurrentPreset(0);
}

TEST(StoreBytes, FactoryAndEditedStatesWriteTheSameBytesAsEver) {
    TempDir dir;
    Instance in(dir);
    toFactoryState(in);
    const Hashes fresh = hashesOf(in);
    EXPECT_EQ(fresh.chunk, "643abc08618a1145");
    EXPECT_EQ(fresh.preset, "e8322e4c7e298aef");
    EXPECT_EQ(fresh.bank, "1648f00d3ab9234e");
    EXPECT_EQ(fresh.midi, "9de617cc6b4a1db3");

    in.fx().setCurrentPreset(17);
    in.fx().setParameter(kCutoff, 0.25f);
    in.fx().setParameter(kDlyTimeL, 0.6125f);
    in.fx().setParameter(kNumParams + kFbGainL, fromStep(7, 129));
    in.fx().setMidiAssignment(kMix, 74);
    in.fx().startMidiLearn();
    in.fx().setParameter(kRvbAmt, 0.4f);
    sendControlChange(in.fx(), 21, 64);
    sendControlChange(in.fx(), 74, 100);
    char name[] = "Pinned state";
    in.fx().setProgramName(name);
    // An older 48-parameter preset into slot 17, in the other byte order.
    Bytes older(kPresetImageSize, 0);
    putWord(older, 0, kLMDX, true);
    older[4] = kPresetImageType;
    for (int i = 0; i < 6; ++i) older[5 + static_cast<std::size_t>(i)] = "Older!"[i];
    for (int i = 0; i < 48; ++i)
        putFloat(older, 29 + 4 * static_cast<std::size_t>(i), 0.02f * i, true);
    ASSERT_TRUE(in.core->loadPresetImage(older.data(), false));

    // The edits took: the hashes below pin a state that differs everywhere.
    EXPECT_EQ(in.fx().getCurrentPreset(), 17);
    EXPECT_EQ(nameOf(in.current()), "Older!");
    EXPECT_EQ(in.fx().getParameterController(kRvbAmt), 21);
    EXPECT_EQ(in.fx().getParameterController(kMix), 74);
    EXPECT_EQ(in.fx().getParameterController(kFbGainL), 7);

    const Hashes edited = hashesOf(in);
    EXPECT_EQ(edited.chunk, "777025e168c814ea");
    EXPECT_EQ(edited.preset, "803f51f5ccc3044e");
    EXPECT_EQ(edited.bank, "75e7f46a6ed4e44e");
    EXPECT_EQ(edited.midi, "cb9b69971b173ef9");
}

}  // namespace
}  // namespace lumdel::testing
