// The LV2 loader behind PluginInstance, on Debian's lilv: loads one bundle, maps URIDs,
// connects the ports (control inputs are the parameters in port order; side-chain audio
// inputs by lv2:isSideChain), writes MIDI controllers and time:Position into the atom
// input, saves and restores state through the state interface, and selects a preset by
// applying the bundle's pset:Preset as hosts do.
#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "Lv2Urids.h"
#include "PluginInstance.h"

namespace lumdel::host {

namespace {

constexpr size_t kEventCapacity = 16384;
// The key under which the harness keeps a control port's value in a state it returns.
constexpr const char* kPortKey = "urn:lumdel-host:port#";
constexpr const char* kRdfsLabel = "http://www.w3.org/2000/01/rdf-schema#label";

struct Node {
    explicit Node(LilvNode* n) : node(n) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    LilvNode* node;
};

class Lv2Instance : public PluginInstance {
public:
    Lv2Instance(double sampleRate, int maxBlock) : rate_(sampleRate), maxBlock_(maxBlock) {}
    ~Lv2Instance() override;
    bool load(const std::string& path, std::string& error);

    Format format() const override { return Format::Lv2; }
    std::string name() override;
    int parameterCount() override { return static_cast<int>(controlPorts_.size()); }
    std::string parameterName(int index) override;
    float parameter(int index) override;
    void setParameter(int index, float value) override;
    void setTransport(bool available, double bpm, double quarters) override;
    bool start(std::string& error) override;
    void stop() override;
    void controlChanges(const std::vector<BlockControlChange>& events) override;
    void process(float** inputs, float** outputs, int frames) override;
    std::vector<unsigned char> state() override;
    bool setState(const std::vector<unsigned char>& bytes) override;
    int presetCount() override { return static_cast<int>(presets_.size()); }
    std::string presetName(int index) override;
    bool selectPreset(int index, std::string& error) override;

private:
    bool findPlugin(const std::string& path, std::string& error);
    void classifyPorts();
    void writeEvents();
    void writePosition();
    static void setPortValue(const char* symbol, void* user, const void* value, uint32_t size,
                             uint32_t type);

    double rate_;
    int maxBlock_;
    LilvWorld* world_ = lilv_world_new();
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    const LV2_State_Interface* stateInterface_ = nullptr;
    Urids urids_;
    LV2_Feature mapFeature_{LV2_URID__map, urids_.mapHandle()};
    LV2_Feature unmapFeature_{LV2_URID__unmap, urids_.unmapHandle()};
    const LV2_Feature* features_[3] = {&mapFeature_, &unmapFeature_, nullptr};
    bool active_ = false;

