// The delay's editor as an LV2 X11 UI: the same Editor the VST 2.4 build shows, in a
// window of our own inside the host's ui:parent, idled by the host's idle interface.
//
// The UI reaches the plug-in instance through instance-access (required): it serves the
// editor as its EditorController on the instance's lumdel::Plugin, exactly as the VST 2.4
// effect does (meters, readout, preset store, engine lock as there), and registers the
// editor as the plug-in's EditorLink and preset hooks while it lives. An edit is applied
// to the plug-in at once and written to the host's control port (protocol 0, float),
// between touch gestures when the host offers ui:touch; a value the host sends through
// port_event only moves the control (nothing is written back).
//
// The UI binary is built from the same core sources in the same build as the plug-in
// binary: it works on the instance's objects with its own copy of the core's code.
//
// Threads: every call comes on the host's UI thread.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstdint>
#include <memory>

#include "core/EditorController.h"
#include "toolkit/AEffGUIEditor.h"

class Editor;

namespace lumdel {
class Plugin;
}

namespace lumdel::lv2 {

class ContainerWindow;

// The host's side of one UI, as the features and instantiate's arguments give it.
struct UiHost {
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    void* parent = nullptr;              // ui:parent (an X window id)
    Plugin* plugin = nullptr;            // through instance-access
    const LV2UI_Resize* resize = nullptr;  // ui:resize, optional
    const LV2UI_Touch* touch = nullptr;    // ui:touch, optional
};

class Lv2Ui : public EditorController {
public:
    // Host UI thread (instantiate): the host's side read from the features, or false
    // when the plug-in URI is not ours, ui:parent or instance-access is missing or null.
    static bool readHost(const char* pluginUri, LV2UI_Write_Function write,
                         LV2UI_Controller controller, const LV2_Feature* const* features,
                         UiHost& host);
    // Host UI thread (instantiate): the editor open in its window inside the parent, the
    // window's id in widget; null when there is no display, the parent does not exist,
    // the editor cannot open or memory runs out.
    static Lv2Ui* create(const UiHost& host, LV2UI_Widget* widget) noexcept;
    // Host UI thread (cleanup): the editor detached from the plug-in, then closed.
    ~Lv2Ui() override;

    // Host UI thread: a control port's value as the host now holds it (float protocol
    // only; anything else is ignored).
    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) noexcept;
    // Host UI thread, ui:idleInterface: window events, redraw, meters; 0 (the UI stays).
    int idle() noexcept;

    Editor& editor() { return *editor_; }

    // EditorController (editor thread = the host's UI thread).
    float getParameter(std::int32_t index) override;
    bool beginEdit(std::int32_t index) override;
    void setParameterAutomated(std::int32_t index, float value) override;
    bool endEdit(std::int32_t index) override;
    void reportParameter(std::int32_t index, float value) override;
    PresetStore& presetStore() override;
    const SettingsStore& settingsStore() const override;
    void getReadout(std::int32_t index, std::int32_t& number, std::int32_t& point,
                    bool& isSigned, std::int32_t& slash, std::int32_t& numerator,
                    std::int32_t& denominator) override;
    bool syncOutOfRange(int kind) const override;
    void readMeterPeaks(float& left, float& right) override;
    float getTempoNorm() const override;
    void setTempoNorm(float value) override;
    bool hostTempoValid() const override;

private:
    explicit Lv2Ui(const UiHost& host);
    bool open();
    // The editor becomes (or stops being) the plug-in's listener, under the engine lock
    // the audio thread holds while it may call the listener.
    bool attach();
    void detach();
    void writePort(std::int32_t index, float value);

    void touch(std::int32_t index, bool grabbed);

    // What the editor asks of its host window: the gestures of controls whose tags are
    // parameter indices, and a new size after a scale change.
    class WindowHost : public CEditorHost {
    public:
        explicit WindowHost(Lv2Ui& ui) : ui_(ui) {}
        void beginEdit(std::int32_t tag) override { ui_.touch(tag, true); }
        void endEdit(std::int32_t tag) override { ui_.touch(tag, false); }
        bool resizeWindow(int width, int height) override;

    private:
        Lv2Ui& ui_;
    };

    UiHost host_;
    WindowHost windowHost_{*this};
    std::unique_ptr<ContainerWindow> window_;
    std::unique_ptr<Editor> editor_;
    bool attached_ = false;
};

}  // namespace lumdel::lv2
