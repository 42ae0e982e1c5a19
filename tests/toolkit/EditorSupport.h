// A small effect and editor built on the toolkit's editor base, for the tests.
#pragma once

#include <vector>

#include "ToolkitTestSupport.h"
#include "shell/AudioEffectX.h"
#include "shell/EditorAdapter.h"

namespace lumdel::test {

struct HostEditCall {
    VstInt32 opcode;
    VstInt32 index;
};

inline std::vector<HostEditCall>& hostEditCalls() {
    static std::vector<HostEditCall> calls;
    return calls;
}

inline VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float) {
    if (opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit)
        hostEditCalls().push_back({opcode, index});
    if (opcode == audioMasterVersion) return 2400;
    return 0;
}

struct FakeEffect : AudioEffectX {
    FakeEffect() : AudioEffectX(recordingHost, 1, 60) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

// 200 x 100: a knob for parameter 5, a knob with an editor-only tag 83, an on/off
// button with tag 41, over a background of one colour.
struct TestEditor : AEffGUIEditor {
    TestEditor() {
        rect.top = 0;
        rect.left = 0;
        rect.bottom = 100;
        rect.right = 200;
    }
    bool open(void* parent) override {
        if (!AEffGUIEditor::open(parent)) return false;
        frame = new CFrame(CRect(0, 0, 200, 100), parent, this);
        CBitmap* back = makeStrip(1, 200, 100);
        frame->setBackground(back);
        back->forget();
        knob = new CKnob(CRect(10, 10, 50, 50), &listener, 5, nullptr);
        knob->setValue(0.5f);
        frame->addView(knob);
        channelKnob = new CKnob(CRect(60, 10, 100, 50), &listener, 83, nullptr);
        frame->addView(channelKnob);
        button = new COnOffButton(CRect(110, 10, 130, 30), &listener, 41, nullptr);
        frame->addView(button);
        return true;
    }
    void close() override {
        if (frame) {
            CFrame* f = frame;
            frame = nullptr;
            f->close();
        }
        knob = channelKnob = nullptr;
        button = nullptr;
        AEffGUIEditor::close();
    }
    RecordingListener listener;
    CKnob* knob = nullptr;
    CKnob* channelKnob = nullptr;
    COnOffButton* button = nullptr;
};

}  // namespace lumdel::test
