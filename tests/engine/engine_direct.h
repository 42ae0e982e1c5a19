// An effect object built directly (no library loading), for tests that look at the
// engine's settings or count what the block does. The host callback records what the
// effect reports and answers with a settable time record. The effect has no editor and
// no settings folder: it starts in the factory state whatever the user stored.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "shell/Orv.h"
#include "core/ParameterTable.h"

namespace lumdel::test {

struct DirectHost {
    static inline VstTimeInfo time{};
    static inline bool haveTime = true;
    static inline long latency = 0;
    static inline std::vector<std::pair<int, int>> edits;  // (opcode, index)
    static inline std::function<void()> onGetTime;  // runs inside the time request

    static VstIntPtr callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float) {
        switch (opcode) {
            case audioMasterVersion: return 2400;
            case audioMasterGetTime:
                if (onGetTime) onGetTime();
                return haveTime ? reinterpret_cast<VstIntPtr>(&time) : 0;
            case audioMasterGetOutputLatency: return latency;
            case audioMasterAutomate:
            case audioMasterBeginEdit:
            case audioMasterEndEdit: edits.push_back({opcode, index}); return 1;
            default: return 0;
        }
    }
};

inline std::unique_ptr<Orv> makeDirectEffect() {
    return std::make_unique<Orv>(&DirectHost::callback, Orv::WithEditor::No,
                                 SettingsStore(std::string()));
}

class DirectTest : public ::testing::Test {
protected:
    void SetUp() override {
        DirectHost::time = VstTimeInfo{};
        DirectHost::time.tempo = 120.0;
        DirectHost::time.flags = kVstTempoValid | kVstPpqPosValid;
        DirectHost::haveTime = true;
        DirectHost::latency = 0;
        DirectHost::edits.clear();
        DirectHost::onGetTime = nullptr;
        effect = makeDirectEffect();
    }
    void TearDown() override { DirectHost::onGetTime = nullptr; }
    const EngineState& state() const { return effect->engineState(); }
    void setRate(float rate) {
        effect->dispatcher(effSetSampleRate, 0, 0, nullptr, rate);
        effect->resume();
    }

    std::unique_ptr<Orv> effect;
};

}  // namespace lumdel::test
