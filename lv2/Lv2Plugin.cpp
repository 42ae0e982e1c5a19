#include "Lv2Plugin.h"

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>

namespace lumdel::lv2 {

namespace {

const LV2_URID_Map* findMap(const LV2_Feature* const* features) {
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, LV2_URID__map) == 0)
            return static_cast<const LV2_URID_Map*>(features[i]->data);
    return nullptr;
}

// A number of an atom of any of the numeric types; false for anything else.
bool atomNumber(const LV2_Atom* atom, LV2_URID f, LV2_URID d, LV2_URID i, LV2_URID l,
                double& value) {
    if (!atom) return false;
    if (atom->type == f && atom->size >= sizeof(float))
        value = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
    else if (atom->type == d && atom->size >= sizeof(double))
        value = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
    else if (atom->type == i && atom->size >= sizeof(int32_t))
        value = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
    else if (atom->type == l && atom->size >= sizeof(int64_t))
        value = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
    else
        return false;
    return std::isfinite(value);
}

}  // namespace

Lv2Plugin* Lv2Plugin::create(double sampleRate, const LV2_Feature* const* features) noexcept {
    if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) return nullptr;
    const LV2_URID_Map* map = findMap(features);
    try {
        return new Lv2Plugin(sampleRate, map && map->map ? map : nullptr);
    } catch (...) {
        return nullptr;
    }
}

// The core, the factory bank and the stored defaults, preset 0 applied, the host's rate.
Lv2Plugin::Lv2Plugin(double sampleRate, const LV2_URID_Map* map)
    : mapped_(map != nullptr),
      plugin_(*this, SettingsStore()),
      sampleRate_(sampleRate),
      silence_(new float[kMaxPiece]()),
      sink_(new float[kMaxPiece]()) {
    auto urid = [map](const char* uri) { return map ? map->map(map->handle, uri) : 0; };
    uris_ = {urid(LV2_ATOM__Blank),           urid(LV2_ATOM__Object),
             urid(LV2_ATOM__Float),           urid(LV2_ATOM__Double),
             urid(LV2_ATOM__Int),             urid(LV2_ATOM__Long),
             urid(LV2_ATOM__Chunk),           urid(LV2_ATOM__Sequence),
             urid(LV2_MIDI__MidiEvent),       urid(LV2_TIME__Position),
             urid(LV2_TIME__bar),             urid(LV2_TIME__barBeat),
             urid(LV2_TIME__beatsPerBar),     urid(LV2_TIME__beatUnit),
             urid(LV2_TIME__beatsPerMinute),  urid(LV2_TIME__speed),
             urid(kChunkKey)};
    std::lock_guard<std::recursive_timed_mutex> lock(plugin_.core().engineLock());
    // The reverb's line positions exist before any preset is applied.
    plugin_.setParameter(kRvbType, 0.0f);
    plugin_.loadStoredDefaults();
    plugin_.setCurrentPreset(0);
    plugin_.core().placeTaps();
    plugin_.core().suspend();
    // The rate is fixed for the instance's life: installed now (a resume does it), the
    // values applied from here on derive their settings at the host's rate.
    plugin_.core().setSampleRate(static_cast<float>(sampleRate));
    plugin_.core().resume();
    plugin_.core().suspend();
    takePortValues();
}

// Waits for a running block before the engine goes.
Lv2Plugin::~Lv2Plugin() {
    std::lock_guard<std::recursive_timed_mutex> lock(plugin_.core().engineLock());
}

void Lv2Plugin::connectPort(uint32_t port, void* data) noexcept {
    if (port < static_cast<uint32_t>(kNumParams))
        controls_[port] = static_cast<const float*>(data);
    else if (port < static_cast<uint32_t>(kFirstAudioOut))
        audioIn_[port - kFirstAudioIn] = static_cast<const float*>(data);
    else if (port < static_cast<uint32_t>(kEventsIn))
        audioOut_[port - kFirstAudioOut] = static_cast<float*>(data);
    else if (port == static_cast<uint32_t>(kEventsIn))
        events_ = static_cast<const LV2_Atom_Sequence*>(data);
}

// The control ports the host set before activating (hosts connect them first) are
// applied, then a suspend puts smoothers and delay times at their targets, so the first
// block starts where the ports say instead of gliding there from the defaults.
void Lv2Plugin::activate() noexcept {
    try {
        timeValid_ = false;
        readControlPorts();
        plugin_.core().suspend();
        plugin_.core().resume();
    } catch (...) {
    }
}

void Lv2Plugin::deactivate() noexcept {
    try {
        plugin_.core().suspend();
    } catch (...) {
    }
}

void Lv2Plugin::takePortValues() {
    for (int i = 0; i < kNumParams; ++i) {
        // The legacy switches act on a change only: they start where the ports start.
        lastControl_[i] = kParams[i].kind == ParamKind::Legacy
                              ? static_cast<float>(kParams[i].preset0)
                              : plugin_.getParameter(i);
    }
}

// A port that arrives at the value its parameter holds already (an edit in the UI, which
// applied it at once and then wrote the port) changes nothing: applied again, a delay
// time would fade its line out and in a second time. The legacy switches act on every
// change of their port.
void Lv2Plugin::readControlPorts() {
    for (int i = 0; i < kNumParams; ++i) {
        if (!controls_[i]) continue;
        const float v = *controls_[i];
        if (v == lastControl_[i] || !std::isfinite(v)) continue;
        lastControl_[i] = v;
        if (kParams[i].kind != ParamKind::Legacy && v == plugin_.getParameter(i)) continue;
        plugin_.setParameter(i, v);
    }
}

