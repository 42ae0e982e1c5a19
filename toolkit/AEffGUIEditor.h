// The editor base of a plug-in built on this toolkit, whatever its host format: the
// window operations a host adapter forwards (rectangle, open, close, idle, keys, wheel,
// knob mode, the tools' requests) joined with what the frame needs
// (VSTGUIEditorInterface). A host adapter wraps it for its format's editor calls and
// receives the automation bracket through CEditorHost.
#pragma once

#include <cstdint>

#include "CFrame.h"

// Requests of our own tools through the adapter's private channel (value selects the
// request). Hosts never send them. See toolkit/README.md.
namespace lumdel::editor_request {
constexpr std::intptr_t fourCC(char a, char b, char c, char d) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                     static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}
constexpr std::intptr_t kOpenOffscreen = fourCC('O', 'f', 'f', 's');  // -> 1 when open
constexpr std::intptr_t kScreenshot = fourCC('S', 'h', 'o', 't');     // ptr: PNG path -> 1
constexpr std::intptr_t kMouse = fourCC('M', 'o', 'u', 's');          // ptr: MouseEvent* -> answer+1
constexpr std::intptr_t kIsOffscreen = fourCC('O', 'f', 'f', '?');    // -> 1 when offscreen

struct MouseEvent {
    std::int32_t kind;     // 0 down, 1 up, 2 moved, 3 wheel, 4 left the window
    std::int32_t buttons;  // CButtonState bits
    double x, y;           // frame coordinates
    float distance;        // wheel notches
};
}  // namespace lumdel::editor_request

// What an editor needs from the adapter that hosts it: the host's automation bracket
// of a control's tag (the adapter passes on only tags that are parameter indices), and
// a new size of the host's window when the editor's scale changed while open.
class CEditorHost {
public:
    virtual ~CEditorHost() = default;
    virtual void beginEdit(std::int32_t tag) = 0;
    virtual void endEdit(std::int32_t tag) = 0;
    // Editor thread: asks the host to make its window width x height device pixels;
    // false when the host cannot.
    virtual bool resizeWindow(int /*width*/, int /*height*/) { return false; }
};

// The editor's size in pixels, as the host makes room for it.
struct CEditorRect {
    std::int16_t top, left, bottom, right;
};

class AEffGUIEditor : public VSTGUIEditorInterface {
public:
    AEffGUIEditor() = default;
    ~AEffGUIEditor() override;
    AEffGUIEditor(const AEffGUIEditor&) = delete;
    AEffGUIEditor& operator=(const AEffGUIEditor&) = delete;

    // Host UI thread, any time: the editor rectangle in device pixels, the logical
    // `rect` (set in the constructor) at the scale. The first call (or open) settles
    // the scale from initialScale() unless one was set.
    const CEditorRect& getRect();

    // Any adapter, UI thread, any time: the scale the editor draws at (1, 1.5 or 2; any
    // other value goes to the nearest). Closed, it takes effect at the next open; open,
    // the next idle rebuilds the window at the new scale and asks the host for the new
    // size (CEditorHost::resizeWindow).
    void setScale(double scale);
    double getScale() const override { return scale_; }
    // True once a scale is settled (set, or asked of initialScale()).
    bool isScaleSettled() const { return scaleSettled_; }
    // The scale the desktop asks for (GDK_SCALE, the X resource Xft.dpi), 1 when unknown.
    static double desktopScale();
    // Host UI thread: checks the parent window and stores it; false without a display,
    // with a null parent, a parent that does not exist, or while already open. A
    // derived editor calls it first and then builds `frame` with the same pointer.
    // While an offscreen open runs (tools' request), a null parent is accepted and
    // the frame draws offscreen.
    virtual bool open(void* parentWindow);
    // Host UI thread: forgets the window. The derived editor closes its frame first.
    virtual void close();
    bool isOpen() const { return open_; }
    // Host UI thread, and the editor's timer: the frame's idle (window events,
    // redraw of dirty views).
    virtual void idle();
    // Host UI thread: a key the host's window received; true when a view used it.
    bool onKeyDown(CKeyCode& key);
    bool onKeyUp(CKeyCode& key);
    // Host UI thread: wheel at the current mouse position.
    bool onWheel(float distance);
    // Host UI thread: stores the global knob mode (kCircularMode, kRelativCircularMode,
    // kLinearMode).
    virtual bool setKnobMode(std::int32_t mode);
    // Host UI thread: a request of our own tools (lumdel::editor_request); 0 when not
    // understood.
    std::intptr_t toolRequest(std::intptr_t value, void* ptr);

    // Host UI thread, once, by the adapter that wraps this editor (null: nobody).
    void setHost(CEditorHost* host) { host_ = host; }

    // VSTGUIEditorInterface: the host's automation bracket, passed to the adapter.
    void beginEdit(std::int32_t tag) override;
    void endEdit(std::int32_t tag) override;
    std::int32_t getKnobMode() const override { return knobMode; }
    void doIdleStuff() override {}

    CFrame* getFrame() const { return frame; }
    bool isOffscreen() const { return offscreen_; }
    // Milliseconds of a monotonic clock (wraps after 49 days).
    static std::uint32_t getTicks();
    // Sleeps ms milliseconds.
    static void wait(std::uint32_t ms);

    static std::int32_t knobMode;

protected:
    // The scale the editor starts with when nobody set one: the desktop's. Asked once,
    // on the UI thread, by the first getRect or open (never before: it may ask the X
    // server).
    virtual double initialScale() { return desktopScale(); }
    // Idle, before anything else: a scale changed while open rebuilds the window
    // (close, then open on the same parent) and tells the host the new size. True when
    // it did.
    bool applyScaleChange();

    CEditorRect rect{0, 0, 0, 0};
    CFrame* frame = nullptr;
    void* systemWindow_ = nullptr;

private:
    CEditorHost* host_ = nullptr;
    double scale_ = 1.0;
    bool scaleSettled_ = false;
    double pendingScale_ = 0;  // a scale to apply at the next idle, 0 when none
    CEditorRect shownRect_{0, 0, 0, 0};
    void settleScale();
    bool open_ = false;
    bool offscreen_ = false;
    bool offscreenRequest_ = false;
};
