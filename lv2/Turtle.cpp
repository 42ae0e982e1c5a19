#include "Turtle.h"

#include <cstdio>
#include <string>

#include "Lv2Names.h"
#include "core/FactoryPresets.h"
#include "core/HostPort.h"
#include "core/ParameterTable.h"
#include "core/PluginCore.h"

namespace lumdel::lv2 {

namespace {

constexpr const char* kPrefixes =
    "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi:  <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time:  <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A number as a Turtle literal that always reads as a decimal.
std::string number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", v);
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

// A quoted Turtle string.
std::string quoted(const std::string& text) {
    std::string s = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') s += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) s += c;
    }
    return s + "\"";
}

std::string presetUri(int index) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", index);
    return std::string("<") + kPresetUriPrefix + text + ">";
}

// A core without a host, to read display texts: scale point labels are the texts the
// host would show for each step.
class NoHost : public HostPort {
public:
    bool hostTime(bool, HostTime&) override { return false; }
    long outputLatency() override { return 0; }
    bool inputConnected(int) override { return true; }
    bool outputConnected(int) override { return true; }
    void setParameter(int, float) override {}
};

std::string displayText(PluginCore& core, int index, float value) {
    char text[64] = {0};
    core.applyParameter(index, value);
    core.parameterDisplay(index, text);
    std::string s = text;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    return s;
}

void writeScalePoints(std::ostream& out, PluginCore& core, int index, const float* values,
                      int count) {
    out << "        lv2:scalePoint";
    for (int i = 0; i < count; ++i) {
        out << (i ? ", " : " ") << "[ rdfs:label " << quoted(displayText(core, index, values[i]))
            << " ; rdf:value " << number(values[i]) << " ]";
    }
    out << " ;\n";
}

// The properties of a control port beyond its range: toggles for switches, an
// enumeration of step centres for stepped parameters; the legacy switches act once and
// are kept out of sight.
void writeControlProperties(std::ostream& out, PluginCore& core, int index) {
    const ParamInfo& p = kParams[index];
    if (p.kind == ParamKind::Legacy) {
        out << "        lv2:portProperty lv2:toggled, lv2:integer, pprops:notOnGUI, "
               "pprops:notAutomatic ;\n";
    } else if (p.kind == ParamKind::Switch || p.kind == ParamKind::ThresholdSwitch) {
        out << "        lv2:portProperty lv2:toggled, lv2:integer ;\n";
        const float values[2] = {0.0f, 1.0f};
        writeScalePoints(out, core, index, values, 2);
    } else if (p.kind == ParamKind::Stepped) {
        out << "        lv2:portProperty lv2:enumeration ;\n";
        float values[32];
        const int n = p.steps < 32 ? p.steps : 32;
        for (int i = 0; i < n; ++i) values[i] = fromStep(i, p.steps);
        writeScalePoints(out, core, index, values, n);
    }
}

void writeControlPort(std::ostream& out, PluginCore& core, int index) {
    const ParamInfo& p = kParams[index];
    out << "    a lv2:InputPort, lv2:ControlPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol \"" << portSymbol(index) << "\" ;\n"
        << "        lv2:name " << quoted(p.name) << " ;\n"
        << "        lv2:default " << number(portValue(index, static_cast<float>(p.preset0)))
        << " ;\n"
        << "        lv2:minimum 0.0 ;\n"
        << "        lv2:maximum 1.0 ;\n";
    writeControlProperties(out, core, index);
}

void writeAudioPort(std::ostream& out, int index, bool input, const char* symbol,
                    const char* name, bool sideChain) {
    out << "    a lv2:" << (input ? "InputPort" : "OutputPort") << ", lv2:AudioPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol \"" << symbol << "\" ;\n"
        << "        lv2:name \"" << name << "\" ;\n";
    if (sideChain) out << "        lv2:portProperty lv2:isSideChain, lv2:connectionOptional ;\n";
}

void writeEventPort(std::ostream& out) {
    out << "    a lv2:InputPort, atom:AtomPort ;\n"
        << "        lv2:index " << kEventsIn << " ;\n"
        << "        lv2:symbol \"events\" ;\n"
        << "        lv2:name \"Events\" ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent, time:Position ;\n"
        << "        lv2:designation lv2:control ;\n"
        << "        lv2:portProperty lv2:connectionOptional ;\n";
}

