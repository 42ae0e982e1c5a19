#include "ParameterSettings.h"

#include <strings.h>

#include <cstdlib>

#include "Host.h"

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

bool applySettings(Host& host, const std::vector<Setting>& settings, std::string& error) {
    const int count = host.effect() ? host.effect()->numParams : 0;
    for (const Setting& s : settings) {
        int index = -1;
        for (int i = 0; i < count && index < 0; ++i)
            if (strcasecmp(host.parameterName(i).c_str(), s.first.c_str()) == 0) index = i;
        if (index < 0) {
            char* end = nullptr;
            const long n = std::strtol(s.first.c_str(), &end, 10);
            if (end && *end == '\0' && n >= 0 && n < count) index = static_cast<int>(n);
        }
        if (index < 0) {
            error = "unknown parameter '" + s.first + "'";
            return false;
        }
        host.setParameter(index, s.second);
    }
    return true;
}

}  // namespace lumdel::host
