// The preset, bank and MIDI-settings images: round trips between instances, both byte
// orders, the endian-reversed loads, the older 48-parameter format and damaged images.
#include <cmath>

#include "files_test_support.h"

using namespace lumdel;
using namespace lumdel::testing;

namespace {

class ImagesTest : public ::testing::Test {
protected:
    TempDir dir;
};

Bytes presetImageOf(Instance& in) {
    Bytes image(kPresetImageSize);
    in.core->makePresetImage(image.data());
    return image;
}

Bytes bankImageOf(Instance& in) {
    Bytes image(kBankImageSize);
    in.core->makeBankImage(image.data());
    return image;
}

Bytes midiImageOf(Instance& in) {
    Bytes image(kMidiImageSize);
    in.core->makeMidiImage(image.data());
    return image;
}

void expectSameValues(const PresetRecord& a, const PresetRecord& b) {
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(bits(a.values[i]), bits(b.values[i])) << "value " << i;
    }
}

bool allFinite(Orv& fx) {
    for (int k = 0; k < kNumPresets; ++k)
        for (float v : fx.preset(k).values)
            if (!std::isfinite(v)) return false;
    for (int i = 0; i < 60; ++i)
        if (!std::isfinite(fx.getParameter(60 + i))) return false;
    return true;
}

// An older (48-parameter) record: name, then 48 values.
void putPredecessorRecord(Bytes& b, std::size_t at, const char* name, const float (&v)[48],
                          bool bigEndian) {
    std::memset(&b[at], 0, 24);
    std::memcpy(&b[at], name, std::strlen(name));
    for (std::size_t i = 0; i < 48; ++i) putFloat(b, at + 24 + 4 * i, v[i], bigEndian);
}

void predecessorValues(float (&v)[48], float seed) {
    for (int i = 0; i < 48; ++i) v[i] = static_cast<float>(std::fmod(seed + 0.017 * i, 1.0));
}

}  // namespace

TEST_F(ImagesTest, ImagesHaveTheirSizesHeadersAndNativeOrder) {
    Instance a(dir);
    fillPreset(a.fx(), 0, "Header", 0.25f);
    a.fx().setCurrentPreset(0);
    const Bytes preset = presetImageOf(a);
    const Bytes bank = bankImageOf(a);
    const Bytes midi = midiImageOf(a);
    for (const Bytes* image : {&preset, &bank, &midi}) {
        std::uint32_t id;
        std::memcpy(&id, image->data(), 4);
        EXPECT_EQ(id, kLMDL);
    }
    EXPECT_EQ(preset[4], 0x21);
    EXPECT_EQ(bank[4], 0x37);
    EXPECT_EQ(midi[4], 0x0B);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&preset[5])), "Header");
    float v1;
    std::memcpy(&v1, &preset[5 + 24 + 4], 4);  // unaligned body
    EXPECT_EQ(bits(v1), bits(a.preset(0).values[1]));
    // Unassigned parameters carry the no-assignment value.
    float m0;
    std::memcpy(&m0, &midi[5], 4);
    EXPECT_FLOAT_EQ(m0, 999.5f / 129.0f);
}

TEST_F(ImagesTest, PresetRoundTripIntoAnotherSlotOfAnotherInstance) {
    Instance a(dir), b(dir);
    fillPreset(a.fx(), 3, "Nagual", 0.31f);
    a.fx().setCurrentPreset(3);
    const Bytes image = presetImageOf(a);

    RecordingView view;
    b.core->setView(&view);
    b.fx().setCurrentPreset(7);
    view.selectMenuEntry(7);
    const std::string before5 = nameOf(b.preset(5));
    b.core->loadPresetImage(image.data(), false);

    EXPECT_EQ(b.fx().getCurrentPreset(), 7);
    EXPECT_EQ(nameOf(b.preset(7)), "Nagual");
    expectSameValues(b.preset(7), a.preset(3));
    EXPECT_EQ(nameOf(b.preset(5)), before5);
    EXPECT_EQ(view.shownName, "Nagual");
    EXPECT_EQ(view.menu[7], "Nagual");
    // Applied to the engine: the effect reports the loaded values.
    EXPECT_FLOAT_EQ(b.fx().getParameter(kMix), a.preset(3).values[kMix]);
    EXPECT_FLOAT_EQ(b.fx().getParameter(kCutoff), a.preset(3).values[kCutoff]);
}

