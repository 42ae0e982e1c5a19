// Helpers of the file and settings tests: a temporary directory, an effect with its
// editor-side core on a private settings store, a chooser that answers from a script
// and a preset strip that records what it was told.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "presets/FileChooser.h"
#include "core/PresetImages.h"
#include "presets/PresetSystemEditorCore.h"
#include "shell/Orv.h"
#include "core/ParameterTable.h"
#include "TempFolders.h"

namespace lumdel::testing {

using Bytes = std::vector<unsigned char>;

using lumdel::test::TempDir;

inline Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Answers dialogs from a queue of prepared answers and records the requests, and the
// error boxes it is asked to show ("title: message"; with errorBoxes off it has none).
class ScriptedChooser : public ImmediateFileChooser {
public:
    struct Call {
        bool save;
        FileDialogRequest request;
    };
    std::deque<std::vector<std::string>> answers;
    std::vector<Call> calls;
    std::vector<std::string> errors;
    bool errorBoxes = true;

    bool showError(const FileDialogRequest& about, const std::string& message) override {
        if (!errorBoxes) return false;
        errors.push_back(about.title + ": " + message);
        return true;
    }

    std::vector<std::string> chooseFileToOpen(const FileDialogRequest& r) override {
        return answer(false, r);
    }
    std::vector<std::string> chooseFileToSave(const FileDialogRequest& r) override {
        return answer(true, r);
    }

private:
    std::vector<std::string> answer(bool save, const FileDialogRequest& r) {
        calls.push_back({save, r});
        if (answers.empty()) return {};
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

class RecordingView : public PresetStripView {
public:
    std::vector<std::string> menu = std::vector<std::string>(61);
    int selected = -1;
    std::string shownName;
    std::string message;  // the last panel message
    int redraws = 0;
    int entryUpdates = 0;

    void setMenuEntry(int k, const char* name) override {
        menu.at(static_cast<std::size_t>(k)) = name;
        ++entryUpdates;
    }
    void selectMenuEntry(int k) override { selected = k; }
    void setCurrentMenuEntryTitle(const char* name) override {
        if (selected >= 0) menu.at(static_cast<std::size_t>(selected)) = name;
    }
    void showName(const char* name) override { shownName = name; }
    void redrawAll() override { ++redraws; }
    void showMessage(const char* text) override { message = text; }
};

inline std::string storeDirectoryIn(const TempDir& dir) { return dir / "config/Orvtone/Lumdel/"; }

// Makes the store's folders as the store itself would (mode 0700), for tests that put
// values in place by hand.
inline std::string makeStoreFolder(const TempDir& dir) {
    for (const char* part : {"config", "config/Orvtone", "config/Orvtone/Lumdel"})
        mkdir((dir / part).c_str(), 0700);
    return storeDirectoryIn(dir);
}

// One plug-in instance as a host starts it: the effect, its editor-side core on the
// settings store in dir, the stored defaults, then preset 0.
struct Instance {
    std::unique_ptr<Orv> effect;
    std::unique_ptr<PresetSystemEditorCore> core;
    ScriptedChooser* chooser = nullptr;

    explicit Instance(const TempDir& dir) : Instance(storeDirectoryIn(dir)) {}
    explicit Instance(const std::string& storeDirectory) {
        effect = std::make_unique<Orv>(nullptr);
        auto scripted = std::make_unique<ScriptedChooser>();
        chooser = scripted.get();
        core = std::make_unique<PresetSystemEditorCore>(
            effect.get(), SettingsStore(storeDirectory), std::move(scripted));
        core->loadDefaults();
        effect->setCurrentPreset(0);
    }
    ~Instance() {
        core.reset();
        effect.reset();
    }
    Orv& fx() { return *effect; }
    PresetRecord& preset(int k) { return effect->preset(k); }
    PresetRecord& current() { return effect->preset(effect->getCurrentPreset()); }
};

inline std::string nameOf(const PresetRecord& r) {
    return std::string(r.name, strnlen(r.name, kPresetNameSize));
}

// Gives preset k a recognisable name and values.
inline void fillPreset(Orv& fx, int k, const char* name, float seed) {
    copyPresetName(fx.preset(k).name, name);
    for (int i = 0; i < 60; ++i)
        fx.preset(k).values[i] = static_cast<float>(std::fmod(seed + 0.013 * i, 1.0));
}

// Little helpers that build images byte by byte, in either order.
inline void putWord(Bytes& b, std::size_t offset, std::uint32_t w, bool bigEndian) {
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        b.at(offset + static_cast<std::size_t>(i)) = static_cast<unsigned char>(w >> shift);
    }
}
inline void putFloat(Bytes& b, std::size_t offset, float f, bool bigEndian) {
    std::uint32_t w;
    std::memcpy(&w, &f, 4);
    putWord(b, offset, w, bigEndian);
}
inline std::uint32_t bits(float f) {
    std::uint32_t w;
    std::memcpy(&w, &f, 4);
    return w;
}
inline float fromBits(std::uint32_t w) {
    float f;
    std::memcpy(&f, &w, 4);
    return f;
}
inline std::uint32_t swapped(std::uint32_t w) {
    return (w >> 24) | ((w >> 8) & 0xFF00u) | ((w << 8) & 0xFF0000u) | (w << 24);
}

// Reverses the identifier and every body word of a native image (names stay).
inline Bytes otherByteOrder(const Bytes& native, ImageKind kind) {
    Bytes out = native;
    auto swap4 = [&out](std::size_t at) {
        std::swap(out[at], out[at + 3]);
        std::swap(out[at + 1], out[at + 2]);
    };
    swap4(0);
    if (kind == ImageKind::Midi) {
        for (std::size_t i = 0; i < 60; ++i) swap4(5 + 4 * i);
    } else {
        const std::size_t records = kind == ImageKind::Bank ? 61 : 1;
        for (std::size_t k = 0; k < records; ++k)
            for (std::size_t i = 0; i < 60; ++i) swap4(5 + 264 * k + 24 + 4 * i);
    }
    return out;
}

constexpr std::uint32_t kLMDL = 0x4C4D444C;
constexpr std::uint32_t kLMDX = 0x4C4D4458;

}  // namespace lumdel::testing
