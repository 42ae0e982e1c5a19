// The display texts and the editor readout, from the engine's current settings.
#include "DisplayText.h"
#include "PluginCore.h"

namespace lumdel {

void PluginCore::parameterDisplay(int index, char* text) const {
    lumdel::parameterDisplay(engine_, index, text);
}

void PluginCore::readout(int index, Readout& r) const {
    lumdel::parameterReadout(engine_, index, r);
}

}  // namespace lumdel
