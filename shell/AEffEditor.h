// The host-facing side of a plug-in editor: what the dispatcher's editor opcodes
// reach. The toolkit's editor base derives from it; the effect owns one instance.
#pragma once

#include "vst2.h"

class AudioEffect;

// Key description of effEditKeyDown / effEditKeyUp: index is the character,
// value the virtual key code, opt the modifier bits.
struct VstKeyCode {
    VstInt32 character;
    unsigned char virt;
    unsigned char modifier;
};

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect_(effect) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual AudioEffect* getEffect() { return effect_; }
    // Host UI thread, any time: the window size the host should make room for.
    virtual bool getRect(ERect** rect) {
        *rect = nullptr;
        return false;
    }
    // Host UI thread: the host hands its parent window (an X window id here).
    virtual bool open(void* parentWindow) {
        systemWindow_ = parentWindow;
        return true;
    }
    // Host UI thread: the window goes away; the editor object stays.
    virtual void close() { systemWindow_ = nullptr; }
    virtual bool isOpen() { return systemWindow_ != nullptr; }
    // Host UI thread, regularly while the window is open.
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode&) { return false; }
    virtual bool onKeyUp(VstKeyCode&) { return false; }
    virtual bool onWheel(float) { return false; }
    virtual bool setKnobMode(VstInt32) { return false; }
    // Private extension for our own tools (effVendorSpecific with index 'LMDL'), such
    // as rendering the editor offscreen; hosts never send it. 0 when not understood.
    virtual VstIntPtr vendorSpecific(VstIntPtr, void*, float) { return 0; }

protected:
    AudioEffect* effect_;
    void* systemWindow_ = nullptr;
};
