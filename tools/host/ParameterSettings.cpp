#include "ParameterSettings.h"

#include <strings.h>

#include <cstdlib>

#include "Host.h"
#include "PluginInstance.h"

namespace lumdel::host {

bool parseSetting(const std::string& text, Setting& setting) {
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) return false;
    char* end = nullptr;
    const std::string value = text.substr(eq + 1);
    const float v = std::strtof(value.c_str(), &end);
    if (!end || *end != '\0') return false;
    setting = {text.substr(0, eq), v};
    return true;
}

int findParameter(Host& host, const std::string& name) {
    const int count = host.effect() ? host.effect()->numParams : 0;
    for (int i = 0; i < count; ++i)
        if (strcasecmp(host.parameterName(i).c_str(), name.c_str()) == 0) return i;
    char* end = nullptr;
    const long n = std::strtol(name.c_str(), &end, 10);
    if (!name.empty() && end && *end == '\0' && n >= 0 && n < count) return static_cast<int>(n);
    return -1;
}

bool applySettings(Host& host, const std::vector<Setting>& settings, std::string& error) {
    for (const Setting& s : settings) {
        const int index = findParameter(host, s.first);
        if (index < 0) {
            error = "unknown parameter '" + s.first + "'";
            return false;
        }
        host.setParameter(index, s.second);
    }
    return true;
}

bool applySettings(PluginInstance& plugin, const std::vector<Setting>& settings,
                   std::string& error) {
    for (const Setting& s : settings) {
        const int index = findParameter(plugin, s.first);
        if (index < 0) {
            error = "unknown parameter '" + s.first + "'";
            return false;
        }
        plugin.setParameter(index, s.second);
    }
    return true;
}

}  // namespace lumdel::host
