// The delay effect as an LV2 plug-in: owns one lumdel::Plugin, serves it as its HostPort,
// reads the control ports into the one parameter path, turns MIDI controllers and
// time:Position of the event port into store calls and host time, and saves and
// restores the whole chunk through the state extension.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <memory>

#include "Lv2Names.h"
#include "core/HostPort.h"
#include "core/Plugin.h"

namespace lumdel::lv2 {

class Lv2Plugin : private HostPort {
public:
    // The longest piece of a host block run at once (longer blocks are run in pieces).
    static constexpr int kMaxPiece = 2048;

    // Host's instantiation thread: null for a rate that is not positive and finite, or
    // when memory runs out. A host without urid:map gets the plug-in without events and
    // state (some pass no features at all).
    static Lv2Plugin* create(double sampleRate, const LV2_Feature* const* features) noexcept;
    Lv2Plugin(double sampleRate, const LV2_URID_Map* map);
    ~Lv2Plugin() override;

    // Any thread but the audio one, between run calls or not (LV2 allows both): the
    // port's buffer; an index outside the ports is ignored.
    void connectPort(uint32_t port, void* data) noexcept;
    // Host's instantiation thread: the engine's lifecycle.
    void activate() noexcept;
    void deactivate() noexcept;
    // Host audio thread: changed control ports, then the events, then the block, all
    // under the engine lock.
    void run(uint32_t frames) noexcept;
    // Host's instantiation thread (never beside run): the whole chunk under one key.
    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle) noexcept;
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve,
                             LV2_State_Handle handle) noexcept;

    // Any thread: the plug-in itself, which the UI reaches through instance-access.
    Plugin& plugin() { return plugin_; }

private:
    struct Uris {
        LV2_URID atomBlank, atomObject, atomFloat, atomDouble, atomInt, atomLong, atomChunk,
            atomSequence, midiEvent, timePosition, timeBar, timeBarBeat, timeBeatsPerBar,
            timeBeatUnit, timeBeatsPerMinute, timeSpeed, chunkKey;
    };

    // HostPort.
    bool hostTime(bool withPosition, HostTime& time) override;
    long outputLatency() override { return 0; }
    bool inputConnected(int) override { return true; }
    bool outputConnected(int) override { return true; }
    void setParameter(int index, float value) override { plugin_.setParameter(index, value); }

    void readControlPorts();
    void readEvents();
    void readPosition(const LV2_Atom_Object* object);
    // The control ports' values as the parameters now hold them, so that only a port the
    // host moves afterwards changes a parameter.
    void takePortValues();
    void runPiece(uint32_t offset, uint32_t frames);
    void silenceOutputs(uint32_t frames);

    // Whether the host maps URIs: without it the URIDs are all 0 and events and state
    // are left alone (lv2apply even connects the event port to a float).
    bool mapped_;
    Uris uris_ = {};
    Plugin plugin_;
    double sampleRate_;
    const float* controls_[kNumParams] = {};
    float lastControl_[kNumParams];
    const float* audioIn_[4] = {};
    float* audioOut_[2] = {};
    const LV2_Atom_Sequence* events_ = nullptr;
    // Silence for a missing input, a sink for a missing output.
    std::unique_ptr<float[]> silence_, sink_;
    // The host's transport as the last time:Position left it, moved on by each block.
    bool timeValid_ = false;
    double tempo_ = 120.0, speed_ = 0.0, quarters_ = 0.0;
};

}  // namespace lumdel::lv2