    std::vector<float> portValues_;       // every control port, inputs and outputs
    std::vector<uint32_t> controlPorts_;  // the control inputs: the parameters
    std::vector<int> audioIn_, sideIn_, audioOut_;
    std::vector<uint32_t> otherPorts_;    // CV and the like: connected to scratch
    int eventPort_ = -1;
    std::vector<std::string> presets_;    // preset URIs, sorted
    std::vector<float> silence_, sink_;
    alignas(8) unsigned char events_[kEventCapacity];
    LV2_Atom_Forge forge_{};
    std::vector<BlockControlChange> pending_;
    // The URIDs of the block's events, mapped once (a lookup per block would allocate).
    struct {
        LV2_URID midiEvent, position, bar, barBeat, beatsPerBar, beatUnit, bpm, speed;
    } ids_{};
    bool transport_ = true, positionDue_ = true;
    double bpm_ = 120.0, quarters_ = 0.0;
};

Lv2Instance::~Lv2Instance() {
    stop();
    if (instance_) lilv_instance_free(instance_);
    lilv_world_free(world_);
}

bool Lv2Instance::findPlugin(const std::string& path, std::string& error) {
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) {
        error = "no LV2 bundle at " + path;
        return false;
    }
    std::string dir = std::string(resolved) + "/";
    Node bundle(lilv_new_file_uri(world_, nullptr, dir.c_str()));
    lilv_world_load_specifications(world_);
    lilv_world_load_plugin_classes(world_);
    lilv_world_load_bundle(world_, bundle.node);
    const LilvPlugins* plugins = lilv_world_get_all_plugins(world_);
    LILV_FOREACH(plugins, i, plugins) {
        const LilvPlugin* p = lilv_plugins_get(plugins, i);
        if (lilv_node_equals(lilv_plugin_get_bundle_uri(p), bundle.node)) {
            plugin_ = p;
            return true;
        }
    }
    error = "no LV2 plug-in in the bundle " + path;
    return false;
}

bool Lv2Instance::load(const std::string& path, std::string& error) {
    if (!world_ || !findPlugin(path, error)) return false;
    classifyPorts();
    Node presetClass(lilv_new_uri(world_, LV2_PRESETS__Preset));
    LilvNodes* related = lilv_plugin_get_related(plugin_, presetClass.node);
    LILV_FOREACH(nodes, i, related) presets_.push_back(lilv_node_as_uri(lilv_nodes_get(related, i)));
    lilv_nodes_free(related);
    std::sort(presets_.begin(), presets_.end());
    instance_ = lilv_plugin_instantiate(plugin_, rate_, features_);
    if (!instance_) {
        error = "the LV2 plug-in refused to be instantiated";
        return false;
    }
    stateInterface_ = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
    // Room for blocks past the announced size too (the validator sends twice as many).
    silence_.assign(static_cast<size_t>(std::max(16384, 2 * maxBlock_)), 0.0f);
    sink_ = silence_;
    for (uint32_t p = 0; p < portValues_.size(); ++p) {
        if (std::find(otherPorts_.begin(), otherPorts_.end(), p) != otherPorts_.end())
            lilv_instance_connect_port(instance_, p, sink_.data());
        else
            lilv_instance_connect_port(instance_, p, &portValues_[p]);
    }
    lv2_atom_forge_init(&forge_, urids_.mapHandle());
    ids_ = {urids_.map(LV2_MIDI__MidiEvent), urids_.map(LV2_TIME__Position),
            urids_.map(LV2_TIME__bar), urids_.map(LV2_TIME__barBeat),
            urids_.map(LV2_TIME__beatsPerBar), urids_.map(LV2_TIME__beatUnit),
            urids_.map(LV2_TIME__beatsPerMinute), urids_.map(LV2_TIME__speed)};
    pending_.reserve(256);
    writeEvents();
    return true;
}

// Control ports get their default; audio, atom and control ports are sorted into their
// roles; anything else gets a scratch buffer.
void Lv2Instance::classifyPorts() {
    const uint32_t count = lilv_plugin_get_num_ports(plugin_);
    portValues_.assign(count, 0.0f);
    std::vector<float> defaults(count, NAN);
    lilv_plugin_get_port_ranges_float(plugin_, nullptr, nullptr, defaults.data());
    Node input(lilv_new_uri(world_, LV2_CORE__InputPort));
    Node control(lilv_new_uri(world_, LV2_CORE__ControlPort));
    Node audio(lilv_new_uri(world_, LV2_CORE__AudioPort));
    Node atom(lilv_new_uri(world_, LV2_ATOM__AtomPort));
    Node side(lilv_new_uri(world_, LV2_CORE_PREFIX "isSideChain"));
    for (uint32_t p = 0; p < count; ++p) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, p);
        const bool in = lilv_port_is_a(plugin_, port, input.node);
        if (lilv_port_is_a(plugin_, port, control.node)) {
            portValues_[p] = std::isfinite(defaults[p]) ? defaults[p] : 0.0f;
            if (in) controlPorts_.push_back(p);
        } else if (lilv_port_is_a(plugin_, port, audio.node)) {
            const bool sc = lilv_port_has_property(plugin_, port, side.node);
            (in ? (sc ? sideIn_ : audioIn_) : audioOut_).push_back(static_cast<int>(p));
        } else if (lilv_port_is_a(plugin_, port, atom.node) && in && eventPort_ < 0) {
            eventPort_ = static_cast<int>(p);
        } else {
            otherPorts_.push_back(p);
        }
    }
}

