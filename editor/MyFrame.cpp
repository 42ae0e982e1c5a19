#include "MyFrame.h"

MyFrame::MyFrame(const CRect& size, void* parentWindow, VSTGUIEditorInterface* editor)
    : CFrame(size, parentWindow, editor) {}
