// What a host sees of the plug-in through its entry point: identity, the dispatcher's
// answers, names, labels, properties and pin routing.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "PluginFixture.h"
#include "shell/Orv.h"

using lumdel::test::PluginTest;
using lumdel::host::Host;
using lumdel::host::PluginLibrary;

namespace {
AEffect* inProcessEntry(audioMasterCallback audioMaster) {
    return (new Orv(audioMaster))->getAeffect();
}

Orv* orvOf(Host& host) { return static_cast<Orv*>(host.effect()->object); }
}  // namespace

TEST_F(PluginTest, ReportsItsIdentity) {
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 60);
    EXPECT_EQ(effect->numInputs, 4);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags & 0x1030, 0x1030);
    EXPECT_EQ(effect->flags & effFlagsIsSynth, 0);
    EXPECT_EQ(effect->uniqueID, 0x4C4D444C);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_FLOAT_EQ(effect->ioRatio, 1.0f);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(host->effectName(), "Lumdel");
    EXPECT_EQ(host->productString(), "Lumdel - The ultimate delay machine");
    EXPECT_FALSE(host->vendorString().empty());
}

TEST_F(PluginTest, FixedDispatcherAnswers) {
    EXPECT_EQ(host->dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(host->dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(host->dispatch(effGetTailSize), 0);
    EXPECT_EQ(host->dispatch(effGetVendorVersion), 0);
    EXPECT_EQ(host->dispatch(effGetPlugCategory), 0);
    EXPECT_EQ(host->dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(host->dispatch(effSetTotalSampleToProcess, 0, 4096), 4096);
    EXPECT_EQ(host->dispatch(effString2Parameter, 0, 0, const_cast<char*>("1")), 0);
    EXPECT_EQ(host->dispatch(effSetBypass, 0, 1), 0);
    EXPECT_EQ(host->dispatch(effGetInputProperties), 0);
    EXPECT_EQ(host->dispatch(effVendorSpecific, 0, 0), 0);
    for (int i = -3; i < 125; ++i) EXPECT_EQ(host->dispatch(effCanBeAutomated, i), 1);
    // Unknown opcodes, at either end, answer 0.
    EXPECT_EQ(host->dispatch(9999), 0);
    EXPECT_EQ(host->dispatch(-5), 0);
    EXPECT_EQ(host->dispatch(80), 0);

    VstSpeakerArrangement a{}, b{};
    VstSpeakerArrangement* in = &a;
    VstSpeakerArrangement* out = &b;
    EXPECT_EQ(host->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
}

TEST_F(PluginTest, NullBuffersAreRefusedQuietly) {
    for (VstInt32 op : {effGetProgramName, effSetProgramName, effGetParamLabel, effGetParamDisplay,
                        effGetParamName, effEditGetRect, effGetChunk, effSetChunk,
                        effProcessEvents, effGetProgramNameIndexed, effSetSpeakerArrangement,
                        effGetEffectName, effGetVendorString, effGetProductString, effCanDo,
                        effGetParameterProperties, effGetSpeakerArrangement}) {
        SCOPED_TRACE(op);
        EXPECT_LE(host->dispatch(op, 0, 0, nullptr), 1);
    }
    EXPECT_EQ(host->dispatch(effSetChunk, 0, 16376, nullptr), -1);
}

TEST_F(PluginTest, CanDoAnswers) {
    char receive[] = "receiveVstMidiEvent";
    EXPECT_EQ(host->dispatch(effCanDo, 0, 0, receive), 1);
    host->canDoAnswers["sendVstMidiEvent"] = 2;
    EXPECT_EQ(host->dispatch(effCanDo, 0, 0, receive), 0);
    host->canDoAnswers.erase("sendVstMidiEvent");
    EXPECT_EQ(host->dispatch(effCanDo, 0, 0, receive), 0);
    host->canDoAnswers["sendVstMidiEvent"] = 1;
    for (const char* other : {"receiveVstTimeInfo", "sendVstMidiEvent", "receiveVstMidiEvents",
                              "receiveVstMidiEven", "", "bypass"}) {
        std::string text = other;
        EXPECT_EQ(host->dispatch(effCanDo, 0, 0, text.data()), 0) << other;
    }
}

TEST_F(PluginTest, ParameterNamesCoverAssignmentsAndLeaveOthersAlone) {
    EXPECT_EQ(host->parameterName(0), "Input");
    EXPECT_EQ(host->parameterName(13), "CutfMod");
    EXPECT_EQ(host->parameterName(43), "n/a");
    EXPECT_EQ(host->parameterName(44), "n/a");
    EXPECT_EQ(host->parameterName(59), "MuteInR");
    EXPECT_EQ(host->parameterName(62), "CC# Mix");
    EXPECT_EQ(host->parameterName(103), "CC# n/a");
    EXPECT_EQ(host->parameterName(119), "CC# MuteInR");
    for (int index : {120, 121, 1000, INT_MAX, -1, INT_MIN}) {
        char text[32];
        std::memset(text, '#', sizeof text);
        host->dispatch(effGetParamName, index, 0, text);
        EXPECT_EQ(text[0], '#') << index;
        EXPECT_EQ(text[31], '#') << index;
    }
    for (int i = 0; i < 120; ++i) EXPECT_LE(host->parameterName(i).size(), 12u) << i;
}

TEST_F(PluginTest, Labels) {
    EXPECT_EQ(host->parameterLabel(0), "dB");
    EXPECT_EQ(host->parameterLabel(10), "Hz");
    EXPECT_EQ(host->parameterLabel(11), "deg");
    EXPECT_EQ(host->parameterLabel(17), "x");
    EXPECT_EQ(host->parameterLabel(35), "ms");
    EXPECT_EQ(host->parameterLabel(52), "%");
    EXPECT_EQ(host->parameterLabel(16), "");
    EXPECT_EQ(host->parameterLabel(53), "");
    EXPECT_EQ(host->parameterLabel(119), "");
    EXPECT_EQ(host->parameterLabel(-7), "");
}

TEST_F(PluginTest, LegacySwitchesAlwaysReadAsOne) {
    host->setParameter(43, 0.2f);
    host->setParameter(44, 0.9f);
    EXPECT_EQ(host->getParameter(43), 1.0f);
    EXPECT_EQ(host->getParameter(44), 1.0f);
}

TEST_F(PluginTest, OutOfRangeParameterIndicesAreHarmless) {
    for (int index : {120, 5000, -1, INT_MIN, INT_MAX}) {
        host->setParameter(index, 0.7f);
        EXPECT_EQ(host->getParameter(index), 0.0f) << index;
    }
}

TEST_F(PluginTest, ParameterPropertiesByKind) {
    VstParameterProperties p{};
    // Switches keep only bits 0x1, 0x2 and 0x8 of what the host passed in.
    p.flags = 0x7F;
    ASSERT_EQ(host->dispatch(effGetParameterProperties, 7, 0, &p), 1);
    EXPECT_EQ(p.flags, 0xB);
    EXPECT_EQ(p.minInteger, 0);
    EXPECT_EQ(p.maxInteger, 1);
    EXPECT_EQ(p.stepInteger, 1);
    EXPECT_EQ(p.largeStepInteger, 1);
    p = {};
    ASSERT_EQ(host->dispatch(effGetParameterProperties, 32, 0, &p), 1);  // LfoMode: a switch
    EXPECT_EQ(p.maxInteger, 1);

    struct Stepped {
        int index, max;
    };
    for (Stepped s : {Stepped{9, 5}, {14, 3}, {23, 3}, {26, 5}, {28, 14}, {30, 3}, {33, 5},
                      {34, 14}, {54, 6}, {57, 14}}) {
        p = {};
        p.flags = 0x7F;
        ASSERT_EQ(host->dispatch(effGetParameterProperties, s.index, 0, &p), 1) << s.index;
        EXPECT_EQ(p.flags, 0);
        EXPECT_EQ(p.minInteger, 1);
        EXPECT_EQ(p.maxInteger, s.max) << s.index;
        EXPECT_EQ(p.stepInteger, 1);
    }
    p = {};
    ASSERT_EQ(host->dispatch(effGetParameterProperties, 22, 0, &p), 1);
    EXPECT_EQ(p.flags, kVstParameterUsesFloatStep);
    EXPECT_FLOAT_EQ(p.stepFloat, 1.0f / 900.0f);
    EXPECT_FLOAT_EQ(p.largeStepFloat, 1.0f / 90.0f);
    p = {};
    ASSERT_EQ(host->dispatch(effGetParameterProperties, 36, 0, &p), 1);
    EXPECT_FLOAT_EQ(p.smallStepFloat, 0.0001f);
    EXPECT_FLOAT_EQ(p.largeStepFloat, 0.1f);

    // Continuous parameters and indices outside 0..59 are refused, record untouched.
    for (int index : {0, 10, 15, 53, 60, 119, -1, 200}) {
        std::memset(&p, 0x5A, sizeof p);
        EXPECT_EQ(host->dispatch(effGetParameterProperties, index, 0, &p), 0) << index;
        EXPECT_EQ(p.flags, 0x5A5A5A5A);
    }
}

TEST_F(PluginTest, SpeakerArrangementsBySupportedPair) {
    auto arrange = [&](int in, int out) {
        VstSpeakerArrangement a{}, b{};
        a.numChannels = in;
        b.numChannels = out;
        return host->dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&a), &b);
    };
    for (auto pair : {std::pair{1, 1}, {1, 2}, {2, 1}, {2, 2}, {3, 2}, {4, 2}})
        EXPECT_EQ(arrange(pair.first, pair.second), 1) << pair.first << "x" << pair.second;
    for (auto pair : {std::pair{4, 1}, {0, 2}, {5, 2}, {2, 3}, {-1, 2}, {2, 0}})
        EXPECT_EQ(arrange(pair.first, pair.second), 0) << pair.first << "x" << pair.second;
    VstSpeakerArrangement a{};
    a.numChannels = 2;
    EXPECT_EQ(host->dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&a), nullptr), 0);
}

