// lumdel-host preset|bank|midi export|import: preset, bank and MIDI-settings files on
// a fresh preset store, which starts with the stored defaults of the settings directory
// given by --config (default: the user's own). Converts older or other-byte-order files
// to the current format and shows what a file holds. Only the store is built: no engine,
// no editor; the display texts of a printed preset come from the parameter code alone.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "core/ControllerNames.h"
#include "core/HostPort.h"
#include "core/ParameterTable.h"
#include "core/PluginCore.h"
#include "core/PresetImages.h"
#include "core/PresetStore.h"
#include "core/SafeFile.h"
#include "presets/PresetFiles.h"

namespace lumdel::host {

namespace {

constexpr const char* kPresetUsage =
    "preset export [--config DIR] [--preset N] OUT.orv\n"
    "      writes preset N (default 0) of a fresh instance\n"
    "  lumdel-host preset import [--config DIR] [--reversed] [--preset N] [--out OUT.orv] "
    "FILE\n"
    "      loads FILE (either byte order, or the older 48-parameter format) into preset N\n"
    "      and prints its name and values; --reversed is \"Load preset (endian-reversed)\";\n"
    "      --out writes the loaded preset in the current format";
constexpr const char* kBankUsage =
    "bank export [--config DIR] OUT.orb\n"
    "      writes the 61 presets of a fresh instance (the stored default bank, if any)\n"
    "  lumdel-host bank import [--config DIR] [--reversed] [--out OUT.orb] FILE\n"
    "      loads FILE and prints the 61 preset names; --out writes it in the current format";
constexpr const char* kMidiUsage =
    "midi export [--config DIR] OUT.orm\n"
    "      writes the controller assignments of a fresh instance (the stored defaults)\n"
    "  lumdel-host midi import [--config DIR] [--reversed] [--out OUT.orm] FILE\n"
    "      loads FILE and prints each parameter's controller; --out writes the result\n"
    "  (--config DIR: settings store DIR/Orvtone/Lumdel/, as XDG_CONFIG_HOME=DIR)";

struct Options {
    std::string action;  // "export" or "import"
    std::string config;
    bool reversed = false;
    int preset = 0;
    std::string out;
    std::string file;
};

bool parse(const Args& args, Options& o, bool allowPreset) {
    if (args.empty()) return false;
    o.action = args[0];
    if (o.action != "export" && o.action != "import") return false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--config" && hasValue) {
            o.config = args[++i];
        } else if (a == "--out" && hasValue && o.action == "import") {
            o.out = args[++i];
        } else if (a == "--preset" && hasValue && allowPreset) {
            char* end = nullptr;
            const long n = std::strtol(args[++i].c_str(), &end, 10);
            if (!end || *end || n < 0 || n >= kNumPresets) return false;
            o.preset = static_cast<int>(n);
        } else if (a == "--reversed" && o.action == "import") {
            o.reversed = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return false;
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            return false;
        }
    }
    return !o.file.empty();
}

// The preset store as a fresh instance starts it: the factory bank with the stored
// defaults of the chosen settings folder, preset 0 current. Its owner applies nothing:
// a value only reaches the store (the engine's share is not needed to convert files).
struct Instance : private PresetStoreOwner {
    PresetStore store{*this};

    explicit Instance(const std::string& config) {
        store.loadStoredDefaults(storeFor(config));
        store.setCurrentPreset(0);
    }
    void setParameter(int index, float value) override {
        if (index >= 0 && index < kNumParams && !std::isfinite(value)) return;
        if (!store.loading()) store.storeParameter(index, value);
    }
    void applyPreset(int index) override { store.applyPresetValues(index); }
    void presetsChanged() override {}

    static SettingsStore storeFor(const std::string& config) {
        if (config.empty()) return SettingsStore();
        std::string dir = config;
        if (dir.back() != '/') dir += '/';
        return SettingsStore(dir + "Orvtone/Lumdel/");
    }
};

bool writeImage(const std::string& path, const std::vector<unsigned char>& image) {
    const int error = saveUserFile(path, image.data(), image.size());
    if (error != 0) {
        std::fprintf(stderr, "lumdel-host: cannot write %s: %s\n", path.c_str(),
                     fileErrorText(error).c_str());
        return false;
    }
    return true;
}

std::vector<unsigned char> makeImage(Instance& in, ImageKind kind) {
    std::vector<unsigned char> image(imageSize(kind), 0);
    switch (kind) {
        case ImageKind::Preset: makePresetImage(in.store, image.data()); break;
        case ImageKind::Bank: makeBankImage(in.store, image.data()); break;
        case ImageKind::Midi: makeMidiImage(in.store, image.data()); break;
    }
    return image;
}