std::string Lv2Instance::name() {
    LilvNode* n = lilv_plugin_get_name(plugin_);
    std::string text = n ? lilv_node_as_string(n) : "";
    lilv_node_free(n);
    return text;
}

std::string Lv2Instance::parameterName(int index) {
    if (index < 0 || index >= parameterCount()) return "";
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, controlPorts_[index]);
    LilvNode* n = lilv_port_get_name(plugin_, port);
    std::string text = n ? lilv_node_as_string(n) : "";
    lilv_node_free(n);
    return text;
}

float Lv2Instance::parameter(int index) {
    return index >= 0 && index < parameterCount() ? portValues_[controlPorts_[index]] : 0.0f;
}

void Lv2Instance::setParameter(int index, float value) {
    if (index >= 0 && index < parameterCount()) portValues_[controlPorts_[index]] = value;
}

void Lv2Instance::setTransport(bool available, double bpm, double quarters) {
    transport_ = available;
    bpm_ = bpm;
    quarters_ = quarters;
    positionDue_ = true;
}

bool Lv2Instance::start(std::string& error) {
    if (!instance_) {
        error = "the LV2 plug-in is not loaded";
        return false;
    }
    stop();
    lilv_instance_activate(instance_);
    active_ = true;
    positionDue_ = true;
    return true;
}

void Lv2Instance::stop() {
    if (instance_ && active_) lilv_instance_deactivate(instance_);
    active_ = false;
}

// Tempo and position as bar, beat in the bar (4/4) and speed, as hosts send them when
// the transport changes; the plug-in moves the position on by itself from there.
void Lv2Instance::writePosition() {
    const double bar = std::floor(quarters_ / 4.0);
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_frame_time(&forge_, 0);
    lv2_atom_forge_object(&forge_, &frame, 0, ids_.position);
    lv2_atom_forge_key(&forge_, ids_.bar);
    lv2_atom_forge_long(&forge_, static_cast<int64_t>(bar));
    lv2_atom_forge_key(&forge_, ids_.barBeat);
    lv2_atom_forge_float(&forge_, static_cast<float>(quarters_ - 4.0 * bar));
    lv2_atom_forge_key(&forge_, ids_.beatsPerBar);
    lv2_atom_forge_float(&forge_, 4.0f);
    lv2_atom_forge_key(&forge_, ids_.beatUnit);
    lv2_atom_forge_int(&forge_, 4);
    lv2_atom_forge_key(&forge_, ids_.bpm);
    lv2_atom_forge_float(&forge_, static_cast<float>(bpm_));
    lv2_atom_forge_key(&forge_, ids_.speed);
    lv2_atom_forge_float(&forge_, 1.0f);
    lv2_atom_forge_pop(&forge_, &frame);
}

void Lv2Instance::controlChanges(const std::vector<BlockControlChange>& events) {
    pending_.insert(pending_.end(), events.begin(), events.end());
}

// The block's events: the position first (when it changed), then the control changes.
void Lv2Instance::writeEvents() {
    lv2_atom_forge_set_buffer(&forge_, events_, sizeof events_);
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge_, &sequence, 0);
    if (positionDue_ && transport_) writePosition();
    positionDue_ = false;
    const LV2_URID midi = ids_.midiEvent;
    for (const BlockControlChange& e : pending_) {
        const uint8_t msg[3] = {static_cast<uint8_t>(0xB0 | (e.channel & 0x0F)),
                                static_cast<uint8_t>(e.controller & 0x7F),
                                static_cast<uint8_t>(e.value & 0x7F)};
        if (!lv2_atom_forge_frame_time(&forge_, std::max(0, e.frame))) break;
        lv2_atom_forge_atom(&forge_, 3, midi);
        lv2_atom_forge_write(&forge_, msg, 3);
    }
    pending_.clear();
    lv2_atom_forge_pop(&forge_, &sequence);
}

