#include "Vst2Instance.h"

#include <cstring>

#include "Render.h"

namespace lumdel::host {

Vst2Instance::Vst2Instance(PluginLibrary::Entry entry, double sampleRate, int maxBlock) {
    host_.sampleRate = static_cast<float>(sampleRate);
    host_.blockSize = maxBlock;
    host_.load(entry);
}

Vst2Instance::Vst2Instance(std::unique_ptr<PluginLibrary> library, double sampleRate,
                           int maxBlock)
    : library_(std::move(library)) {
    host_.sampleRate = static_cast<float>(sampleRate);
    host_.blockSize = maxBlock;
    host_.load(*library_);
}

int Vst2Instance::parameterCount() { return host_.effect() ? host_.effect()->numParams : 0; }

bool Vst2Instance::assignController(int index, int controller) {
    // Lumdel takes assignments as pseudo-parameters numParams + i, valued (c + 0.5) / 129.
    host_.setParameter(parameterCount() + index, (controller + 0.5f) / 129.0f);
    return true;
}

void Vst2Instance::setTransport(bool available, double bpm, double quarters) {
    host_.timeInfoAvailable = available;
    host_.setTempo(bpm);
    host_.setPosition(quarters);
}

bool Vst2Instance::start(std::string& error) {
    if (!ok()) {
        error = host_.error();
        return false;
    }
    // A suspend first, so that new delay times are in place from the first sample.
    host_.suspend();
    host_.start();
    return true;
}

bool Vst2Instance::setSampleRate(double rate) {
    host_.sampleRate = static_cast<float>(rate);
    host_.timeInfo.sampleRate = rate;
    host_.dispatch(effSetSampleRate, 0, 0, nullptr, host_.sampleRate);
    return true;
}

void Vst2Instance::controlChanges(const std::vector<BlockControlChange>& events) {
    if (events.empty()) return;
    std::vector<VstMidiEvent> midi;
    for (const BlockControlChange& e : events)
        midi.push_back(Host::controlChange(e.channel, e.controller, e.value, e.frame));
    host_.sendMidi(midi);
}

void Vst2Instance::process(float** inputs, float** outputs, int frames) {
    host_.process(inputs, outputs, frames);
}

void Vst2Instance::processDouble(double** inputs, double** outputs, int frames) {
    host_.processDouble(inputs, outputs, frames);
}

int Vst2Instance::latency() { return host_.effect() ? host_.effect()->initialDelay : 0; }

long Vst2Instance::tailFrames() { return static_cast<long>(host_.dispatch(effGetTailSize)); }

std::vector<unsigned char> Vst2Instance::state() {
    void* data = nullptr;
    const VstIntPtr size = host_.dispatch(effGetChunk, 0, 0, &data);
    if (!data || size <= 0) return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

bool Vst2Instance::setState(const std::vector<unsigned char>& bytes) {
    std::vector<unsigned char> copy(bytes);
    return host_.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(copy.size()), copy.data()) == 0;
}

int Vst2Instance::presetCount() { return host::presetCount(host_); }

std::string Vst2Instance::presetName(int index) {
    char name[256] = {};
    host_.dispatch(effGetProgramNameIndexed, index, -1, name);
    return name;
}

bool Vst2Instance::selectPreset(int index, std::string& error) {
    return host::selectPreset(host_, index, error);
}

}  // namespace lumdel::host
