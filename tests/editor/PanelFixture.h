// An Orv built in this process, behind the test host, with its editor opened offscreen
// and its clock in the test's hands.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "editor/Editor.h"
#include "shell/EditorAdapter.h"
#include "shell/Orv.h"
#include "tools/host/Host.h"

namespace lumdel::test {

inline AEffect* makeOrv(audioMasterCallback cb) { return (new Orv(cb))->getAeffect(); }

inline Orv* orvOf(AEffect* effect) {
    return dynamic_cast<Orv*>(static_cast<AudioEffect*>(effect->object));
}

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<host::Host>();
        ASSERT_TRUE(host->load(&makeOrv)) << host->error();
        orv = orvOf(host->effect());
        ASSERT_NE(orv, nullptr);
        editor = dynamic_cast<Editor*>(guiEditorOf(*orv));
        ASSERT_NE(editor, nullptr);
        editor->setClock([this] { return ticks; });
    }
    void TearDown() override { host.reset(); }

    bool openOffscreen() {
        return host->dispatch(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'),
                              lumdel::editor_request::kOpenOffscreen) == 1;
    }
    void closeEditor() { host->dispatch(effEditClose); }
    void idle() { host->dispatch(effEditIdle); }
    CFrame* frame() const { return editor->getFrame(); }

    // Mouse events in frame coordinates, as the window would deliver them.
    CMouseEventResult down(double x, double y, std::int32_t buttons = kLButton) {
        CPoint p(x, y);
        return frame()->onMouseDown(p, CButtonState(buttons));
    }
    CMouseEventResult up(double x, double y, std::int32_t buttons = kLButton) {
        CPoint p(x, y);
        return frame()->onMouseUp(p, CButtonState(buttons));
    }
    CMouseEventResult move(double x, double y, std::int32_t buttons = 0) {
        CPoint p(x, y);
        return frame()->onMouseMoved(p, CButtonState(buttons));
    }
    void click(double x, double y, std::int32_t buttons = kLButton) {
        if (down(x, y, buttons) == kMouseEventHandled) up(x, y, buttons);
    }
    void wheel(double x, double y, float distance, std::int32_t buttons = 0) {
        frame()->onWheel(CPoint(x, y), distance, CButtonState(buttons));
    }
    float value(std::int32_t tag) const {
        CControl* c = editor->control(tag);
        return c ? c->getValue() : -1.0f;
    }
    float param(int index) const { return orv->getParameter(index); }

    std::unique_ptr<host::Host> host;
    Orv* orv = nullptr;
    Editor* editor = nullptr;
    std::uint32_t ticks = 1000;
};

}  // namespace lumdel::test
