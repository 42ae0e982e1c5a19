// Golden renders: what every factory preset sounds like, in both precisions at 44.1 and
// 96 kHz, and what a fixed script of automation, MIDI controllers, preset loads, tempo
// changes and bypass sounds like, each pinned by a hash of its output samples. A change
// that alters what is heard fails here. When it is meant, renew the hashes with
//   LUMDEL_GOLDEN_UPDATE=1 build/tests/test_golden
// and say in the commit message what changed and by how much: LUMDEL_GOLDEN_DUMP=DIR
// writes every render as raw samples, LUMDEL_GOLDEN_REFERENCE=DIR compares every render
// with such a dump and fails on a difference above -120 dBFS instead of checking hashes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "PluginFixture.h"
#include "core/ParameterTable.h"
#include "tools/host/Render.h"

namespace {

using lumdel::host::Buffers;
using lumdel::host::Host;

constexpr int kBlock = 480;
constexpr int kPresetGroups = 8;
constexpr double kPresetSeconds = 2.5;
constexpr double kScriptSeconds = 2.6;

struct Config {
    double rate;
    bool useDouble;
};
const Config kConfigs[] = {{44100, false}, {44100, true}, {96000, false}, {96000, true}};

std::string configName(const Config& c) {
    return std::string(c.useDouble ? "f64-" : "f32-") + std::to_string(static_cast<int>(c.rate));
}

// --- the input ------------------------------------------------------------------------

// A plucked phrase (different notes left and right), then a burst of noise: the same
// moments in seconds at every rate. Peaks near -6 dBFS.
struct Input {
    std::vector<double> left, right;
};

Input makeInput(double rate, double seconds) {
    const int frames = static_cast<int>(seconds * rate);
    Input in{std::vector<double>(frames, 0.0), std::vector<double>(frames, 0.0)};
    const double onsets[4] = {0.0, 0.25, 0.6, 0.9};
    const double notesL[4] = {220.0, 330.0, 261.63, 440.0};
    const double notesR[4] = {277.18, 196.0, 392.0, 164.81};
    for (int n = 0; n < 4; ++n) {
        const int start = static_cast<int>(onsets[n] * rate);
        for (int i = 0; i < static_cast<int>(0.3 * rate) && start + i < frames; ++i) {
            const double t = i / rate;
            const double env = std::min(1.0, t / 0.003) * std::exp(-t * 9.0);
            double l = 0.0, r = 0.0;
            for (int h = 1; h <= 5; ++h) {
                l += std::sin(2.0 * M_PI * notesL[n] * h * t) / h;
                r += std::sin(2.0 * M_PI * notesR[n] * h * t) / h;
            }
            in.left[start + i] += 0.22 * env * l;
            in.right[start + i] += 0.22 * env * r;
        }
    }
    std::uint32_t seed = 12345u;
    const int noiseStart = static_cast<int>(1.1 * rate);
    for (int i = 0; i < static_cast<int>(0.08 * rate) && noiseStart + i < frames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double v = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.6;
        in.left[noiseStart + i] += v;
        in.right[noiseStart + i] -= 0.5 * v;
    }
    return in;
}

// --- one render -------------------------------------------------------------------------

// What happens before a block: the frame it starts at and the host.
using Script = std::function<void(Host&, long frame, double rate)>;

struct Output {
    std::vector<double> left, right;  // as the host received them, widened
    std::uint64_t hash = 14695981039346656037ull;
};

template <typename T>
void hashSamples(std::uint64_t& h, const T* samples, int n) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(samples);
    for (size_t i = 0; i < n * sizeof(T); ++i) {
        h ^= bytes[i];
        h *= 1099511628211ull;
    }
}

template <typename T>
void runBlocks(Host& host, const Input& input, const Script& script, double rate, Output& out) {
    const long total = static_cast<long>(input.left.size());
    Buffers<T> in(4, kBlock), buf(2, kBlock);
    double ppq = 0.0;
    for (long start = 0; start < total; start += kBlock) {
        const int len = static_cast<int>(std::min<long>(kBlock, total - start));
        if (script) script(host, start, rate);
        host.setPosition(ppq);
        for (int i = 0; i < len; ++i) {
            in.data[0][i] = static_cast<T>(input.left[start + i]);
            in.data[1][i] = static_cast<T>(input.right[start + i]);
            // The key is the main input, as a ducked vocal delay is used.
            in.data[2][i] = in.data[0][i];
            in.data[3][i] = in.data[1][i];
        }
        if constexpr (sizeof(T) == sizeof(float))
            host.process(in.get(), buf.get(), len);
        else
            host.processDouble(in.get(), buf.get(), len);
        for (int c = 0; c < 2; ++c) hashSamples(out.hash, buf.data[c].data(), len);
        for (int i = 0; i < len; ++i) {
            out.left.push_back(static_cast<double>(buf.data[0][i]));
            out.right.push_back(static_cast<double>(buf.data[1][i]));
        }
        ppq += len / rate * host.timeInfo.tempo / 60.0;
    }
}