TEST_F(ImagesTest, TwentyFourCharacterNameSurvivesWithoutTerminator) {
    Instance a(dir), b(dir);
    fillPreset(a.fx(), 0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0.5f);  // cut to 24
    a.fx().setCurrentPreset(0);
    b.core->loadPresetImage(presetImageOf(a).data(), false);
    EXPECT_EQ(nameOf(b.preset(0)), "ABCDEFGHIJKLMNOPQRSTUVWX");
}

TEST_F(ImagesTest, BankRoundTripUpdatesMenuAndNameField) {
    Instance a(dir), b(dir);
    for (int k = 0; k < kNumPresets; ++k)
        fillPreset(a.fx(), k, ("Bank " + std::to_string(k)).c_str(), 0.01f * static_cast<float>(k));
    const Bytes image = bankImageOf(a);

    RecordingView view;
    b.core->setView(&view);
    b.fx().setCurrentPreset(9);
    b.core->loadBankImage(image.data(), false);

    EXPECT_EQ(b.fx().getCurrentPreset(), 0);
    for (int k = 0; k < kNumPresets; ++k) {
        EXPECT_EQ(nameOf(b.preset(k)), "Bank " + std::to_string(k));
        expectSameValues(b.preset(k), a.preset(k));
        EXPECT_EQ(view.menu[static_cast<std::size_t>(k)], "Bank " + std::to_string(k));
    }
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(view.shownName, "Bank 0");
    EXPECT_FLOAT_EQ(b.fx().getParameter(kMix), a.preset(0).values[kMix]);
}

TEST_F(ImagesTest, MidiRoundTripCarriesAssignments) {
    Instance a(dir), b(dir);
    a.fx().setParameter(60 + kCutoff, fromStep(74, 129));
    a.fx().setParameter(60 + kMix, fromStep(7, 129));
    b.fx().setParameter(60 + kInput, fromStep(1, 129));  // replaced by the image's none
    b.core->loadMidiImage(midiImageOf(a).data(), false);
    EXPECT_EQ(b.fx().getParameterController(kCutoff), 74);
    EXPECT_EQ(b.fx().getParameterController(kMix), 7);
    EXPECT_EQ(b.fx().getParameterController(kInput), kNoAssignment);
    EXPECT_EQ(b.fx().getControllerParameter(74), kCutoff);
}

TEST_F(ImagesTest, OtherByteOrderLoadsCorrectedAndReversedLoadTakesBytesAsStored) {
    Instance a(dir);
    fillPreset(a.fx(), 2, "Swapped", 0.2f);
    a.fx().setCurrentPreset(2);
    const Bytes foreign = otherByteOrder(presetImageOf(a), ImageKind::Preset);

    Instance b(dir);
    b.core->loadPresetImage(foreign.data(), false);
    EXPECT_EQ(nameOf(b.preset(0)), "Swapped");
    expectSameValues(b.preset(0), a.preset(2));

    // "endian-reversed": each value with the file's bytes, uncorrected.
    Instance c(dir);
    c.core->loadPresetImage(foreign.data(), true);
    EXPECT_EQ(nameOf(c.preset(0)), "Swapped");
    for (int i = 0; i < 60; ++i) {
        const float raw = fromBits(swapped(bits(a.preset(2).values[i])));
        if (std::isfinite(raw)) {
            EXPECT_EQ(bits(c.preset(0).values[i]), bits(raw)) << i;
        }
    }
    EXPECT_TRUE(allFinite(c.fx()));
}

