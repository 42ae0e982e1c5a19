// "--set NAME=VALUE" options of the host tools: NAME is a parameter name as the plug-in
// reports it (case-insensitive) or an index, VALUE a normalised value.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace lumdel::host {

class Host;
class PluginInstance;

using Setting = std::pair<std::string, float>;

// Parses "NAME=VALUE"; false when it is malformed.
bool parseSetting(const std::string& text, Setting& setting);
// The index of a parameter given by name (case-insensitive) or number; -1 if none.
int findParameter(Host& host, const std::string& name);
// Applies the settings to the loaded plug-in; false (with error) for an unknown name.
bool applySettings(Host& host, const std::vector<Setting>& settings, std::string& error);
// The same on an instance of any format.
bool applySettings(PluginInstance& plugin, const std::vector<Setting>& settings,
                   std::string& error);

}  // namespace lumdel::host
