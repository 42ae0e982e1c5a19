// The VST 2.4 loader behind PluginInstance: the harness's Host around one effect.
#pragma once

#include <memory>
#include <string>

#include "Host.h"
#include "PluginInstance.h"

namespace lumdel::host {

class Vst2Instance : public PluginInstance {
public:
    // Loads the effect of entry (a library's or an in-process one) at the rate and block.
    Vst2Instance(PluginLibrary::Entry entry, double sampleRate, int maxBlock);
    // The same, keeping the library loaded as long as the instance.
    Vst2Instance(std::unique_ptr<PluginLibrary> library, double sampleRate, int maxBlock);
    bool ok() const { return host_.effect() != nullptr; }
    const std::string& error() const { return host_.error(); }
    Host& host() { return host_; }

    Format format() const override { return Format::Vst2; }
    std::string name() override { return host_.effectName(); }
    int parameterCount() override;
    std::string parameterName(int index) override { return host_.parameterName(index); }
    float parameter(int index) override { return host_.getParameter(index); }
    void setParameter(int index, float value) override { host_.setParameter(index, value); }
    bool assignController(int index, int controller) override;
    void setTransport(bool available, double bpm, double quarters) override;
    bool start(std::string& error) override;
    void stop() override { host_.suspend(); }
    bool setSampleRate(double rate) override;
    void controlChanges(const std::vector<BlockControlChange>& events) override;
    void process(float** inputs, float** outputs, int frames) override;
    void processDouble(double** inputs, double** outputs, int frames) override;
    int latency() override;
    long tailFrames() override;
    std::vector<unsigned char> state() override;
    bool setState(const std::vector<unsigned char>& bytes) override;
    int presetCount() override;
    std::string presetName(int index) override;
    bool selectPreset(int index, std::string& error) override;

private:
    std::unique_ptr<PluginLibrary> library_;
    Host host_;
};

}  // namespace lumdel::host