void Lv2Plugin::readPosition(const LV2_Atom_Object* object) {
    const LV2_Atom *bar = nullptr, *barBeat = nullptr, *beatsPerBar = nullptr,
                   *beatUnit = nullptr, *bpm = nullptr, *speed = nullptr;
    lv2_atom_object_get(object, uris_.timeBar, &bar, uris_.timeBarBeat, &barBeat,
                        uris_.timeBeatsPerBar, &beatsPerBar, uris_.timeBeatUnit, &beatUnit,
                        uris_.timeBeatsPerMinute, &bpm, uris_.timeSpeed, &speed, 0);
    const Uris& u = uris_;
    auto number = [&u](const LV2_Atom* atom, double& value) {
        return atomNumber(atom, u.atomFloat, u.atomDouble, u.atomInt, u.atomLong, value);
    };
    double v = 0.0;
    if (number(bpm, v)) tempo_ = v;
    if (number(speed, v)) speed_ = v;
    double barIndex = 0.0, beat = 0.0, perBar = 4.0, unit = 4.0;
    if (number(bar, barIndex) && number(barBeat, beat)) {
        number(beatsPerBar, perBar);
        if (number(beatUnit, unit) && !(unit > 0.0)) unit = 4.0;
        quarters_ = (barIndex * perBar + beat) * 4.0 / unit;
    }
    timeValid_ = true;
}

void Lv2Plugin::readEvents() {
    if (!mapped_ || !events_ || events_->atom.type != uris_.atomSequence) return;
    LV2_ATOM_SEQUENCE_FOREACH(events_, ev) {
        const LV2_Atom& body = ev->body;
        if (body.type == uris_.midiEvent && body.size >= 3) {
            const auto* msg = reinterpret_cast<const uint8_t*>(&body + 1);
            if ((msg[0] & 0xF0) == 0xB0) plugin_.presets().controlChange(msg[1], msg[2]);
        } else if (body.type == uris_.atomObject || body.type == uris_.atomBlank) {
            const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&body);
            if (object->body.otype == uris_.timePosition) readPosition(object);
        }
    }
}

bool Lv2Plugin::hostTime(bool withPosition, HostTime& time) {
    if (!timeValid_) return false;
    time.tempo = tempo_;
    time.positionValid = withPosition;
    time.ppqPosition = quarters_;
    return true;
}

void Lv2Plugin::silenceOutputs(uint32_t frames) {
    for (float* out : audioOut_)
        if (out) std::memset(out, 0, frames * sizeof(float));
}

void Lv2Plugin::runPiece(uint32_t offset, uint32_t frames) {
    const float* in[4];
    for (int c = 0; c < 2; ++c) in[c] = audioIn_[c] ? audioIn_[c] + offset : silence_.get();
    // Without a side chain the ducking listens to the main input, as with two pins.
    for (int c = 2; c < 4; ++c) in[c] = audioIn_[c] ? audioIn_[c] + offset : in[c - 2];
    float* out[2];
    for (int c = 0; c < 2; ++c) out[c] = audioOut_[c] ? audioOut_[c] + offset : sink_.get();
    plugin_.core().process(const_cast<float**>(in), out, static_cast<int>(frames));
    if (timeValid_)
        quarters_ += frames / sampleRate_ * tempo_ / 60.0 * speed_;
}

// The whole run holds the engine lock: a UI attaches and detaches the editor, which the
// ports and events tell of a change, under it. A lock not obtained in time (never while
// only a UI opens or closes) gives a silent block.
void Lv2Plugin::run(uint32_t frames) noexcept {
    try {
        std::unique_lock<std::recursive_timed_mutex> lock(plugin_.core().engineLock(),
                                                          std::defer_lock);
        if (!lock.try_lock_for(std::chrono::milliseconds(1000))) {
            silenceOutputs(frames);
            return;
        }
        readControlPorts();
        readEvents();
        uint32_t done = 0;
        do {
            const uint32_t piece = frames - done < static_cast<uint32_t>(kMaxPiece)
                                       ? frames - done
                                       : static_cast<uint32_t>(kMaxPiece);
            runPiece(done, piece);
            done += piece;
        } while (done < frames);
    } catch (...) {
    }
}

LV2_State_Status Lv2Plugin::save(LV2_State_Store_Function store,
                                 LV2_State_Handle handle) noexcept {
    if (!mapped_) return LV2_STATE_ERR_NO_FEATURE;
    if (!store) return LV2_STATE_ERR_UNKNOWN;
    try {
        const unsigned char* chunk = plugin_.presets().makeChunk();
        return store(handle, uris_.chunkKey, chunk, PresetStore::kChunkSize, uris_.atomChunk,
                     LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status Lv2Plugin::restore(LV2_State_Retrieve_Function retrieve,
                                    LV2_State_Handle handle) noexcept {
    if (!mapped_) return LV2_STATE_ERR_NO_FEATURE;
    if (!retrieve) return LV2_STATE_ERR_UNKNOWN;
    try {
        size_t size = 0;
        uint32_t type = 0, flags = 0;
        const void* data = retrieve(handle, uris_.chunkKey, &size, &type, &flags);
        if (!data) return LV2_STATE_ERR_NO_PROPERTY;
        if (type != uris_.atomChunk) return LV2_STATE_ERR_BAD_TYPE;
        if (plugin_.presets().loadChunk(data, static_cast<std::int64_t>(size)) != 0)
            return LV2_STATE_ERR_UNKNOWN;
        takePortValues();
        return LV2_STATE_SUCCESS;
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

}  // namespace lumdel::lv2
