// The editor in a CLAP host: the same Editor as in every format, embedded in the host's
// X11 window (set_parent), idled by the host's timer, its size asked of the editor at
// its scale. Its edits reach the host through the plug-in's EditorController (gestures
// and values); a scale chosen in the editor asks the host for the new size. Host main
// thread throughout; made by gui.create, gone with gui.destroy.
#pragma once

#include <clap/ext/gui.h>
#include <clap/ext/timer-support.h>

#include <cstdint>
#include <memory>

#include "toolkit/AEffGUIEditor.h"

class Editor;

namespace lumdel::clap {

class ClapPlugin;

class ClapGui : private CEditorHost {
public:
    // How often the host's timer idles the editor (25 Hz: meters and fades run smoothly).
    static constexpr std::uint32_t kTimerMs = 40;

    // Null unless the host offers timer-support (without it nobody would idle the
    // editor: it would neither draw nor answer the mouse) and memory suffices.
    static std::unique_ptr<ClapGui> create(ClapPlugin& owner);
    ~ClapGui() override;

    bool setScale(double scale);
    bool getSize(std::uint32_t& width, std::uint32_t& height);
    // The host's size is the editor's own (it cannot be resized by dragging).
    bool setSize(std::uint32_t width, std::uint32_t height);
    bool setParent(const clap_window_t* window);
    void onTimer(clap_id id);

private:
    ClapGui(ClapPlugin& owner, const clap_host_timer_support_t* timers,
            const clap_host_gui_t* hostGui);
    // CEditorHost: the controls' edit bracket (tags that are parameters) and the size
    // of a new scale (editor's idle, main thread).
    void beginEdit(std::int32_t tag) override;
    void endEdit(std::int32_t tag) override;
    bool resizeWindow(int width, int height) override;

    ClapPlugin& owner_;
    const clap_host_timer_support_t* timers_;
    const clap_host_gui_t* hostGui_;
    std::unique_ptr<Editor> editor_;
    clap_id timer_ = CLAP_INVALID_ID;
};

}  // namespace lumdel::clap