TEST_F(ImagesTest, NativeImageLoadedReversedGetsSwappedValuesAndSameName) {
    Instance a(dir), b(dir);
    fillPreset(a.fx(), 0, "Native", 0.4f);
    a.fx().setCurrentPreset(0);
    b.core->loadPresetImage(presetImageOf(a).data(), true);
    EXPECT_EQ(nameOf(b.preset(0)), "Native");
    const float raw = fromBits(swapped(bits(a.preset(0).values[kMix])));
    ASSERT_TRUE(std::isfinite(raw));
    EXPECT_EQ(bits(b.preset(0).values[kMix]), bits(raw));
}

TEST_F(ImagesTest, CrossByteOrderRoundTripOfBankAndMidi) {
    Instance a(dir);
    for (int k = 0; k < kNumPresets; ++k) fillPreset(a.fx(), k, "X", 0.003f * static_cast<float>(k));
    a.fx().setParameter(60 + kReso, fromStep(71, 129));
    const Bytes bank = otherByteOrder(bankImageOf(a), ImageKind::Bank);
    const Bytes midi = otherByteOrder(midiImageOf(a), ImageKind::Midi);

    Instance b(dir);
    b.core->loadBankImage(bank.data(), false);
    b.core->loadMidiImage(midi.data(), false);
    for (int k = 0; k < kNumPresets; ++k) expectSameValues(b.preset(k), a.preset(k));
    EXPECT_EQ(b.fx().getParameterController(kReso), 71);
    // Saved again, it is in this machine's order and identical to the original.
    EXPECT_EQ(bankImageOf(b), bankImageOf(a));
    EXPECT_EQ(midiImageOf(b), midiImageOf(a));
}

TEST_F(ImagesTest, NonFiniteValuesBecomeDefaultsOrNoAssignment) {
    Instance a(dir);
    fillPreset(a.fx(), 0, "Broken", 0.5f);
    a.fx().setCurrentPreset(0);
    Bytes preset = presetImageOf(a);
    putFloat(preset, 5 + 24 + 4 * kMix, std::nanf(""), false);
    putFloat(preset, 5 + 24 + 4 * kCutoff, INFINITY, false);
    // A value whose reversed bytes are a NaN pattern.
    putWord(preset, 5 + 24 + 4 * kReso, 0x3F0080FFu, false);
    Bytes midi = midiImageOf(a);
    putFloat(midi, 5 + 4 * kMix, std::nanf(""), false);

    Instance b(dir);
    b.fx().setParameter(60 + kMix, fromStep(5, 129));
    b.core->loadPresetImage(preset.data(), false);
    EXPECT_FLOAT_EQ(b.preset(0).values[kMix], static_cast<float>(kParams[kMix].preset0));
    EXPECT_FLOAT_EQ(b.preset(0).values[kCutoff], static_cast<float>(kParams[kCutoff].preset0));
    b.core->loadMidiImage(midi.data(), false);
    EXPECT_EQ(b.fx().getParameterController(kMix), kNoAssignment);
    EXPECT_TRUE(allFinite(b.fx()));

    b.core->loadPresetImage(preset.data(), true);
    EXPECT_FLOAT_EQ(b.preset(0).values[kReso], static_cast<float>(kParams[kReso].preset0));
    EXPECT_TRUE(allFinite(b.fx()));
    EXPECT_TRUE(std::isfinite(b.fx().getParameter(kMix)));
}

TEST_F(ImagesTest, UnknownIdentifierOrTypeByteChangesNothingButBankSelectsPresetZero) {
    Instance a(dir);
    fillPreset(a.fx(), 4, "Keep", 0.6f);
    a.fx().setParameter(60 + kMix, fromStep(7, 129));
    a.fx().setCurrentPreset(4);
    const PresetRecord before = a.preset(4);

    Bytes preset = presetImageOf(a);
    Bytes wrongType = preset;
    wrongType[4] = 0x37;
    Bytes wrongId = preset;
    wrongId[0] ^= 0x01;
    Bytes zeros(kPresetImageSize, 0);
    for (const Bytes* image : {&wrongType, &wrongId, &zeros}) {
        a.core->loadPresetImage(image->data(), false);
        EXPECT_EQ(nameOf(a.preset(4)), "Keep");
        expectSameValues(a.preset(4), before);
        EXPECT_EQ(a.fx().getCurrentPreset(), 4);
    }
    a.core->loadPresetImage(nullptr, false);
    EXPECT_EQ(a.fx().getCurrentPreset(), 4);

    Bytes midi = midiImageOf(a);
    midi[4] = 0x21;
    a.core->loadMidiImage(midi.data(), false);
    EXPECT_EQ(a.fx().getParameterController(kMix), 7);

    Bytes bank = bankImageOf(a);
    bank[1] = 'Q';
    a.core->loadBankImage(bank.data(), false);
    EXPECT_EQ(a.fx().getCurrentPreset(), 0);
    EXPECT_EQ(nameOf(a.preset(4)), "Keep");
}

