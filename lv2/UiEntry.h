// The X11 UI's descriptor, as lv2ui_descriptor(0) gives it to hosts (tests link it).
#pragma once

#include <lv2/ui/ui.h>

namespace lumdel::lv2 {

const LV2UI_Descriptor* uiDescriptor();

}  // namespace lumdel::lv2
