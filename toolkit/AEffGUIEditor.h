// The editor base of a plug-in built on this toolkit: the host-facing editor
// (AEffEditor) joined with what the frame needs (VSTGUIEditorInterface).
#pragma once

#include <cstdint>

#include "CFrame.h"
#include "shell/AEffEditor.h"

class AudioEffectX;

// Requests of our own tools through effVendorSpecific (index 'LMDL'; value selects
// the request). Hosts never send them. See toolkit/README.md.
namespace lumdel::editor_request {
constexpr VstIntPtr kOpenOffscreen = vstFourCC('O', 'f', 'f', 's');  // -> 1 when open
constexpr VstIntPtr kScreenshot = vstFourCC('S', 'h', 'o', 't');     // ptr: PNG path -> 1
constexpr VstIntPtr kMouse = vstFourCC('M', 'o', 'u', 's');          // ptr: MouseEvent* -> answer+1
constexpr VstIntPtr kIsOffscreen = vstFourCC('O', 'f', 'f', '?');    // -> 1 when offscreen

struct MouseEvent {
    std::int32_t kind;     // 0 down, 1 up, 2 moved, 3 wheel, 4 left the window
    std::int32_t buttons;  // CButtonState bits
    double x, y;           // frame coordinates
    float distance;        // wheel notches
};
}  // namespace lumdel::editor_request

class AEffGUIEditor : public AEffEditor, public VSTGUIEditorInterface {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    // Host UI thread: the editor rectangle (set `rect` in the constructor).
    bool getRect(ERect** rect) override;
    // Host UI thread: checks the parent window and stores it; false without a display,
    // with a null parent, a parent that does not exist, or while already open. A
    // derived editor calls it first and then builds `frame` with the same pointer.
    // While an offscreen open runs (vendor request), a null parent is accepted and
    // the frame draws offscreen.
    bool open(void* parentWindow) override;
    // Host UI thread: forgets the window. The derived editor closes its frame first.
    void close() override;
    bool isOpen() override { return open_; }
    // Host UI thread, and the editor's timer: the frame's idle (window events,
    // redraw of dirty views).
    void idle() override;
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;
    // Wheel at the current mouse position.
    bool onWheel(float distance) override;
    // Stores the global knob mode (kCircularMode, kRelativCircularMode, kLinearMode).
    bool setKnobMode(VstInt32 mode) override;
    VstIntPtr vendorSpecific(VstIntPtr value, void* ptr, float opt) override;

    // Parameter change from the effect (any thread); the editor updates its control.
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual void draw(ERect*) {}

    // VSTGUIEditorInterface: the host's automation bracket for parameter indices of
    // the effect; tags that are no parameter index are not passed on.
    void beginEdit(std::int32_t index) override;
    void endEdit(std::int32_t index) override;
    std::int32_t getKnobMode() const override { return knobMode; }
    void doIdleStuff() override {}

    CFrame* getFrame() const { return frame; }
    bool isOffscreen() const { return offscreen_; }
    // Milliseconds of a monotonic clock (wraps after 49 days).
    static std::uint32_t getTicks();
    // Sleeps ms milliseconds.
    static void wait(std::uint32_t ms);

    static VstInt32 knobMode;

protected:
    ERect rect{0, 0, 0, 0};
    CFrame* frame = nullptr;

private:
    bool open_ = false;
    bool offscreen_ = false;
    bool offscreenRequest_ = false;
};
