// A host for the plug-in core alone: a fixed tempo with a position, every pin connected,
// and a change the core makes itself (the legacy switches) going straight back into it.
#pragma once

#include "core/HostPort.h"
#include "core/PluginCore.h"

class LoopbackHost : public lumdel::HostPort {
public:
    bool hostTime(bool, lumdel::HostTime& time) override {
        time.tempo = tempo;
        time.positionValid = true;
        return true;
    }
    long outputLatency() override { return 0; }
    bool inputConnected(int) override { return true; }
    bool outputConnected(int) override { return true; }
    void setParameter(int index, float value) override {
        if (core) core->applyParameter(index, value);
    }
    lumdel::PluginCore* core = nullptr;
    double tempo = 120.0;
};
