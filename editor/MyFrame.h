// The editor's frame: the toolkit frame with the panel's size, placed into the host's
// parent window (or drawing offscreen when there is none).
#pragma once

#include "toolkit/vstgui.h"

class MyFrame : public CFrame {
public:
    MyFrame(const CRect& size, void* parentWindow, VSTGUIEditorInterface* editor);
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "MyFrame") == 0 || CFrame::isTypeOf(name);
    }
    const char* getClassName() const override { return "MyFrame"; }
};
