// The real effect with its editor opened offscreen, on a private settings store, for
// the preset strip, help and about tests. Mouse events go in through the editor's
// request channel, as our tools send them.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "editor/CHelp.h"
#include "presets/CPresetSystemEditor.h"
#include "presets/PresetStripButtons.h"
#include "shell/EditorAdapter.h"
#include "shell/Orv.h"
#include "toolkit/vstgui.h"
#include "TempFolders.h"

namespace lumdel::striptest {

// Counts the host calls the strip causes.
struct HostCounters {
    int updateDisplay = 0;
};
inline HostCounters& hostCounters() {
    static HostCounters counters;
    return counters;
}
inline VstIntPtr countingHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterUpdateDisplay) ++hostCounters().updateDisplay;
    if (opcode == audioMasterVersion) return 2400;
    return 0;
}

using test::TempConfigHome;

class StripRig {
public:
    StripRig() {
        hostCounters() = HostCounters();
        fx = std::make_unique<Orv>(countingHost);
        editor = dynamic_cast<CPresetSystemEditor*>(guiEditorOf(*fx));
    }
    ~StripRig() {
        fx->dispatcher(effEditClose, 0, 0, nullptr, 0);
        fx.reset();
    }

    bool open() {
        return fx->dispatcher(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'),
                              editor_request::kOpenOffscreen, nullptr, 0) == 1;
    }
    void close() { fx->dispatcher(effEditClose, 0, 0, nullptr, 0); }
    void idle() { fx->dispatcher(effEditIdle, 0, 0, nullptr, 0); }
    CFrame* frame() const { return editor ? editor->getFrame() : nullptr; }

    VstIntPtr mouse(int kind, int buttons, double x, double y) {
        editor_request::MouseEvent event{kind, buttons, x, y, 0.0f};
        return fx->dispatcher(effVendorSpecific, vstFourCC('L', 'M', 'D', 'L'),
                              editor_request::kMouse, &event, 0);
    }
    void move(double x, double y) { mouse(2, 0, x, y); }
    // Press and release at one point.
    void click(double x, double y, int buttons = kLButton) {
        mouse(0, buttons, x, y);
        mouse(1, buttons & ~(kLButton | kRButton | kMButton), x, y);
    }
    void doubleClick(double x, double y, int modifiers = 0) {
        click(x, y, kLButton | modifiers);
        click(x, y, kLButton | kDoubleClick | modifiers);
    }

    // The first control of the frame with this tag, or null.
    CControl* controlWithTag(std::int32_t tag) const {
        CFrame* f = frame();
        if (!f) return nullptr;
        for (int i = 0; i < f->getNbViews(); ++i) {
            auto* control = dynamic_cast<CControl*>(f->getView(i));
            if (control && control->getTag() == tag) return control;
        }
        return nullptr;
    }
    static CPoint centre(const CControl* control) {
        const CRect& r = control->getViewSize();
        return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    std::string controllerText() const {
        CParamDisplay* display = editor->controllerDisplay();
        return display ? display->valueText(display->getValue()) : std::string("<none>");
    }
    std::string presetName(int k) const {
        const PresetRecord& r = fx->preset(k);
        return std::string(r.name, strnlen(r.name, kPresetNameSize));
    }

    std::unique_ptr<Orv> fx;
    CPresetSystemEditor* editor = nullptr;
};

}  // namespace lumdel::striptest
