// The LV2 UI entry point: the X11 UI's descriptor handed to Lv2Ui, and its idle
// interface. Every call comes on the host's UI thread.
#include <lv2/ui/ui.h>

#include <cstring>

#include "Lv2Names.h"
#include "Lv2Ui.h"
#include "UiEntry.h"

namespace {

using lumdel::lv2::Lv2Ui;

Lv2Ui* self(LV2UI_Handle h) { return static_cast<Lv2Ui*>(h); }

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
    lumdel::lv2::UiHost host;
    if (!Lv2Ui::readHost(pluginUri, write, controller, features, host)) return nullptr;
    return Lv2Ui::create(host, widget);
}

void cleanup(LV2UI_Handle h) {
    try {
        delete self(h);
    } catch (...) {
    }
}

void portEvent(LV2UI_Handle h, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
    if (h) self(h)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle h) { return h ? self(h)->idle() : 1; }

const void* extensionData(const char* uri) {
    static const LV2UI_Idle_Interface idleInterface = {idle};
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {lumdel::lv2::kUiUri, instantiate, cleanup, portEvent,
                                      extensionData};

}  // namespace

const LV2UI_Descriptor* lumdel::lv2::uiDescriptor() { return &kDescriptor; }

// Host's UI thread: the one UI of the bundle.
extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