// A fresh instance at `rate`, 120 BPM with the transport running, `preset` selected as a
// host restoring a project would (through the chunk), then `script` before every block.
Output render(const Config& config, int preset, double seconds, const Script& script) {
    Output out;
    Host host;
    host.sampleRate = static_cast<float>(config.rate);
    host.blockSize = kBlock;
    EXPECT_TRUE(host.load(lumdel::test::pluginLibrary())) << host.error();
    if (!host.effect()) return out;
    host.setTempo(120.0);
    host.timeInfo.flags |= kVstTransportPlaying;
    std::string error;
    EXPECT_TRUE(lumdel::host::selectPreset(host, preset, error)) << error;
    host.suspend();
    host.start();
    const Input input = makeInput(config.rate, seconds);
    if (config.useDouble)
        runBlocks<double>(host, input, script, config.rate, out);
    else
        runBlocks<float>(host, input, script, config.rate, out);
    host.suspend();
    return out;
}

// --- hashes, dumps and references ----------------------------------------------------------

class Golden {
public:
    static Golden& get() {
        static Golden golden;
        return golden;
    }

    // Checks (or, in update mode, records) one render.
    void check(const std::string& name, const Output& out) {
        if (const char* dir = std::getenv("LUMDEL_GOLDEN_DUMP")) dump(dir, name, out);
        if (const char* dir = std::getenv("LUMDEL_GOLDEN_REFERENCE")) {
            compare(dir, name, out);
            return;
        }
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(out.hash));
        if (updating()) {
            hashes_[name] = hex;
            return;
        }
        const auto it = hashes_.find(name);
        if (it == hashes_.end()) {
            ADD_FAILURE() << name << ": no golden hash (renew them, see the file's header)";
            return;
        }
        EXPECT_EQ(it->second, hex) << name << " sounds different from its golden render";
    }

    static bool updating() { return std::getenv("LUMDEL_GOLDEN_UPDATE") != nullptr; }

    void write() const {
        std::ofstream file(LUMDEL_GOLDEN_FILE);
        file << "# Hashes of the golden renders (tests/golden/golden_test.cpp).\n";
        for (const auto& [name, hex] : hashes_) file << name << ' ' << hex << '\n';
    }

private:
    Golden() {
        std::ifstream file(LUMDEL_GOLDEN_FILE);
        std::string line;
        while (std::getline(file, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::string name, hex;
            if (fields >> name >> hex) hashes_[name] = hex;
        }
    }

    static std::string path(const char* dir, const std::string& name) {
        return std::string(dir) + "/" + name + ".raw";
    }

    static void dump(const char* dir, const std::string& name, const Output& out) {
        std::ofstream file(path(dir, name), std::ios::binary);
        file.write(reinterpret_cast<const char*>(out.left.data()),
                   static_cast<std::streamsize>(out.left.size() * sizeof(double)));
        file.write(reinterpret_cast<const char*>(out.right.data()),
                   static_cast<std::streamsize>(out.right.size() * sizeof(double)));
    }

    static void compare(const char* dir, const std::string& name, const Output& out) {
        std::ifstream file(path(dir, name), std::ios::binary);
        const size_t n = out.left.size();
        std::vector<double> ref(2 * n);
        file.read(reinterpret_cast<char*>(ref.data()), static_cast<std::streamsize>(2 * n * sizeof(double)));
        ASSERT_EQ(file.gcount(), static_cast<std::streamsize>(2 * n * sizeof(double)))
            << name << ": no reference of this length in " << dir;
        double worst = 0.0;
        for (size_t i = 0; i < n; ++i) {
            worst = std::max(worst, std::fabs(out.left[i] - ref[i]));
            worst = std::max(worst, std::fabs(out.right[i] - ref[n + i]));
        }
        const double db = worst > 0.0 ? 20.0 * std::log10(worst) : -999.0;
        std::printf("%s: largest difference %.1f dBFS\n", name.c_str(), db);
        EXPECT_LT(db, -120.0) << name;
    }

    std::map<std::string, std::string> hashes_;
};

class GoldenEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        if (Golden::updating()) Golden::get().write();
    }
};
[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GoldenEnvironment);

// --- the factory presets ----------------------------------------------------------------------

class GoldenPresets : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(GoldenPresets, SoundAsRecorded) {
    ASSERT_TRUE(lumdel::test::pluginLibrary().ok());
    const Config& config = kConfigs[std::get<0>(GetParam())];
    const int group = std::get<1>(GetParam());
    for (int preset = group; preset < 61; preset += kPresetGroups) {
        const Output out = render(config, preset, kPresetSeconds, nullptr);
        char name[64];
        std::snprintf(name, sizeof name, "preset-%02d-%s", preset, configName(config).c_str());
        Golden::get().check(name, out);
    }
}

INSTANTIATE_TEST_SUITE_P(Renders, GoldenPresets,
                         ::testing::Combine(::testing::Range(0, 4), ::testing::Range(0, kPresetGroups)));

// --- the script ----------------------------------------------------------------------------------

int presetNamed(Host& host, const char* name) { return lumdel::host::findPreset(host, name); }

float controllerValue(int controller) { return lumdel::fromStep(controller, 129); }

// Automation (a swept cutoff, time, range and switch changes), two assigned MIDI
// controllers, tempo changes, two preset loads through the chunk and a bypass, all from
// the thread that runs the blocks, each at the block that holds its moment.
void script(Host& host, long frame, double rate) {
    using namespace lumdel;
    const double t = frame / rate;
    const double dt = kBlock / rate;
    auto at = [&](double moment) { return moment >= t && moment < t + dt; };
    std::string error;
    if (frame == 0) {
        host.setParameter(kNumParams + kCutoff, controllerValue(74));
        host.setParameter(kNumParams + kFbGainL, controllerValue(1));
        host.setParameter(kFltOn, 0.75f);
        host.setParameter(kFltMode, fromStep(1, 3));
        host.setParameter(kFbGainL, 0.6f);
        host.setParameter(kFbGainR, 0.55f);
        host.setParameter(kRvbOn, 0.75f);
    }
    if (t < 0.5) host.setParameter(kCutoff, static_cast<float>(0.55 + 0.35 * std::sin(2.0 * M_PI * 1.3 * t)));
    if (at(0.30)) {
        host.setParameter(kDlyModeL, 0.25f);
        host.setParameter(kDlyTimeL, 0.05f);
    }
    if (at(0.45)) host.setParameter(kRangeL, fromStep(1, 3));
    if (t >= 0.5 && t < 0.9) {
        const int value = static_cast<int>((t - 0.5) / 0.4 * 127.0);
        host.sendMidi({Host::controlChange(0, 74, value, 7)});
    }
    if (at(0.60)) host.sendMidi({Host::controlChange(0, 1, 100, 0)});
    if (at(0.70)) host.setTempo(95.0);
    if (at(0.80)) {
        host.setParameter(kVcoMod, 0.8f);
        host.setParameter(kLFORate, 0.6f);
        host.setParameter(kLfoMode, fromStep(0, 3));
    }
    if (at(0.95)) {
        EXPECT_TRUE(lumdel::host::selectPreset(host, presetNamed(host, "Ping Pong"), error));
    }
    if (at(1.10)) {
        host.setParameter(kDrive, 0.5f);
        host.setParameter(kDlyGateL, 0.3f);
        host.setParameter(kDucking, 0.4f);
    }
    if (at(1.30)) host.setParameter(kBypass, 0.75f);
    if (at(1.45)) host.setParameter(kBypass, 0.25f);
    if (at(1.60)) {
        EXPECT_TRUE(lumdel::host::selectPreset(host, presetNamed(host, "Bass Drone"), error));
    }
    if (at(1.70)) {
        host.setParameter(kRvbType, 0.75f);
        host.setParameter(kRvbOn, 0.75f);
    }
    if (at(1.90)) host.setTempo(140.0);
    if (at(2.00)) host.setParameter(kVcoOn, 0.25f);
}

class GoldenScript : public ::testing::TestWithParam<int> {};

TEST_P(GoldenScript, SoundsAsRecorded) {
    ASSERT_TRUE(lumdel::test::pluginLibrary().ok());
    const Config& config = kConfigs[GetParam()];
    const Output out = render(config, 0, kScriptSeconds, script);
    Golden::get().check("script-" + configName(config), out);
}

INSTANTIATE_TEST_SUITE_P(Renders, GoldenScript, ::testing::Range(0, 4));

}  // namespace
