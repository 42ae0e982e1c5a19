// The display texts and the editor readout, from the engine's current settings.
#include "DisplayText.h"
#include "PluginCore.h"

namespace lumdel {

void PluginCore::parameterDisplay(int index, char* text) const {
    lumdel::parameterDisplay(engine_, index, text);
}

void PluginCore::readout(int index, Readout& r) const {
    const bool readsValue = index == 16 || index == 39 || index == 40 || index == 52;
    lumdel::parameterReadout(engine_, index, readsValue ? getParameter(index) : 0.0f, r);
}

}  // namespace lumdel