void Lv2Instance::process(float** inputs, float** outputs, int frames) {
    if (!instance_ || frames < 0) return;
    writeEvents();
    auto connect = [this](const std::vector<int>& ports, float** buffers, int first,
                          float* spare) {
        for (size_t k = 0; k < ports.size(); ++k)
            lilv_instance_connect_port(instance_, static_cast<uint32_t>(ports[k]),
                                       k < 2 ? buffers[first + k] : spare);
    };
    connect(audioIn_, inputs, 0, silence_.data());
    connect(sideIn_, inputs, 2, silence_.data());
    connect(audioOut_, outputs, 0, sink_.data());
    if (eventPort_ >= 0) lilv_instance_connect_port(instance_, eventPort_, events_);
    lilv_instance_run(instance_, static_cast<uint32_t>(frames));
    if (transport_) quarters_ += frames / rate_ * bpm_ / 60.0;
}

// State as the records the plug-in stored: key URI, type URI, flags and the value's
// bytes, each string and value preceded by its length (4 bytes, host order).
namespace {
struct StateRecords {
    Urids* urids;
    std::vector<unsigned char> bytes;
    std::map<LV2_URID, std::pair<LV2_URID, std::vector<unsigned char>>> read;
};

void putBytes(std::vector<unsigned char>& out, const void* data, uint32_t size) {
    const auto* n = reinterpret_cast<const unsigned char*>(&size);
    out.insert(out.end(), n, n + 4);
    const auto* d = static_cast<const unsigned char*>(data);
    out.insert(out.end(), d, d + size);
}

bool takeBytes(const std::vector<unsigned char>& in, size_t& at,
               std::vector<unsigned char>& value) {
    uint32_t size = 0;
    if (in.size() - at < 4) return false;
    std::memcpy(&size, in.data() + at, 4);
    at += 4;
    if (in.size() - at < size) return false;
    value.assign(in.begin() + at, in.begin() + at + size);
    at += size;
    return true;
}

LV2_State_Status storeRecord(LV2_State_Handle handle, uint32_t key, const void* value,
                             size_t size, uint32_t type, uint32_t flags) {
    auto* records = static_cast<StateRecords*>(handle);
    const char* keyUri = records->urids->unmap(key);
    const char* typeUri = records->urids->unmap(type);
    if (!keyUri || !typeUri || !value || size > UINT32_MAX) return LV2_STATE_ERR_UNKNOWN;
    putBytes(records->bytes, keyUri, static_cast<uint32_t>(std::strlen(keyUri)));
    putBytes(records->bytes, typeUri, static_cast<uint32_t>(std::strlen(typeUri)));
    putBytes(records->bytes, &flags, 4);
    putBytes(records->bytes, value, static_cast<uint32_t>(size));
    return LV2_STATE_SUCCESS;
}

const void* retrieveRecord(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                           uint32_t* flags) {
    auto* records = static_cast<StateRecords*>(handle);
    auto it = records->read.find(key);
    if (it == records->read.end()) return nullptr;
    if (size) *size = it->second.second.size();
    if (type) *type = it->second.first;
    if (flags) *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return it->second.second.data();
}
}  // namespace

// The control inputs' values first (as hosts keep them beside the plug-in's state), each
// under kPortKey + its index, then what the state interface stores.
std::vector<unsigned char> Lv2Instance::state() {
    StateRecords records{&urids_, {}, {}};
    for (size_t k = 0; k < controlPorts_.size(); ++k)
        storeRecord(&records, urids_.map((kPortKey + std::to_string(controlPorts_[k])).c_str()),
                    &portValues_[controlPorts_[k]], sizeof(float), urids_.map(LV2_ATOM__Float), 0);
    if (stateInterface_ && stateInterface_->save &&
        stateInterface_->save(lilv_instance_get_handle(instance_), storeRecord, &records,
                              LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features_) !=
            LV2_STATE_SUCCESS)
        return {};
    return records.bytes;
}

