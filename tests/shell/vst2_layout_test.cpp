// The binary layout hosts rely on, for a 64-bit build.
#include <gtest/gtest.h>

#include <cstddef>

#include "shell/vst2.h"

TEST(Vst2Layout, HostRecord) {
    EXPECT_EQ(offsetof(AEffect, magic), 0u);
    EXPECT_EQ(offsetof(AEffect, dispatcher), 8u);
    EXPECT_EQ(offsetof(AEffect, process), 16u);
    EXPECT_EQ(offsetof(AEffect, setParameter), 24u);
    EXPECT_EQ(offsetof(AEffect, getParameter), 32u);
    EXPECT_EQ(offsetof(AEffect, numPrograms), 40u);
    EXPECT_EQ(offsetof(AEffect, numParams), 44u);
    EXPECT_EQ(offsetof(AEffect, numInputs), 48u);
    EXPECT_EQ(offsetof(AEffect, numOutputs), 52u);
    EXPECT_EQ(offsetof(AEffect, flags), 56u);
    EXPECT_EQ(offsetof(AEffect, resvd1), 64u);
    EXPECT_EQ(offsetof(AEffect, resvd2), 72u);
    EXPECT_EQ(offsetof(AEffect, initialDelay), 80u);
    EXPECT_EQ(offsetof(AEffect, ioRatio), 92u);
    EXPECT_EQ(offsetof(AEffect, object), 96u);
    EXPECT_EQ(offsetof(AEffect, user), 104u);
    EXPECT_EQ(offsetof(AEffect, uniqueID), 112u);
    EXPECT_EQ(offsetof(AEffect, version), 116u);
    EXPECT_EQ(offsetof(AEffect, processReplacing), 120u);
    EXPECT_EQ(offsetof(AEffect, processDoubleReplacing), 128u);
    EXPECT_EQ(sizeof(AEffect), 192u);
}

TEST(Vst2Layout, TimeInfo) {
    EXPECT_EQ(offsetof(VstTimeInfo, ppqPos), 24u);
    EXPECT_EQ(offsetof(VstTimeInfo, tempo), 32u);
    EXPECT_EQ(offsetof(VstTimeInfo, timeSigNumerator), 64u);
    EXPECT_EQ(offsetof(VstTimeInfo, samplesToNextClock), 80u);
    EXPECT_EQ(offsetof(VstTimeInfo, flags), 84u);
    EXPECT_EQ(sizeof(VstTimeInfo), 88u);
}

TEST(Vst2Layout, Events) {
    EXPECT_EQ(sizeof(VstEvent), 32u);
    EXPECT_EQ(sizeof(VstMidiEvent), 32u);
    EXPECT_EQ(offsetof(VstMidiEvent, deltaFrames), 8u);
    EXPECT_EQ(offsetof(VstMidiEvent, midiData), 24u);
    EXPECT_EQ(offsetof(VstMidiEvent, detune), 28u);
    EXPECT_EQ(offsetof(VstEvents, numEvents), 0u);
    EXPECT_EQ(offsetof(VstEvents, events), 16u);
}

TEST(Vst2Layout, SpeakersAndProperties) {
    EXPECT_EQ(sizeof(VstSpeakerProperties), 112u);
    EXPECT_EQ(offsetof(VstSpeakerArrangement, numChannels), 4u);
    EXPECT_EQ(offsetof(VstSpeakerArrangement, speakers), 8u);
    EXPECT_EQ(sizeof(VstSpeakerArrangement), 904u);
    EXPECT_EQ(offsetof(VstParameterProperties, label), 12u);
    EXPECT_EQ(offsetof(VstParameterProperties, flags), 76u);
    EXPECT_EQ(offsetof(VstParameterProperties, minInteger), 80u);
    EXPECT_EQ(offsetof(VstParameterProperties, largeStepInteger), 92u);
    EXPECT_EQ(offsetof(VstParameterProperties, shortLabel), 96u);
    EXPECT_EQ(offsetof(VstParameterProperties, displayIndex), 104u);
    EXPECT_EQ(offsetof(VstParameterProperties, categoryLabel), 112u);
    EXPECT_EQ(sizeof(VstParameterProperties), 152u);
    EXPECT_EQ(sizeof(ERect), 8u);
}

TEST(Vst2Layout, OpcodeNumbers) {
    EXPECT_EQ(effIdentify, 22);
    EXPECT_EQ(effProcessEvents, 25);
    EXPECT_EQ(effSetSpeakerArrangement, 42);
    EXPECT_EQ(effCanDo, 51);
    EXPECT_EQ(effGetParameterProperties, 56);
    EXPECT_EQ(effGetVstVersion, 58);
    EXPECT_EQ(effGetSpeakerArrangement, 69);
    EXPECT_EQ(effGetNumMidiOutputChannels, 79);
    EXPECT_EQ(audioMasterCanDo, 37);
    EXPECT_EQ(audioMasterUpdateDisplay, 42);
    EXPECT_EQ(audioMasterEndEdit, 44);
}
