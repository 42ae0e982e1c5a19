// The Turtle descriptions of the LV2 bundle, made from the parameter table and the
// factory bank (build time only).
#pragma once

#include <ostream>

namespace lumdel::lv2 {

// The bundle's entry: the plug-in, its binary and description, the 61 presets.
void writeManifest(std::ostream& out);
// The plug-in: 60 control ports, stereo audio in, side chain and out, the event input,
// features and extensions.
void writePluginDescription(std::ostream& out);
// The factory bank as pset:Preset, each preset as the values it makes heard.
void writePresets(std::ostream& out);

}  // namespace lumdel::lv2