// The editor in the host's X window. It needs the instance itself (meters, readout and
// the preset store live there; every host here offers it), and the host's idle calls
// (its only clock); a host that cannot resize or touch still gets a working editor.
void writeUiDescription(std::ostream& out) {
    out << "\n<" << kUiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent, ui:idleInterface,\n"
        << "        <http://lv2plug.in/ns/ext/instance-access> ;\n"
        << "    lv2:optionalFeature ui:resize, ui:touch, ui:noUserResize ;\n"
        << "    lv2:extensionData ui:idleInterface .\n";
}

}  // namespace

void writeManifest(std::ostream& out) {
    out << kPrefixes;
    out << "<" << kPluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << kBinary
        << "> ;\n    rdfs:seeAlso <Lumdel.ttl> .\n\n";
    out << "<" << kUiUri << ">\n    a ui:X11UI ;\n    ui:binary <" << kUiBinary
        << "> ;\n    rdfs:seeAlso <Lumdel.ttl> .\n\n";
    for (int i = 0; i < 61; ++i) {
        out << presetUri(i) << "\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri
            << "> ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
}

void writePluginDescription(std::ostream& out) {
    NoHost host;
    PluginCore core(host);
    out << kPrefixes << "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n\n";
    out << "<" << kPluginUri << ">\n"
        << "    a lv2:Plugin, lv2:DelayPlugin ;\n"
        << "    doap:name \"Lumdel\" ;\n"
        << "    doap:maintainer [ foaf:name \"Orvtone\" ] ;\n"
        << "    lv2:project [ doap:name \"Lumdel\" ] ;\n"
        << "    lv2:minorVersion 0 ;\n    lv2:microVersion 0 ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable, urid:map ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << "    ui:ui <" << kUiUri << "> ;\n"
        << "    lv2:port [\n";
    for (int i = 0; i < kNumParams; ++i) {
        writeControlPort(out, core, i);
        out << "    ] , [\n";
    }
    writeAudioPort(out, kFirstAudioIn, true, "in_l", "In L", false);
    out << "    ] , [\n";
    writeAudioPort(out, kFirstAudioIn + 1, true, "in_r", "In R", false);
    out << "    ] , [\n";
    writeAudioPort(out, kFirstSideChainIn, true, "sc_l", "Side chain L", true);
    out << "    ] , [\n";
    writeAudioPort(out, kFirstSideChainIn + 1, true, "sc_r", "Side chain R", true);
    out << "    ] , [\n";
    writeAudioPort(out, kFirstAudioOut, false, "out_l", "Out L", false);
    out << "    ] , [\n";
    writeAudioPort(out, kFirstAudioOut + 1, false, "out_r", "Out R", false);
    out << "    ] , [\n";
    writeEventPort(out);
    out << "    ] .\n";
    writeUiDescription(out);
}

void writePresets(std::ostream& out) {
    out << kPrefixes;
    for (int i = 0; i < 61; ++i) {
        const FactoryPreset& preset = kFactoryPresets[i];
        float v[kNumParams];
        for (int p = 0; p < kNumParams; ++p) v[p] = static_cast<float>(preset.values[p]);
        // The legacy switches act when a preset is applied; the preset carries what
        // they leave heard instead of the switches themselves.
        if (v[kLegacyDrive] < 0.5f) v[kDrive] = 0.0f;
        if (v[kLegacyCutfMod] < 0.5f) v[kCutfMod] = 0.5f;
        out << presetUri(i) << "\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri
            << "> ;\n    rdfs:label " << quoted(preset.name) << " ;\n    lv2:port ";
        bool first = true;
        for (int p = 0; p < kNumParams; ++p) {
            if (kParams[p].kind == ParamKind::Legacy) continue;
            out << (first ? "" : " , ") << "[\n        lv2:symbol \"" << portSymbol(p)
                << "\" ;\n        pset:value " << number(portValue(p, v[p])) << "\n    ]";
            first = false;
        }
        out << " .\n\n";
    }
}

}  // namespace lumdel::lv2
