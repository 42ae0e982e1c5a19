// Helpers for the engine's tests: a loaded plug-in with buffers, impulse and noise
// sources, and a few signal measurements.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "PluginFixture.h"
#include "core/ParameterTable.h"

namespace lumdel::test {

// Four input channels (main L, R, key L, R), two outputs, any block length.
class EngineRig : public PluginTest {
protected:
    // Applies (index, value) pairs, then suspend and start, so time changes take effect
    // at once instead of through their fade.
    void settle(const std::vector<std::pair<int, float>>& settings) {
        for (auto [index, value] : settings) host->setParameter(index, value);
        host->suspend();
        host->start();
    }

    // Runs the input through the plug-in in blocks; returns left and right outputs.
    std::pair<std::vector<float>, std::vector<float>> run(const std::vector<float>& inL,
                                                          const std::vector<float>& inR,
                                                          int block = 512) {
        const int n = static_cast<int>(inL.size());
        std::vector<float> outL(n), outR(n);
        host::Buffers<float> in(4, block), out(2, block);
        for (int start = 0; start < n; start += block) {
            const int len = std::min(block, n - start);
            for (int i = 0; i < len; ++i) {
                in.data[0][i] = inL[start + i];
                in.data[1][i] = inR[start + i];
                in.data[2][i] = key.empty() ? inL[start + i] : key[start + i];
                in.data[3][i] = key.empty() ? inR[start + i] : key[start + i];
            }
            host->process(in.get(), out.get(), len);
            std::copy_n(out.data[0].begin(), len, outL.begin() + start);
            std::copy_n(out.data[1].begin(), len, outR.begin() + start);
        }
        return {outL, outR};
    }

    static std::vector<float> impulse(int n, int at = 0, float height = 1.0f) {
        std::vector<float> v(n, 0.0f);
        v[at] = height;
        return v;
    }

    static std::vector<float> noise(int n, unsigned seed = 1) {
        std::vector<float> v(n);
        for (float& x : v) {
            seed = seed * 1103515245u + 12345u;
            x = static_cast<float>((seed >> 9) & 0x7fff) / 16384.0f - 1.0f;
        }
        return v;
    }

    // Sample indices whose magnitude exceeds threshold and is a local maximum.
    static std::vector<int> peaks(const std::vector<float>& v, float threshold) {
        std::vector<int> at;
        for (int i = 0; i < static_cast<int>(v.size()); ++i) {
            const float a = std::fabs(v[i]);
            if (a < threshold) continue;
            const float before = i > 0 ? std::fabs(v[i - 1]) : 0.0f;
            const float after = i + 1 < static_cast<int>(v.size()) ? std::fabs(v[i + 1]) : 0.0f;
            if (a >= before && a > after) at.push_back(i);
        }
        return at;
    }

    static float largestStep(const std::vector<float>& v, int from, int to) {
        float m = 0;
        for (int i = std::max(from, 1); i < to && i < static_cast<int>(v.size()); ++i)
            m = std::max(m, std::fabs(v[i] - v[i - 1]));
        return m;
    }

    // Wet only, plain lines, nothing else in the way.
    static std::vector<std::pair<int, float>> plainWet() {
        return {{kMix, 1.0f}, {kVcoOn, 0.0f}, {kFltOn, 0.0f}, {kRvbOn, 0.0f}, {kDrive, 0.0f},
                {kDucking, 1.0f}};
    }

    std::vector<float> key;  // key input (inputs 3 and 4); empty: the main input
};

inline std::vector<std::pair<int, float>> operator+(std::vector<std::pair<int, float>> a,
                                                    const std::vector<std::pair<int, float>>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace lumdel::test