TEST(Adapter, EntryPointRefusesHostsWithoutVersionOrCallback) {
    PluginLibrary& library = lumdel::test::pluginLibrary();
    ASSERT_TRUE(library.ok());
    EXPECT_EQ(library.entry()(nullptr), nullptr);
    Host host;
    host.hostVersion = 0;
    EXPECT_FALSE(host.load(library));
    EXPECT_EQ(host.effect(), nullptr);
}

TEST(Adapter, InstancesShareNoState) {
    PluginLibrary& library = lumdel::test::pluginLibrary();
    Host a, b;
    ASSERT_TRUE(a.load(library));
    ASSERT_TRUE(b.load(library));
    a.setParameter(2, 0.9f);
    b.setParameter(2, 0.1f);
    EXPECT_FLOAT_EQ(a.getParameter(2), 0.9f);
    EXPECT_FLOAT_EQ(b.getParameter(2), 0.1f);
    char nameA[32] = "First", nameB[32] = {};
    a.dispatch(effSetProgramName, 0, 0, nameA);
    b.dispatch(effGetProgramName, 0, 0, nameB);
    EXPECT_STRNE(nameB, "First");
}

TEST(Adapter, PinProbingSelectsTheRoutingUnlessTheHostFixedIt) {
    Host host;
    host.connectedInputs = 3;
    ASSERT_TRUE(host.load(&inProcessEntry));
    host.start();
    Orv* orv = orvOf(host);
    EXPECT_EQ(orv->routing().sidechainIndexL, 2);
    EXPECT_EQ(orv->routing().sidechainIndexR, 2);

    host.connectedInputs = 2;
    host.connectedOutputs = 1;
    host.resume();
    EXPECT_EQ(orv->routing().inputIndexR, 0);
    EXPECT_EQ(orv->routing().sidechainIndexL, 1);
    EXPECT_EQ(orv->routing().outputIndexR, 0);

    // An accepted arrangement stops the probing, also after a refused one.
    VstSpeakerArrangement in{}, out{};
    in.numChannels = 4;
    out.numChannels = 2;
    ASSERT_EQ(host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
    out.numChannels = 1;
    ASSERT_EQ(host.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    host.connectedInputs = 1;
    host.resume();
    EXPECT_EQ(orv->routing().sidechainIndexR, 3);
    EXPECT_EQ(orv->routing().outputIndexR, 1);

    // Pin counts outside the table leave the routing as it was.
    Host other;
    other.connectedInputs = 4;
    other.connectedOutputs = 1;
    ASSERT_TRUE(other.load(&inProcessEntry));
    other.start();
    EXPECT_EQ(orvOf(other)->routing().outputIndexR, 0);
    EXPECT_EQ(orvOf(other)->routing().inputIndexR, 0);
}

TEST(Adapter, AutomationAppliesTheValueBeforeTellingTheHost) {
    Host host;
    ASSERT_TRUE(host.load(&inProcessEntry));
    float seenByHost = -1.0f;
    host.onAutomate = [&](int index, float) { seenByHost = host.getParameter(index); };
    orvOf(host)->setParameterAutomated(2, 0.25f);
    ASSERT_EQ(host.automates.size(), 1u);
    EXPECT_EQ(host.automates[0].index, 2);
    EXPECT_FLOAT_EQ(host.automates[0].value, 0.25f);
    EXPECT_FLOAT_EQ(seenByHost, 0.25f);
    orvOf(host)->beginEdit(5);
    orvOf(host)->endEdit(5);
    ASSERT_EQ(host.edits.size(), 2u);
    EXPECT_TRUE(host.edits[0].begin);
    EXPECT_FALSE(host.edits[1].begin);
}

TEST(Adapter, WithoutAHostCallbackEveryWrapperAnswersNothing) {
    Orv* orv = new Orv(nullptr);
    EXPECT_EQ(orv->getTimeInfo(0x400), nullptr);
    EXPECT_FALSE(orv->wantEvents());
    EXPECT_EQ(orv->canHostDo("sendVstMidiEvent"), 0);
    EXPECT_FALSE(orv->updateDisplay());
    EXPECT_FALSE(orv->beginEdit(1));
    EXPECT_EQ(orv->getOutputLatency(), 0);
    EXPECT_EQ(orv->getMasterVersion(), 0);
    // Without a host every pin counts as connected: four inputs, two outputs.
    EXPECT_TRUE(orv->isInputConnected(3));
    orv->resume();
    EXPECT_EQ(orv->routing().sidechainIndexR, 3);
    orv->setParameterAutomated(2, 0.75f);
    EXPECT_FLOAT_EQ(orv->getParameter(2), 0.75f);
    char receive[] = "receiveVstMidiEvent";
    EXPECT_EQ(orv->canDo(receive), 0);
    AEffect* e = orv->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);  // destroys orv
}