bool Lv2Instance::setState(const std::vector<unsigned char>& bytes) {
    StateRecords records{&urids_, {}, {}};
    std::vector<std::pair<uint32_t, float>> ports;
    for (size_t at = 0; at < bytes.size();) {
        std::vector<unsigned char> key, type, flags, value;
        if (!takeBytes(bytes, at, key) || !takeBytes(bytes, at, type) ||
            !takeBytes(bytes, at, flags) || !takeBytes(bytes, at, value))
            return false;
        const std::string keyUri(key.begin(), key.end());
        if (keyUri.compare(0, std::strlen(kPortKey), kPortKey) == 0) {
            const unsigned long port = std::strtoul(keyUri.c_str() + std::strlen(kPortKey), nullptr, 10);
            float v = 0.0f;
            if (port >= portValues_.size() || value.size() != sizeof v) return false;
            std::memcpy(&v, value.data(), sizeof v);
            ports.emplace_back(static_cast<uint32_t>(port), v);
            continue;
        }
        records.read[urids_.map(keyUri.c_str())] = {
            urids_.map(std::string(type.begin(), type.end()).c_str()), value};
    }
    // As lilv restores a state: the port values, then the plug-in's own.
    for (const auto& p : ports) portValues_[p.first] = p.second;
    if (records.read.empty()) return true;
    if (!stateInterface_ || !stateInterface_->restore) return false;
    return stateInterface_->restore(lilv_instance_get_handle(instance_), retrieveRecord,
                                    &records, 0, features_) == LV2_STATE_SUCCESS;
}

std::string Lv2Instance::presetName(int index) {
    if (index < 0 || index >= presetCount()) return "";
    Node preset(lilv_new_uri(world_, presets_[index].c_str()));
    Node label(lilv_new_uri(world_, kRdfsLabel));
    lilv_world_load_resource(world_, preset.node);
    LilvNode* value = lilv_world_get(world_, preset.node, label.node, nullptr);
    std::string text = value ? lilv_node_as_string(value) : "";
    lilv_node_free(value);
    return text;
}

void Lv2Instance::setPortValue(const char* symbol, void* user, const void* value,
                               uint32_t size, uint32_t type) {
    auto* self = static_cast<Lv2Instance*>(user);
    Node sym(lilv_new_string(self->world_, symbol));
    const LilvPort* port = lilv_plugin_get_port_by_symbol(self->plugin_, sym.node);
    if (!port || size != sizeof(float) || type != self->urids_.map(LV2_ATOM__Float)) return;
    std::memcpy(&self->portValues_[lilv_port_get_index(self->plugin_, port)], value, 4);
}

bool Lv2Instance::selectPreset(int index, std::string& error) {
    if (index < 0 || index >= presetCount()) {
        error = "no such preset";
        return false;
    }
    Node preset(lilv_new_uri(world_, presets_[index].c_str()));
    lilv_world_load_resource(world_, preset.node);
    LilvState* state = lilv_state_new_from_world(world_, urids_.mapHandle(), preset.node);
    if (!state) {
        error = "cannot read the LV2 preset " + presets_[index];
        return false;
    }
    lilv_state_restore(state, instance_, &Lv2Instance::setPortValue, this, 0, features_);
    lilv_state_free(state);
    return true;
}

}  // namespace

std::unique_ptr<PluginInstance> openLv2(const std::string& path, double sampleRate,
                                        int maxBlock, std::string& error) {
    auto instance = std::make_unique<Lv2Instance>(sampleRate, maxBlock);
    if (!instance->load(path, error)) return nullptr;
    return instance;
}

}  // namespace lumdel::host
