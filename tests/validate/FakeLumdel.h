// A stand-in with Lumdel's identity ('LMDL') for testing the Lumdel-only checks: the
// 16376-byte chunk with its refusal rules, 61 named presets selected through the chunk,
// and a "default preset" that echoes one quarter note at the host's tempo after a 1 ms
// lookahead, mixed half and half with the dry signal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "shell/AudioEffectX.h"

namespace lumdel::test {

enum class FakeFault { None, AcceptsForeignId, EchoEarly };

inline FakeFault& currentFakeFault() {
    static FakeFault fault = FakeFault::None;
    return fault;
}

class FakeLumdel : public AudioEffectX {
public:
    static constexpr int kPresets = 61, kParams = 60, kRecord = 264, kChunk = 16376;
    static constexpr std::int32_t kFormat = 0x01000000;

    explicit FakeLumdel(audioMasterCallback master)
        : AudioEffectX(master, 1, kParams), fault_(currentFakeFault()) {
        setUniqueID(vstFourCC('L', 'M', 'D', 'L'));
        setNumInputs(4);
        setNumOutputs(2);
        canProcessReplacing();
        canDoubleReplacing();
        programsAreChunks();
        for (int k = 0; k < kPresets; ++k) {
            std::snprintf(names_[k], 24, k == 0 ? "Default" : "Preset %d", k);
            for (int p = 0; p < kParams; ++p) values_[k][p] = static_cast<float>((k + p) % 10) / 10.0f;
        }
        resume();
    }

    void resume() override {
        const int rate = static_cast<int>(getSampleRate() > 0 ? getSampleRate() : 44100.0f);
        if (rate != rate_) {
            rate_ = rate;
            lineL_.assign(static_cast<size_t>(rate_) * 10, 0.0);
            lineR_.assign(lineL_.size(), 0.0);
        }
        std::fill(lineL_.begin(), lineL_.end(), 0.0);
        std::fill(lineR_.begin(), lineR_.end(), 0.0);
        pos_ = 0;
    }

    void processReplacing(float** in, float** out, VstInt32 frames) override { run(in, out, frames); }
    void processDoubleReplacing(double** in, double** out, VstInt32 frames) override {
        run(in, out, frames);
    }

    void setParameter(VstInt32 index, float value) override {
        if (index < 0 || index >= kParams) return;
        if (!(value >= 0.0f)) value = 0.0f;
        values_[current_][index] = value > 1.0f ? 1.0f : value;
    }
    float getParameter(VstInt32 index) override {
        return index >= 0 && index < kParams ? values_[current_][index] : 0.0f;
    }
    void getProgramName(char* text) override {
        std::memcpy(text, names_[current_], 24);
        text[24] = 0;
    }
    bool getProgramNameIndexed(VstInt32, VstInt32 index, char* text) override {
        if (index < 0 || index >= kPresets) return false;
        std::memcpy(text, names_[index], 24);
        text[24] = 0;
        return true;
    }

    VstInt32 getChunk(void** data, bool) override {
        std::memset(chunk_, 0, sizeof chunk_);
        std::int32_t head[4] = {kFormat, vstFourCC('L', 'M', 'D', 'L'), kPresets, current_};
        std::memcpy(chunk_, head, sizeof head);
        for (int k = 0; k < kPresets; ++k) {
            std::memcpy(chunk_ + 32 + k * kRecord, names_[k], 24);
            std::memcpy(chunk_ + 32 + k * kRecord + 24, values_[k], 240);
        }
        std::memcpy(chunk_ + 16136, assignments_, 240);
        *data = chunk_;
        return kChunk;
    }

    VstInt32 setChunk(void* data, VstInt32 size, bool) override {
        if (!data || size != kChunk) return -1;
        std::vector<unsigned char> c(static_cast<unsigned char*>(data),
                                     static_cast<unsigned char*>(data) + size);
        auto word = [&](size_t off) {
            std::int32_t v;
            std::memcpy(&v, c.data() + off, 4);
            return v;
        };
        const std::int32_t id = vstFourCC('L', 'M', 'D', 'L');
        const std::int32_t swapped = static_cast<std::int32_t>(__builtin_bswap32(static_cast<std::uint32_t>(id)));
        if (word(4) == swapped) {
            auto swap = [&](size_t off) {
                std::swap(c[off], c[off + 3]);
                std::swap(c[off + 1], c[off + 2]);
            };
            for (size_t off = 0; off < 32; off += 4)
                if (off != 4) swap(off);
            for (int k = 0; k < kPresets; ++k)
                for (int j = 0; j < kParams; ++j) swap(32 + kRecord * k + 24 + 4 * j);
            for (int j = 0; j < kParams; ++j) swap(16136 + 4 * j);
        } else if (word(4) != id && fault_ != FakeFault::AcceptsForeignId) {
            return -1;
        }
        if (word(0) != kFormat) return 0;
        if (word(8) != kPresets) return -1;
        for (int k = 0; k < kPresets; ++k) {
            std::memcpy(names_[k], c.data() + 32 + k * kRecord, 24);
            std::memcpy(values_[k], c.data() + 32 + k * kRecord + 24, 240);
        }
        std::memcpy(assignments_, c.data() + 16136, 240);
        std::int32_t index = word(12);
        if (index >= 0 && index < kPresets) current_ = index;
        return 0;
    }

private:
    template <typename T>
    void run(T** in, T** out, VstInt32 frames) {
        double bpm = 120.0;
        if (VstTimeInfo* t = getTimeInfo(kVstTempoValid))
            if (t->tempo >= 30.0 && t->tempo <= 400.0) bpm = t->tempo;
        const long size = static_cast<long>(lineL_.size());
        long delay = static_cast<long>(60000.0 / bpm * rate_ / 1000.0) + rate_ / 1000;
        if (fault_ == FakeFault::EchoEarly) delay -= rate_ / 1000 + 10;
        for (VstInt32 i = 0; i < frames; ++i) {
            lineL_[pos_] = in[0][i];
            lineR_[pos_] = in[1][i];
            const long read = (pos_ - delay + size) % size;
            out[0][i] = static_cast<T>(0.5 * in[0][i] + 0.5 * lineL_[read]);
            out[1][i] = static_cast<T>(0.5 * in[1][i] + 0.5 * lineR_[read]);
            pos_ = (pos_ + 1) % size;
        }
    }

    FakeFault fault_;
    char names_[kPresets][24] = {};
    float values_[kPresets][kParams] = {};
    float assignments_[kParams] = {};
    std::int32_t current_ = 0;
    unsigned char chunk_[kChunk] = {};
    int rate_ = 0;
    std::vector<double> lineL_, lineR_;
    long pos_ = 0;
};

inline AEffect* fakeLumdelEntry(audioMasterCallback master) {
    if (!master || master(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    return (new FakeLumdel(master))->getAeffect();
}

}  // namespace lumdel::test
