// lumdel-host info PLUGIN.so: identity, flags, I/O and every parameter as a host sees it.
#include <cstdio>
#include <string>

#include "Commands.h"
#include "Host.h"

namespace lumdel::host {

namespace {
std::string fourCC(VstInt32 id) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((id >> shift) & 0xFF);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

std::string flagNames(VstInt32 flags) {
    struct Flag {
        VstInt32 bit;
        const char* name;
    };
    static const Flag names[] = {{effFlagsHasEditor, "editor"},
                                 {effFlagsCanReplacing, "replacing"},
                                 {effFlagsProgramChunks, "chunks"},
                                 {effFlagsIsSynth, "synth"},
                                 {effFlagsNoSoundInStop, "no-sound-in-stop"},
                                 {effFlagsCanDoubleReplacing, "double"}};
    std::string s;
    for (const Flag& f : names)
        if (flags & f.bit) s += (s.empty() ? "" : " ") + std::string(f.name);
    return s;
}

std::string properties(Host& host, int index) {
    VstParameterProperties p{};
    // Offer the switch bits, as a host that understands switches would.
    p.flags = kVstParameterIsSwitch | kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep;
    if (!host.dispatch(effGetParameterProperties, index, 0, &p)) return "-";
    char buf[128];
    if (p.flags & kVstParameterUsesFloatStep) {
        std::snprintf(buf, sizeof buf, "float steps %g/%g", static_cast<double>(p.smallStepFloat),
                      static_cast<double>(p.largeStepFloat));
    } else if (p.flags & kVstParameterIsSwitch) {
        std::snprintf(buf, sizeof buf, "switch");
    } else {
        std::snprintf(buf, sizeof buf, "steps %d..%d", p.minInteger, p.maxInteger);
    }
    return buf;
}
}  // namespace

int runInfo(const Args& args);
static const CommandRegistrar registerInfo{"info", "info PLUGIN.so", runInfo};

int runInfo(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: lumdel-host info PLUGIN.so\n");
        return 2;
    }
    PluginLibrary library(args[0]);
    Host host;
    if (!host.load(library)) {
        std::fprintf(stderr, "lumdel-host: %s\n", host.error().c_str());
        return 1;
    }
    host.start();
    AEffect* e = host.effect();
    std::printf("Effect:     %s\n", host.effectName().c_str());
    std::printf("Product:    %s\n", host.productString().c_str());
    std::printf("Vendor:     %s (version %ld)\n", host.vendorString().c_str(),
                static_cast<long>(host.dispatch(effGetVendorVersion)));
    std::printf("Unique ID:  '%s' (0x%08X), version %d\n", fourCC(e->uniqueID).c_str(),
                static_cast<unsigned>(e->uniqueID), e->version);
    std::printf("VST:        %ld\n", static_cast<long>(host.dispatch(effGetVstVersion)));
    std::printf("Flags:      0x%X (%s)\n", static_cast<unsigned>(e->flags),
                flagNames(e->flags).c_str());
    std::printf("I/O:        %d inputs, %d outputs, latency %d\n", e->numInputs, e->numOutputs,
                e->initialDelay);
    std::printf("Programs:   %d, parameters %d\n", e->numPrograms, e->numParams);
    char program[64] = {};
    host.dispatch(effGetProgramName, 0, 0, program);
    std::printf("Program:    %s\n\n", program);
    std::printf("%5s  %-10s %-5s %-10s %-16s %s\n", "index", "name", "label", "value", "display",
                "properties");
    for (int i = 0; i < e->numParams; ++i) {
        std::printf("%5d  %-10s %-5s %-10.6f %-16s %s\n", i, host.parameterName(i).c_str(),
                    host.parameterLabel(i).c_str(), static_cast<double>(host.getParameter(i)),
                    host.parameterDisplay(i).c_str(), properties(host, i).c_str());
    }
    host.suspend();
    return 0;
}

}  // namespace lumdel::host
