// Small helpers shared by the check files.
#pragma once

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Validate.h"

namespace lumdel::host::validate {

inline std::vector<bool> precisions(const PluginFacts& f) {
    if (f.canDouble()) return {false, true};
    return {false};
}

inline const char* precisionName(bool dbl) { return dbl ? "double" : "float"; }

// A test programme on every input: noise, a sine sweep, impulses, DC, +12 dB bursts
// and silence, in that order, each a sixth of the length.
inline Signal testProgramme(std::mt19937_64& rng, int channels, int frames, double rate) {
    Signal s = makeNoise(rng, channels, frames, 0.5);
    const int part = frames / 6;
    for (int c = 0; c < channels; ++c) {
        double phase = 0.0;
        for (int i = part; i < 2 * part; ++i) {
            double hz = 20.0 * std::pow(1000.0, double(i - part) / part);
            phase += 2.0 * M_PI * hz / rate;
            s[c][i] = 0.7 * std::sin(phase);
        }
        for (int i = 2 * part; i < 3 * part; ++i) s[c][i] = (i % 4410 == 0) ? 1.0 : 0.0;
        for (int i = 3 * part; i < 4 * part; ++i) s[c][i] = c % 2 ? -0.9 : 0.9;
        for (int i = 4 * part; i < 5 * part; ++i) s[c][i] *= 8.0;
        for (int i = 5 * part; i < frames; ++i) s[c][i] = 0.0;
    }
    return s;
}

inline long lastNonZero(const Signal& s) {
    long last = -1;
    for (const auto& ch : s)
        for (long i = static_cast<long>(ch.size()) - 1; i > last; --i)
            if (ch[i] != 0.0) {
                last = i;
                break;
            }
    return last;
}

inline double peakOf(const Signal& s, long from = 0, long to = -1) {
    double peak = 0.0;
    for (const auto& ch : s) {
        long end = to < 0 ? static_cast<long>(ch.size()) : std::min<long>(to, ch.size());
        for (long i = std::max(0L, from); i < end; ++i) peak = std::max(peak, std::fabs(ch[i]));
    }
    return peak;
}

// Largest sample-to-sample step of any channel within [from, to).
inline double largestStep(const Signal& s, long from, long to, long* where = nullptr) {
    double worst = 0.0;
    for (const auto& ch : s) {
        long end = std::min<long>(to, ch.size());
        for (long i = std::max(1L, from); i < end; ++i) {
            double d = std::fabs(ch[i] - ch[i - 1]);
            if (d > worst) {
                worst = d;
                if (where) *where = i;
            }
        }
    }
    return worst;
}

// The plug-in's state as bytes: its chunk when it has chunks, else its parameter values.
std::vector<unsigned char> stateBytes(Host& host, const PluginFacts& facts);
// Sets every parameter to a random value in [0, 1].
void randomiseParameters(Host& host, const PluginFacts& facts, std::mt19937_64& rng);
// The same through the plug-in-instance interface (the state, or parameter values).
std::vector<unsigned char> stateBytes(PluginInstance& plugin, const PluginFacts& facts);
void randomiseParameters(PluginInstance& plugin, const PluginFacts& facts, std::mt19937_64& rng);
void restoreState(PluginInstance& plugin, const PluginFacts& facts,
                  const std::vector<unsigned char>& bytes);
// Starts a stopped instance again: a VST 2.4 effect gets effMainsChanged(1) alone, as
// the harness's Host resumes; any other format its loader's start.
bool resume(PluginInstance& plugin);
bool setChunk(Host& host, const std::vector<unsigned char>& bytes, VstIntPtr* result = nullptr);
std::vector<unsigned char> getChunk(Host& host);

// --- Lumdel only (unique ID 'LMDL') ------------------------------------------------------
namespace lumdel_id {
constexpr int kChunkSize = 16376;
constexpr int kPresets = 61;
constexpr int kCurrentOffset = 12;
// Makes factory preset k current through the chunk (as a host restoring a project does).
bool selectPreset(Host& host, int preset);
}  // namespace lumdel_id

// An X11 display for editor checks: the host's parent window. Null when no display.
class ParentWindow {
public:
    ParentWindow();
    ~ParentWindow();
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    bool ok() const { return window_ != 0; }
    void* handle() const { return reinterpret_cast<void*>(window_); }
    void pump();  // handles pending events of the host's connection

private:
    void* display_ = nullptr;
    unsigned long window_ = 0;
};

}  // namespace lumdel::host::validate
