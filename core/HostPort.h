// What the plug-in core needs from the host that runs it, whatever the host format.
// Each host adapter implements it and hands it to the core it creates.
#pragma once

namespace lumdel {

// The host's transport as the core uses it.
struct HostTime {
    double tempo = 0.0;         // BPM as the host sent it (the core checks it)
    bool positionValid = false;
    double ppqPosition = 0.0;   // quarter notes since the song start
};

class HostPort {
public:
    virtual ~HostPort() = default;
    // Audio thread (each block, position wanted) and UI thread (resume): the host's
    // tempo and position; false when the host gives no time record.
    virtual bool hostTime(bool withPosition, HostTime& time) = 0;
    // UI thread (resume): the host's output latency in samples, 0 if unknown.
    virtual long outputLatency() = 0;
    // UI thread (resume): whether the host connects this input (0..3) or output (0..1).
    virtual bool inputConnected(int pin) = 0;
    virtual bool outputConnected(int pin) = 0;
    // Any thread: a change the core makes itself (a legacy parameter resets another),
    // through the adapter's whole parameter path, the editor and the preset store
    // included.
    virtual void setParameter(int index, float value) = 0;
    // UI thread, while a preset is applied or renamed: programs and parameters changed,
    // the host should read them again (a host that shows none has nothing to do).
    virtual void presetsChanged() {}
};

}  // namespace lumdel
