// MIDI learn and unlearn on the effect object itself, with a stand-in for the editor's
// preset strip that records what the effect tells it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "core/PresetSystemHooks.h"
#include "shell/Orv.h"
#include "tools/host/Host.h"

namespace {

class StripRecorder : public PresetSystemHooks {
public:
    void presetNameChanged(const char* name) override { names.emplace_back(name); }
    void midiLearnStopped() override { ++learnStopped; }
    void midiUnlearnStopped() override { ++unlearnStopped; }

    std::vector<std::string> names;
    int learnStopped = 0;
    int unlearnStopped = 0;
};

constexpr int kMix = 2, kInput = 0, kOutput = 1, kCutoff = 15, kReso = 16;
constexpr int kNone = 999;
const float kNoneValue = 999.5f / 129.0f;

class MidiLearnTest : public ::testing::Test {
protected:
    void SetUp() override {
        effect = std::make_unique<Orv>(nullptr);
        // Whatever editor the effect made, ours replaces it (the effect forgets the old
        // one's parameter link as well).
        effect->setEditorLink(nullptr);
        strip = std::make_unique<StripRecorder>();
        effect->presetStore().setHooks(strip.get());
    }

    void cc(int channel, int controller, int value) {
        std::vector<VstMidiEvent> events{lumdel::host::Host::controlChange(channel, controller, value)};
        send(events);
    }
    void send(std::vector<VstMidiEvent>& events) {
        std::vector<VstEvent*> ptrs;
        for (auto& e : events) ptrs.push_back(reinterpret_cast<VstEvent*>(&e));
        std::vector<unsigned char> storage(sizeof(VstEvents) + ptrs.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(ptrs.size());
        for (size_t i = 0; i < ptrs.size(); ++i) list->events[i] = ptrs[i];
        EXPECT_EQ(effect->processEvents(list), 1);
    }
    std::vector<float> values() {
        std::vector<float> v;
        for (int i = 0; i < 120; ++i) v.push_back(effect->getParameter(i));
        return v;
    }

    std::unique_ptr<StripRecorder> strip;  // outlives the effect that points to it
    std::unique_ptr<Orv> effect;
};

TEST_F(MidiLearnTest, NothingAssignedNothingMoves) {
    auto before = values();
    for (int c = 0; c < 128; ++c) cc(c % 16, c, 99);
    EXPECT_EQ(values(), before);
}

TEST_F(MidiLearnTest, LearnAssignsTheTouchedParameterAndMovesIt) {
    effect->startMidiLearn();
    effect->setParameter(kCutoff, 0.3f);
    cc(5, 74, 64);
    EXPECT_EQ(effect->getParameterController(kCutoff), 74);
    EXPECT_EQ(effect->getControllerParameter(74), kCutoff);
    EXPECT_FALSE(effect->isMidiLearnActive());
    EXPECT_EQ(strip->learnStopped, 1);
    EXPECT_FLOAT_EQ(effect->getParameter(kCutoff), 64.0f / 127.0f);
    EXPECT_FLOAT_EQ(effect->getParameter(60 + kCutoff), 74.5f / 129.0f);
}

TEST_F(MidiLearnTest, LastTouchedParameterWins) {
    effect->startMidiLearn();
    effect->setParameter(kCutoff, 0.3f);
    effect->setParameter(kReso, 0.3f);
    cc(0, 1, 10);
    EXPECT_EQ(effect->getParameterController(kReso), 1);
    EXPECT_EQ(effect->getParameterController(kCutoff), kNone);
}

TEST_F(MidiLearnTest, LearnWithoutTargetProcessesNormallyAndStaysOn) {
    effect->setMidiAssignment(kMix, 7);
    effect->startMidiLearn();
    cc(0, 7, 127);
    EXPECT_FLOAT_EQ(effect->getParameter(kMix), 1.0f);
    EXPECT_TRUE(effect->isMidiLearnActive());
    EXPECT_EQ(effect->getMidiLearnTarget(), kMix);  // moving Mix touched it
    cc(0, 10, 0);
    EXPECT_FALSE(effect->isMidiLearnActive());
    EXPECT_EQ(effect->getParameterController(kMix), 10);
    EXPECT_EQ(effect->getControllerParameter(7), kNone);
    EXPECT_FLOAT_EQ(effect->getParameter(kMix), 0.0f);  // the learned controller moves it at once
}

TEST_F(MidiLearnTest, ChannelModeControllersCannotBeLearned) {
    effect->startMidiLearn();
    effect->setParameter(kMix, 0.4f);
    for (int c = 120; c < 128; ++c) cc(0, c, 0);
    EXPECT_TRUE(effect->isMidiLearnActive());
    EXPECT_EQ(effect->getParameterController(kMix), kNone);
    EXPECT_EQ(strip->learnStopped, 0);
    cc(0, 119, 0);
    EXPECT_EQ(effect->getParameterController(kMix), 119);
}

TEST_F(MidiLearnTest, RelearningMovesTheAssignment) {
    effect->setMidiAssignment(kMix, 7);
    effect->startMidiLearn();
    effect->setParameter(kMix, 0.5f);
    cc(0, 10, 20);
    EXPECT_FLOAT_EQ(effect->getParameter(60 + kMix), 10.5f / 129.0f);
    const float mix = effect->getParameter(kMix);
    cc(0, 7, 100);
    EXPECT_FLOAT_EQ(effect->getParameter(kMix), mix);
}

TEST_F(MidiLearnTest, LearningATakenControllerTakesItAway) {
    effect->setMidiAssignment(kInput, 7);
    effect->startMidiLearn();
    effect->setParameter(kOutput, 0.5f);
    cc(3, 7, 64);
    EXPECT_EQ(effect->getParameterController(kOutput), 7);
    EXPECT_EQ(effect->getParameterController(kInput), kNone);
    EXPECT_FLOAT_EQ(effect->getParameter(60 + kInput), kNoneValue);
    EXPECT_EQ(effect->getControllerParameter(7), kOutput);
}

TEST_F(MidiLearnTest, UnlearnReleasesOneParameterPerActivation) {
    effect->setMidiAssignment(kInput, 20);
    effect->setMidiAssignment(kOutput, 21);
    effect->startMidiUnlearn();
    effect->setParameter(kInput, 0.6f);
    EXPECT_EQ(effect->getParameterController(kInput), kNone);
    EXPECT_EQ(effect->getControllerParameter(20), kNone);
    EXPECT_FALSE(effect->isMidiUnlearnActive());
    EXPECT_EQ(strip->unlearnStopped, 1);
    effect->setParameter(kOutput, 0.6f);
    EXPECT_EQ(effect->getParameterController(kOutput), 21);
}

TEST_F(MidiLearnTest, UnlearnByAController) {
    effect->setMidiAssignment(kMix, 7);
    effect->startMidiUnlearn();
    cc(0, 7, 32);
    EXPECT_FLOAT_EQ(effect->getParameter(kMix), 32.0f / 127.0f);
    EXPECT_EQ(effect->getParameterController(kMix), kNone);
    EXPECT_FALSE(effect->isMidiUnlearnActive());
}

TEST_F(MidiLearnTest, StopOperationsResetModesAndTellTheStrip) {
    effect->startMidiLearn();
    effect->setMidiLearnTarget(kMix);
    effect->stopMidiLearn();
    EXPECT_FALSE(effect->isMidiLearnActive());
    EXPECT_EQ(effect->getMidiLearnTarget(), -1);
    EXPECT_EQ(strip->learnStopped, 1);
    effect->startMidiUnlearn();
    effect->stopMidiUnlearn();
    EXPECT_EQ(strip->unlearnStopped, 1);
}

TEST_F(MidiLearnTest, ApplyingAPresetIsNoTouch) {
    effect->setMidiAssignment(kMix, 7);
    effect->startMidiLearn();
    effect->startMidiUnlearn();
    effect->setCurrentPreset(5);
    EXPECT_EQ(effect->getMidiLearnTarget(), -1);
    EXPECT_TRUE(effect->isMidiUnlearnActive());
    EXPECT_EQ(effect->getParameterController(kMix), 7);
}

TEST_F(MidiLearnTest, StripHearsRenames) {
    char name[] = "A name that is much longer than allowed";
    effect->setProgramName(name);
    ASSERT_EQ(strip->names.size(), 1u);
    EXPECT_EQ(strip->names[0], "A name that is much long");
    effect->setCurrentPresetName("Renamed");
    char text[32];
    effect->getProgramName(text);
    EXPECT_STREQ(text, "Renamed");
}

TEST_F(MidiLearnTest, AssignmentValuesDecode) {
    struct Case {
        float value;
        int controller;
    } cases[] = {{0.5f, 64},
                 {0.0f, 0},
                 {127.5f / 129.0f, 127},
                 {0.999f, kNone},
                 {1.0f, kNone},
                 {7.748f, kNone},
                 {-0.2f, kNone},
                 {-1e-7f, kNone},
                 {std::numeric_limits<float>::quiet_NaN(), kNone},
                 {std::numeric_limits<float>::infinity(), kNone}};
    for (const Case& c : cases) {
        effect->setParameter(60 + kMix, c.value);
        EXPECT_EQ(effect->getParameterController(kMix), c.controller) << c.value;
        if (c.controller == kNone) {
            EXPECT_GE(effect->getParameter(60 + kMix), 128.0f / 129.0f) << c.value;
        } else {
            EXPECT_EQ(effect->getControllerParameter(c.controller), kMix);
        }
    }
}

TEST_F(MidiLearnTest, DuplicateAssignmentFromImagesFollowsTheLastOne) {
    effect->setParameter(60 + kInput, 7.5f / 129.0f);
    effect->setParameter(60 + kOutput, 7.5f / 129.0f);
    EXPECT_EQ(effect->getControllerParameter(7), kOutput);
    EXPECT_EQ(effect->getParameterController(kInput), 7);
    // Reassigning Input elsewhere must not free the controller Output now owns.
    effect->setParameter(60 + kInput, 8.5f / 129.0f);
    EXPECT_EQ(effect->getControllerParameter(7), kOutput);
    EXPECT_EQ(effect->getControllerParameter(8), kInput);
}

TEST_F(MidiLearnTest, ClearOperations) {
    effect->setMidiAssignment(kMix, 7);
    effect->setMidiAssignment(kInput, 127);
    effect->clearControllerAssignment(7);
    EXPECT_EQ(effect->getParameterController(kMix), kNone);
    EXPECT_FLOAT_EQ(effect->getParameter(60 + kMix), kNoneValue);
    effect->clearParameterAssignment(kInput);
    EXPECT_EQ(effect->getControllerParameter(127), kNone);
    // Out-of-range arguments are ignored.
    effect->clearControllerAssignment(-1);
    effect->clearControllerAssignment(128);
    effect->clearParameterAssignment(60);
    effect->setMidiAssignment(-1, 5);
    effect->setMidiAssignment(kMix, 128);
    EXPECT_EQ(effect->getParameterController(kMix), kNone);
    EXPECT_EQ(effect->getParameterController(-5), kNone);
    EXPECT_EQ(effect->getControllerParameter(500), kNone);

    for (int i = 0; i < 60; ++i) effect->setMidiAssignment(i, i + 60);
    effect->clearMidiAssignments();
    for (int i = 0; i < 60; ++i) EXPECT_FLOAT_EQ(effect->getParameter(60 + i), kNoneValue);
    auto before = values();
    cc(0, 127, 5);
    EXPECT_EQ(values(), before);
}

}  // namespace
