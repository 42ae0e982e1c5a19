// The three image loaders (preset, bank, MIDI settings) with arbitrary bytes, in both
// formats and byte orders. The first byte chooses:
//   bits 0-1  kind (preset, bank, MIDI; 3 = preset again)
//   bit 2     the "endian-reversed" load
//   bit 3     a preset strip view is attached (names reach the menu and name field)
//   bit 4     patch mode: the rest patches a valid image (groups of 2-byte offset,
//             1-byte length, bytes); otherwise the rest is the file itself
//   bit 5     in patch mode, start from an older-format (48-parameter) image
//   bit 6     in patch mode, start from a byte-reversed image
// A file shorter than the image is padded with zeros and a longer one cut, as the file
// loader does. Afterwards every value the host can read is finite, every name is a
// terminated string within its field, the chunk is whole and the audio finite.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "FuzzPlugin.h"
#include "shell/CPresetSystemEffect.h"
#include "core/PresetImages.h"

using lumdel::fuzz::FuzzPlugin;
using lumdel::ImageKind;

namespace {

// A view that checks every name it is handed is a terminated string of a sane length.
class CheckingView : public lumdel::PresetStripView {
public:
    void setMenuEntry(int k, const char* name) override {
        if (k < 0 || k > 60) __builtin_trap();
        check(name);
    }
    void selectMenuEntry(int k) override {
        if (k < 0 || k > 60) __builtin_trap();
    }
    void setCurrentMenuEntryTitle(const char* name) override { check(name); }
    void showName(const char* name) override { check(name); }
    void redrawAll() override {}

private:
    static void check(const char* name) {
        if (!name || std::strlen(name) > 24) __builtin_trap();
    }
};

void reverseWords(std::vector<unsigned char>& image, std::size_t from) {
    for (std::size_t i = from; i + 4 <= image.size(); i += 4) std::reverse(&image[i], &image[i + 4]);
}

// A valid image of the kind made by the effect, optionally in the older format (the
// first 48 values of each record, identifier 'LMDX') and optionally byte-reversed.
std::vector<unsigned char> validImage(lumdel::PresetStore& store, ImageKind kind, bool older,
                                      bool reversed) {
    std::vector<unsigned char> image(lumdel::imageSize(kind));
    switch (kind) {
        case ImageKind::Preset: lumdel::makePresetImage(store, image.data()); break;
        case ImageKind::Bank: lumdel::makeBankImage(store, image.data()); break;
        case ImageKind::Midi: lumdel::makeMidiImage(store, image.data()); break;
    }
    if (older) {
        const std::size_t h = lumdel::kImageHeaderSize;
        std::vector<unsigned char> old;
        old.insert(old.end(), image.begin(), image.begin() + h);
        std::int32_t id = lumdel::kPredecessorId;
        std::memcpy(old.data(), &id, 4);
        if (kind == ImageKind::Midi) {
            old.insert(old.end(), image.begin() + h, image.begin() + h + 48 * 4);
        } else {
            const int records = kind == ImageKind::Bank ? 61 : 1;
            for (int r = 0; r < records; ++r) {
                auto rec = image.begin() + h + r * 264;
                old.insert(old.end(), rec, rec + 24 + 48 * 4);
            }
        }
        image.swap(old);
    }
    if (reversed) {
        std::reverse(&image[0], &image[4]);
        reverseWords(image, lumdel::kImageHeaderSize);
    }
    return image;
}

void checkState(FuzzPlugin& plugin, CPresetSystemEffect& effect) {
    for (int i = 0; i < 120; ++i) {
        const float v = plugin.host.getParameter(i);
        if (!std::isfinite(v)) {
            std::fprintf(stderr, "parameter %d reads %g\n", i, v);
            __builtin_trap();
        }
    }
    for (int p = 0; p <= 60; ++p) {
        const auto& rec = effect.preset(p);
        for (float v : rec.values)
            if (!std::isfinite(v)) __builtin_trap();
    }
    char name[64];
    std::memset(name, 0x55, sizeof name);
    plugin.host.dispatch(effGetProgramName, 0, 0, name);
    if (!std::memchr(name, 0, 25)) __builtin_trap();
    void* chunk = nullptr;
    if (plugin.host.dispatch(effGetChunk, 0, 0, &chunk) != CPresetSystemEffect::kChunkSize || !chunk)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzPlugin* plugin = new FuzzPlugin;
    static auto* effect = static_cast<CPresetSystemEffect*>(
        static_cast<AudioEffect*>(plugin->host.effect()->object));
    static CheckingView view;
    if (size == 0) return 0;
    effect->loadFactoryPresets();
    effect->clearMidiAssignments();
    effect->setCurrentPreset(0);

    const std::uint8_t mode = data[0];
    const ImageKind kind = (mode & 3) == 1 ? ImageKind::Bank
                         : (mode & 3) == 2 ? ImageKind::Midi
                                           : ImageKind::Preset;
    const bool reverse = mode & 4;
    lumdel::PresetStripView* strip = (mode & 8) ? &view : nullptr;

    std::vector<unsigned char> file;
    if (mode & 16) {
        file = validImage(effect->presetStore(), kind, mode & 32, mode & 64);
        lumdel::fuzz::applyPatches(file, data, size, 1);
    } else {
        file.assign(data + 1, data + size);
    }
    // What the file loader hands on: exactly the current image size, zero-padded.
    std::vector<unsigned char> image(lumdel::imageSize(kind), 0);
    if (!file.empty()) std::memcpy(image.data(), file.data(), std::min(file.size(), image.size()));

    switch (kind) {
        case ImageKind::Preset:
            lumdel::loadPresetImage(effect->presetStore(), strip, image.data(), reverse);
            break;
        case ImageKind::Bank:
            lumdel::loadBankImage(effect->presetStore(), strip, image.data(), reverse);
            break;
        case ImageKind::Midi:
            lumdel::loadMidiImage(effect->presetStore(), image.data(), reverse);
            break;
    }
    checkState(*plugin, *effect);
    plugin->process(64, (mode & 128) != 0);
    return 0;
}