TEST_F(ImagesTest, TruncatedBankFillsWhatItHasAndZeroesTheRest) {
    Instance a(dir);
    for (int k = 0; k < kNumPresets; ++k) fillPreset(a.fx(), k, "Full", 0.5f);
    Bytes image = bankImageOf(a);
    std::fill(image.begin() + 5000, image.end(), 0);  // a 5000-byte file, padded

    Instance b(dir);
    b.core->loadBankImage(image.data(), false);
    for (int k = 0; k <= 17; ++k) expectSameValues(b.preset(k), a.preset(k));
    // Preset 18 starts at 5 + 18 * 264 = 4757: its name and first 54 values are there.
    EXPECT_EQ(nameOf(b.preset(18)), "Full");
    EXPECT_EQ(b.preset(18).values[50], a.preset(18).values[50]);
    EXPECT_EQ(b.preset(18).values[59], 0.0f);
    for (int k = 19; k < kNumPresets; ++k) {
        EXPECT_EQ(nameOf(b.preset(k)), "");
        EXPECT_EQ(b.preset(k).values[kMix], 0.0f);
    }
}

TEST_F(ImagesTest, PredecessorPresetInBothOrders) {
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        float v[48];
        predecessorValues(v, 0.11f);
        v[kLfoMode] = 0.7f;  // older step 1 of 2: tempo-locked
        v[kLFOWave] = 0.1f;  // not the last wave
        Bytes image(kPresetImageSize, 0);  // the file is 221 bytes; the rest reads zero
        putWord(image, 0, kLMDX, bigEndian);
        image[4] = 0x21;
        putPredecessorRecord(image, 5, "Old one", v, bigEndian);

        Instance b(dir);
        b.fx().setCurrentPreset(6);
        b.core->loadPresetImage(image.data(), false);
        const PresetRecord& p = b.preset(6);
        EXPECT_EQ(nameOf(p), "Old one");
        for (int i = 0; i < 48; ++i)
            if (i != kLfoMode) {
                EXPECT_EQ(bits(p.values[i]), bits(v[i])) << i;
            }
        EXPECT_FLOAT_EQ(p.values[kLfoMode], fromStep(2, 3));
        EXPECT_EQ(p.values[kDlyPanL], 0.0f);
        EXPECT_EQ(p.values[kDlyPanR], 1.0f);
        EXPECT_EQ(p.values[kDlyGateL], 0.0f);
        EXPECT_EQ(p.values[kDlyGateR], 0.0f);
        EXPECT_EQ(p.values[kDucking], 1.0f);
        EXPECT_EQ(p.values[kResoMod], 0.5f);
        EXPECT_EQ(p.values[kPreNumL], 0.0f);
        EXPECT_EQ(p.values[kPreNumR], 0.0f);
        EXPECT_FLOAT_EQ(p.values[kPreDenL], fromStep(1, 13));
        EXPECT_FLOAT_EQ(p.values[kPreDenR], fromStep(1, 13));
        EXPECT_EQ(p.values[kMuteInL], 0.0f);
        EXPECT_EQ(p.values[kMuteInR], 0.0f);
        EXPECT_EQ(b.fx().getCurrentPreset(), 6);
    }
}

