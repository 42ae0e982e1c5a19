// The MIDI intake through the real plug-in: control changes on any channel drive their
// assigned parameters; everything else in an event list is ignored without harm.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "PluginFixture.h"

namespace {

using lumdel::host::Host;

class MidiEventsTest : public lumdel::test::PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        host->start();
        host->setParameter(60 + kMix, (7 + 0.5f) / 129.0f);
    }
    std::vector<float> values() {
        std::vector<float> v;
        for (int i = 0; i < 120; ++i) v.push_back(host->getParameter(i));
        return v;
    }
    VstIntPtr sendList(std::vector<VstEvent*> events) {
        std::vector<unsigned char> storage(sizeof(VstEvents) + events.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(events.size());
        for (size_t i = 0; i < events.size(); ++i) list->events[i] = events[i];
        return host->dispatch(effProcessEvents, 0, 0, list);
    }
    static constexpr int kMix = 2;
};

TEST_F(MidiEventsTest, ControlChangeOnAnyChannelMapsValueBytes) {
    for (int channel = 0; channel < 16; ++channel) {
        EXPECT_EQ(host->sendMidi({Host::controlChange(channel, 7, 0)}), 1);
        EXPECT_FLOAT_EQ(host->getParameter(kMix), 0.0f) << channel;
        host->sendMidi({Host::controlChange(channel, 7, 127)});
        EXPECT_FLOAT_EQ(host->getParameter(kMix), 1.0f) << channel;
        host->sendMidi({Host::controlChange(channel, 7, 64)});
        EXPECT_FLOAT_EQ(host->getParameter(kMix), 64.0f / 127.0f) << channel;
    }
    // MIDI moves are not reported to the host as automation.
    EXPECT_TRUE(host->automates.empty());
}

TEST_F(MidiEventsTest, EventsAreTakenInOrder) {
    host->sendMidi({Host::controlChange(0, 7, 10), Host::controlChange(1, 7, 90),
                    Host::controlChange(2, 7, 30)});
    EXPECT_FLOAT_EQ(host->getParameter(kMix), 30.0f / 127.0f);
}

TEST_F(MidiEventsTest, OtherMessagesMoveNothing) {
    const auto before = values();
    VstMidiEvent clock = Host::controlChange(0, 7, 100);
    clock.midiData[0] = static_cast<char>(0xF8);
    VstMidiEvent note = Host::controlChange(0, 7, 100);
    note.midiData[0] = static_cast<char>(0x90);
    VstMidiEvent program = Host::controlChange(0, 7, 100);
    program.midiData[0] = static_cast<char>(0xC0);
    VstMidiEvent highController = Host::controlChange(0, 0, 100);
    highController.midiData[1] = static_cast<char>(0x87);  // 135: not a controller
    VstMidiEvent sysex = Host::controlChange(0, 7, 100);
    sysex.type = kVstSysExType;
    VstMidiEvent unknown = Host::controlChange(0, 7, 100);
    unknown.type = 77;
    host->sendMidi({clock, note, program, highController, sysex, unknown});
    EXPECT_EQ(values(), before);
}

TEST_F(MidiEventsTest, OddListsAndFieldsAreHarmless) {
    EXPECT_EQ(host->dispatch(effProcessEvents, 0, 0, nullptr), 1);
    const auto before = values();
    EXPECT_EQ(sendList({}), 1);
    EXPECT_EQ(sendList({nullptr, nullptr}), 1);
    VstMidiEvent e = Host::controlChange(4, 7, 50);
    e.byteSize = -1;
    e.flags = 0x7FFFFFFF;
    e.deltaFrames = -100000;
    e.noteLength = -5;
    EXPECT_EQ(sendList({nullptr, reinterpret_cast<VstEvent*>(&e), nullptr}), 1);
    EXPECT_FLOAT_EQ(host->getParameter(kMix), 50.0f / 127.0f);

    // A list that claims no events (or a negative count) is empty.
    std::vector<unsigned char> storage(sizeof(VstEvents));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = -3;
    EXPECT_EQ(host->dispatch(effProcessEvents, 0, 0, list), 1);
    (void)before;
}

TEST_F(MidiEventsTest, InvalidDataByteCountsAsTopValue) {
    VstMidiEvent e = Host::controlChange(0, 7, 0);
    e.midiData[2] = static_cast<char>(200);
    host->sendMidi({e});
    EXPECT_FLOAT_EQ(host->getParameter(kMix), 1.0f);
    e.midiData[2] = static_cast<char>(0x80);
    host->sendMidi({e});
    EXPECT_FLOAT_EQ(host->getParameter(kMix), 1.0f);
}

TEST_F(MidiEventsTest, AControllerMovesWhatItDrivesAndWritesThePreset) {
    host->setParameter(60 + 15, 74.5f / 129.0f);  // Cutoff on controller 74
    host->sendMidi({Host::controlChange(9, 74, 32)});
    EXPECT_FLOAT_EQ(host->getParameter(15), 32.0f / 127.0f);
    void* data = nullptr;
    host->dispatch(effGetChunk, 0, 0, &data);
    float stored;
    std::memcpy(&stored, static_cast<char*>(data) + 32 + 24 + 4 * 15, 4);
    EXPECT_FLOAT_EQ(stored, 32.0f / 127.0f);
}

}  // namespace
