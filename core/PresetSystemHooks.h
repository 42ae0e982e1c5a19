// What the preset store tells the editor's preset strip. The strip's editor class
// implements this interface and registers itself with the store (PresetStore::setHooks),
// so the store works the same with no editor or with an editor without a strip.
#pragma once

class PresetSystemHooks {
public:
    virtual ~PresetSystemHooks() = default;

    // Host UI thread: the current preset was renamed by the host; name is the stored
    // name (24 bytes, NUL-terminated copy).
    virtual void presetNameChanged(const char* name) = 0;
    // Editor or audio thread (a learned controller ends learn mode): turn the learn
    // button off.
    virtual void midiLearnStopped() = 0;
    // Any thread that touches a parameter: turn the unlearn button off.
    virtual void midiUnlearnStopped() = 0;
};
