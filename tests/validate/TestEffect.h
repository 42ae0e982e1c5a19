// A tiny in-process effect for testing the validator: a stereo 100-sample delay with a
// mix and a level parameter and a 12-byte chunk, well behaved unless told to carry one
// deliberate fault, which the matching check must then find.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "shell/AudioEffectX.h"

namespace lumdel::test {

enum class Fault {
    None,
    NaNOutput,         // a NaN now and then
    AllocatesInBlock,  // a scratch vector per block
    IgnoresChunk,      // setChunk accepts and applies nothing
    SharedState,       // a static inside the block, shared by every instance
    WritesInput,       // uses the input buffer as scratch
    CrashesOnNaN,      // indexes the delay line with a NaN parameter
    NeverSilent,       // adds a constant offset
    JumpsTime,         // a "Time" parameter that moves the read position at once
    HangsOnLevel,      // spins forever when Level is set above 0.9
    LeaksInstance,     // keeps 64 KB per instance after effClose
    JumpsOnProgram,    // two programs; changing program sets a new Level at once
    BreaksInPlace,     // the right output reads the left input after the left output is written
};

inline Fault& currentFault() {
    static Fault fault = Fault::None;
    return fault;
}

class TestEffect : public AudioEffectX {
public:
    static constexpr int kMaxDelay = 4096;

    explicit TestEffect(audioMasterCallback master)
        : AudioEffectX(master, currentFault() == Fault::JumpsOnProgram ? 2 : 1,
                       currentFault() == Fault::JumpsTime ? 3 : 2),
          fault_(currentFault()),
          lineL_(kMaxDelay, 0.0),
          lineR_(kMaxDelay, 0.0) {
        setUniqueID(vstFourCC('T', 'D', 'B', 'L'));
        setNumInputs(2);
        setNumOutputs(2);
        canProcessReplacing();
        canDoubleReplacing();
        programsAreChunks();
        if (fault_ == Fault::LeaksInstance) {
            // Still reachable, so the leak checker stays quiet; the heap grows all the same.
            static std::vector<std::vector<double>*> kept;
            kept.push_back(new std::vector<double>(8192, 1.0));
        }
    }

    void processReplacing(float** in, float** out, VstInt32 frames) override {
        run(in, out, frames);
    }
    void processDoubleReplacing(double** in, double** out, VstInt32 frames) override {
        run(in, out, frames);
    }

    void setParameter(VstInt32 index, float value) override {
        if (index < 0 || index >= numParams_) return;
        if (fault_ == Fault::CrashesOnNaN && std::isnan(value)) {
            values_[index] = value;  // kept raw: the block trusts it
            return;
        }
        // Tiny values would make the outputs subnormal.
        if (!(value >= 1e-6f)) value = 0.0f;
        if (value > 1.0f) value = 1.0f;
        values_[index] = value;
        if (fault_ == Fault::HangsOnLevel && index == 1 && value > 0.9f) {
            volatile bool forever = true;
            while (forever) {
            }
        }
    }
    void setProgram(VstInt32 program) override {
        if (program < 0 || program >= numPrograms_) return;
        curProgram_ = program;
        if (fault_ == Fault::JumpsOnProgram) values_[1] = program == 1 ? 0.05f : 0.5f;
    }
    float getParameter(VstInt32 index) override {
        return index >= 0 && index < numParams_ ? values_[index] : 0.0f;
    }
    void getParameterName(VstInt32 index, char* text) override {
        static const char* names[] = {"Mix", "Level", "Time"};
        std::snprintf(text, 9, "%s", index >= 0 && index < numParams_ ? names[index] : "");
    }
    void getParameterDisplay(VstInt32 index, char* text) override {
        std::snprintf(text, 9, "%.3f", static_cast<double>(getParameter(index)));
    }
    void getParameterLabel(VstInt32, char* text) override { *text = 0; }
    bool getEffectName(char* name) override {
        std::strcpy(name, "TestEffect");
        return true;
    }

    VstInt32 getChunk(void** data, bool) override {
        std::memcpy(chunk_, "TDBL", 4);
        std::memcpy(chunk_ + 4, values_, 8);
        *data = chunk_;
        return sizeof chunk_;
    }
    VstInt32 setChunk(void* data, VstInt32 size, bool) override {
        if (fault_ == Fault::IgnoresChunk) return 0;
        if (!data || size != static_cast<VstInt32>(sizeof chunk_) || std::memcmp(data, "TDBL", 4) != 0)
            return -1;
        float v[2];
        std::memcpy(v, static_cast<char*>(data) + 4, 8);
        for (int i = 0; i < 2; ++i)
            if (!(v[i] >= 0.0f && v[i] <= 1.0f)) return -1;
        values_[0] = v[0];
        values_[1] = v[1];
        return 0;
    }

    void resume() override {
        std::fill(lineL_.begin(), lineL_.end(), 0.0);
        std::fill(lineR_.begin(), lineR_.end(), 0.0);
        pos_ = 0;
    }

private:
    template <typename T>
    void run(T** in, T** out, VstInt32 frames) {
        static long sharedCounter = 0;
        std::vector<double> scratch;
        if (fault_ == Fault::AllocatesInBlock) scratch.resize(static_cast<size_t>(frames) + 1);
        const double mix = values_[0];
        const double level = 2.0 * values_[1];
        int delay = 100;
        if (fault_ == Fault::JumpsTime) delay = 1 + static_cast<int>(values_[2] * 4000.0f);
        // A NaN taken for a position: the read goes wild (here: a null pointer).
        const bool wild =
            fault_ == Fault::CrashesOnNaN && (std::isnan(values_[0]) || std::isnan(values_[1]));
        for (VstInt32 i = 0; i < frames; ++i) {
            const double l = in[0][i], r = in[1][i];
            lineL_[pos_] = l;
            lineR_[pos_] = r;
            const int read = (pos_ - delay + kMaxDelay) % kMaxDelay;
            const volatile double* base = wild ? nullptr : &lineL_[read];
            double wetL = *base, wetR = lineR_[read];
            pos_ = (pos_ + 1) % kMaxDelay;
            double outL = level * ((1.0 - mix) * l + mix * wetL);
            double outR = level * ((1.0 - mix) * r + mix * wetR);
            if (fault_ == Fault::NaNOutput && (i % 97) == 13) outL = std::nan("");
            if (fault_ == Fault::NeverSilent) outL += 1e-3;
            if (fault_ == Fault::SharedState) outL += 1e-6 * static_cast<double>(++sharedCounter % 7);
            if (fault_ == Fault::WritesInput) in[0][i] = static_cast<T>(0.0);
            if (!scratch.empty()) scratch[i] = outL;
            out[0][i] = static_cast<T>(outL);
            if (fault_ == Fault::BreaksInPlace) outR += 0.1 * in[0][i];
            out[1][i] = static_cast<T>(outR);
        }
    }

    Fault fault_;
    float values_[3] = {0.5f, 0.5f, 0.1f};
    std::vector<double> lineL_, lineR_;
    int pos_ = 0;
    char chunk_[12] = {};
};

inline AEffect* testEffectEntry(audioMasterCallback master) {
    if (!master || master(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    return (new TestEffect(master))->getAeffect();
}

}  // namespace lumdel::test