TEST_F(ImagesTest, PredecessorLfoModeAndTempoWaveConversion) {
    struct Case {
        float lfoMode, lfoWave, lfoDen;
        int mode, den;  // expected steps (den -1: unchanged)
    };
    const Case cases[] = {
        {0.2f, 0.1f, 0.5f, 0, -1},                          // free stays free
        {0.6f, 0.1f, 0.5f, 2, -1},                          // locked becomes step 2
        {0.2f, 0.9f, fromStep(0, 13), 2, 3},                // last wave: old 0 -> 3
        {0.2f, 0.9f, fromStep(5, 13), 2, 9},                // old 5 -> 9
        {0.2f, 0.9f, fromStep(10, 13), 2, 12},              // old 10 -> 12
        {0.2f, 0.9f, fromStep(12, 13), 2, 12},              // capped at 12
    };
    for (const Case& c : cases) {
        float values[60] = {};
        values[kLfoMode] = c.lfoMode;
        values[kLFOWave] = c.lfoWave;
        values[kLfoDen] = c.lfoDen;
        convertPredecessorRecord(values);
        EXPECT_EQ(toStep(values[kLfoMode], 3), c.mode);
        EXPECT_FLOAT_EQ(values[kLfoMode], fromStep(c.mode, 3));
        if (c.den >= 0) {
            EXPECT_FLOAT_EQ(values[kLfoDen], fromStep(c.den, 13));
        } else {
            EXPECT_EQ(values[kLfoDen], c.lfoDen);
        }
    }
}

TEST_F(ImagesTest, PredecessorBankInBothOrdersAndReversedLoad) {
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        Bytes image(kBankImageSize, 0);  // the file is 13181 bytes
        putWord(image, 0, kLMDX, bigEndian);
        image[4] = 0x37;
        float v[48];
        for (std::size_t k = 0; k < 61; ++k) {
            predecessorValues(v, 0.01f * static_cast<float>(k));
            putPredecessorRecord(image, 5 + 216 * k, ("Old " + std::to_string(k)).c_str(), v,
                                 bigEndian);
        }
        Instance b(dir);
        b.core->loadBankImage(image.data(), false);
        for (int k : {0, 30, 60}) {
            predecessorValues(v, 0.01f * static_cast<float>(k));
            EXPECT_EQ(nameOf(b.preset(k)), "Old " + std::to_string(k));
            EXPECT_EQ(bits(b.preset(k).values[kMix]), bits(v[kMix]));
            EXPECT_EQ(bits(b.preset(k).values[47]), bits(v[47]));
            EXPECT_EQ(b.preset(k).values[kDucking], 1.0f);
        }

        // Loaded endian-reversed, a big-endian file's values stay as its bytes are.
        Instance c(dir);
        c.core->loadBankImage(image.data(), true);
        predecessorValues(v, 0.01f * 30.0f);
        const float raw = fromBits(swapped(bits(v[kMix])));
        if (std::isfinite(raw)) {
            EXPECT_EQ(bits(c.preset(30).values[kMix]), bits(raw));
        }
        EXPECT_TRUE(allFinite(c.fx()));
    }
}

TEST_F(ImagesTest, PredecessorMidiChangesOnlyTheFirst48Assignments) {
    for (bool bigEndian : {false, true}) {
        Instance b(dir);
        b.fx().setParameter(60 + kDucking, fromStep(20, 129));  // parameter 52
        b.fx().setParameter(60 + kInput, fromStep(21, 129));
        Bytes image(kMidiImageSize, 0);  // the file is 197 bytes
        putWord(image, 0, kLMDX, bigEndian);
        image[4] = 0x0B;
        for (std::size_t i = 0; i < 48; ++i)
            putFloat(image, 5 + 4 * i, fromStep(kNoAssignment, 129), bigEndian);
        putFloat(image, 5 + 4 * kCutoff, fromStep(74, 129), bigEndian);
        b.core->loadMidiImage(image.data(), false);
        EXPECT_EQ(b.fx().getParameterController(kCutoff), 74);
        EXPECT_EQ(b.fx().getParameterController(kInput), kNoAssignment);
        EXPECT_EQ(b.fx().getParameterController(kDucking), 20);
    }
}
