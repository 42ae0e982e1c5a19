// The host-facing side of a toolkit editor: the dispatcher's editor opcodes reach the
// format-free editor (AEffGUIEditor) through this wrapper, and the editor's automation
// bracket reaches the host through it. The effect owns the wrapper, the wrapper owns
// the editor.
#pragma once

#include <memory>

#include "AEffEditor.h"
#include "toolkit/AEffGUIEditor.h"

class AudioEffectX;

class EditorAdapter : public AEffEditor, private CEditorHost {
public:
    // Host UI thread (the effect's construction). Takes ownership of gui.
    EditorAdapter(AudioEffectX* effect, AEffGUIEditor* gui);
    ~EditorAdapter() override;

    AEffGUIEditor* gui() const { return gui_.get(); }

    // Host UI thread: the editor opcodes, translated.
    bool getRect(ERect** rect) override;
    bool open(void* parentWindow) override;
    void close() override;
    bool isOpen() override { return gui_->isOpen(); }
    void idle() override { gui_->idle(); }
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;
    bool onWheel(float distance) override { return gui_->onWheel(distance); }
    bool setKnobMode(VstInt32 mode) override { return gui_->setKnobMode(mode); }
    VstIntPtr vendorSpecific(VstIntPtr value, void* ptr, float) override {
        return gui_->toolRequest(value, ptr);
    }

private:
    // CEditorHost: the bracket reaches the host only for tags that are parameter
    // indices of the effect (editor thread).
    void beginEdit(std::int32_t tag) override;
    void endEdit(std::int32_t tag) override;
    // CEditorHost: the scaled size, through audioMasterSizeWindow (editor thread).
    bool resizeWindow(int width, int height) override;
    bool isParameter(std::int32_t tag) const;

    AudioEffectX* effectX_;
    std::unique_ptr<AEffGUIEditor> gui_;
    ERect rect_{0, 0, 0, 0};
};

// The toolkit editor of an effect, or null when it has none (or a foreign one).
AEffGUIEditor* guiEditorOf(AudioEffect& effect);