std::string nameOf(const PresetRecord& record) {
    return std::string(record.name, strnlen(record.name, kPresetNameSize));
}

// The parameter code with nothing around it, for the display texts of a preset's values.
struct DisplayOnly : HostPort {
    PluginCore core{*this};
    bool hostTime(bool, HostTime&) override { return false; }
    long outputLatency() override { return 0; }
    bool inputConnected(int) override { return true; }
    bool outputConnected(int) override { return true; }
    void setParameter(int index, float value) override { core.applyParameter(index, value); }
};

void printPreset(const PresetRecord& preset, int index) {
    auto texts = std::make_unique<DisplayOnly>();
    for (int i = 0; i < kNumParams; ++i) texts->core.applyParameter(i, preset.values[i]);
    std::printf("Preset %d: \"%s\"\n", index, nameOf(preset).c_str());
    for (int i = 0; i < kNumParams; ++i) {
        char name[32] = {}, display[64] = {}, label[32] = {};
        parameterName(i, name);
        texts->core.parameterDisplay(i, display);
        parameterLabel(i, label);
        std::printf("%5d  %-10s %-10.6f %s %s\n", i, name, static_cast<double>(preset.values[i]),
                    display, label);
    }
}

void printBank(PresetStore& store) {
    for (int k = 0; k < kNumPresets; ++k)
        std::printf("%3d  %s\n", k, nameOf(store.preset(k)).c_str());
}

void printMidi(const PresetStore& store) {
    for (int i = 0; i < kNumParams; ++i) {
        char name[32] = {};
        parameterName(i, name);
        const int controller = store.parameterController(i);
        if (controller >= 0 && controller < 128)
            std::printf("%5d  %-10s CC %3d  %s\n", i, name, controller, controllerName(controller));
        else
            std::printf("%5d  %-10s -       %s\n", i, name, controllerName(128));
    }
}

int run(const Args& args, ImageKind kind, const char* command, const char* usage) {
    Options o;
    if (!parse(args, o, kind == ImageKind::Preset)) {
        std::fprintf(stderr, "usage: lumdel-host %s\n", usage);
        return 2;
    }
    auto instance = std::make_unique<Instance>(o.config);
    Instance& in = *instance;
    if (o.action == "export") {
        if (kind == ImageKind::Preset) in.store.setCurrentPreset(o.preset);
        return writeImage(o.file, makeImage(in, kind)) ? 0 : 1;
    }

    std::vector<unsigned char> image;
    if (const int error = readFilePadded(o.file, image, imageSize(kind))) {
        std::fprintf(stderr, "lumdel-host: cannot read %s: %s\n", o.file.c_str(),
                     fileErrorText(error).c_str());
        return 1;
    }
    bool loaded = false;
    switch (kind) {
        case ImageKind::Preset:
            in.store.setCurrentPreset(o.preset);
            loaded = loadPresetImage(in.store, nullptr, image.data(), o.reversed);
            break;
        case ImageKind::Bank:
            loaded = loadBankImage(in.store, nullptr, image.data(), o.reversed);
            break;
        case ImageKind::Midi:
            loaded = loadMidiImage(in.store, image.data(), o.reversed);
            break;
    }
    if (!loaded) {
        std::fprintf(stderr, "lumdel-host: %s is not a %s file\n", o.file.c_str(), command);
        return 1;
    }
    switch (kind) {
        case ImageKind::Preset: printPreset(in.store.preset(o.preset), o.preset); break;
        case ImageKind::Bank: printBank(in.store); break;
        case ImageKind::Midi: printMidi(in.store); break;
    }
    if (!o.out.empty() && !writeImage(o.out, makeImage(in, kind))) return 1;
    return 0;
}

int runPreset(const Args& args) { return run(args, ImageKind::Preset, "preset", kPresetUsage); }
int runBank(const Args& args) { return run(args, ImageKind::Bank, "bank", kBankUsage); }
int runMidi(const Args& args) { return run(args, ImageKind::Midi, "MIDI-settings", kMidiUsage); }

const CommandRegistrar registerPreset{"preset", kPresetUsage, runPreset};
const CommandRegistrar registerBank{"bank", kBankUsage, runBank};
const CommandRegistrar registerMidi{"midi", kMidiUsage, runMidi};

}  // namespace

}  // namespace lumdel::host
