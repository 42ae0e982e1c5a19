#include "ClapParams.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/DisplayText.h"
#include "core/NumberFormat.h"
#include "engine/EngineState.h"

namespace lumdel::clap {

namespace {

// Grid of the text search over 0..1, and the halvings that refine it.
constexpr int kGrid = 1000;
constexpr int kHalvings = 40;

// The first number in a text ("D:70<>30:W" reads 70, "-12.5 dB" reads -12.5).
bool firstNumber(const char* text, double& number) {
    for (const char* p = text; *p; ++p) {
        const bool digit = *p >= '0' && *p <= '9';
        const bool lead = (*p == '-' || *p == '+' || *p == '.') && p[1] >= '0' && p[1] <= '9';
        if (!digit && !lead) continue;
        char* end = nullptr;
        number = std::strtod(p, &end);
        return end != p && std::isfinite(number);
    }
    return false;
}

// text without surrounding blanks and without the unit label, into out.
void bareText(int index, const char* text, char* out, std::size_t size) {
    while (*text == ' ') ++text;
    std::snprintf(out, size, "%s", text);
    std::size_t n = std::strlen(out);
    while (n > 0 && out[n - 1] == ' ') out[--n] = '\0';
    const char* label = kParams[index].label;
    const std::size_t l = std::strlen(label);
    if (l > 0 && n > l && std::strcmp(out + n - l, label) == 0) {
        n -= l;
        out[n] = '\0';
        while (n > 0 && out[n - 1] == ' ') out[--n] = '\0';
    }
}

}  // namespace

int clapSteps(int index) {
    if (index < 0 || index >= kNumParams) return 0;
    const ParamInfo& p = kParams[index];
    return p.kind == ParamKind::Continuous || p.steps < 2 ? 0 : p.steps;
}

double plainOf(int index, float normalised) {
    const int n = clapSteps(index);
    return n ? static_cast<double>(toStep(normalised, n)) : static_cast<double>(normalised);
}

float normalisedOf(int index, double plain) {
    const int n = clapSteps(index);
    if (!n) return static_cast<float>(plain);
    const double step = std::nearbyint(plain);
    const int i = !(step >= 0.0) ? 0 : (step >= n - 1 ? n - 1 : static_cast<int>(step));
    return fromStep(i, n);
}

bool paramInfo(int index, clap_param_info_t& info) {
    if (index < 0 || index >= kNumParams) return false;
    const ParamInfo& p = kParams[index];
    const int n = clapSteps(index);
    info = clap_param_info_t{};
    info.id = static_cast<clap_id>(index);
    // The two legacy switches act once and store nothing: hosts keep them out of sight.
    info.flags = p.kind == ParamKind::Legacy ? CLAP_PARAM_IS_HIDDEN : CLAP_PARAM_IS_AUTOMATABLE;
    if (n) info.flags |= CLAP_PARAM_IS_STEPPED;
    if (index == kBypass) info.flags |= CLAP_PARAM_IS_BYPASS;
    info.cookie = nullptr;
    std::snprintf(info.name, sizeof info.name, "%s", p.name);
    info.module[0] = '\0';
    info.min_value = 0.0;
    info.max_value = n ? n - 1 : 1.0;
    // The legacy switches read 1 whatever was sent.
    info.default_value = p.kind == ParamKind::Legacy ? 1.0 : plainOf(index, static_cast<float>(p.preset0));
    return true;
}

ParamTexts::ParamTexts() : base_(new EngineState()), scratch_(new EngineState()) {}
ParamTexts::~ParamTexts() = default;

// The settings of the copy as the parameter code would leave them for this value alone.
void ParamTexts::textOf(int index, float v, char* out) {
    *scratch_ = *base_;
    EngineState& e = *scratch_;
    const ParamInfo& p = kParams[index];
    const ApplyRule& a = p.apply;
    switch (a.curve) {
        case Curve::Stored: a.value(e) = v; break;
        case Curve::Steps: a.storeStep(e, v, toStep(v, p.steps)); break;
        case Curve::Named: {
            if (a.value) a.value(e) = v;
            if (a.step) a.step(e) = toStep(v, p.steps);
            const int line = p.channel.line;
            if (line < 0 || !a.target) break;
            if (index == kRangeL || index == kRangeR)
                a.target(e) = kRangeMs[toStep(v, p.steps)];
            else if (!kParams[kDlyModeL + line].apply.step(e))  // a free delay time
                a.target(e) = v * kParams[kRangeL + line].apply.target(e);
            break;
        }
        default: a.storeSetting(e, v); break;
    }
    parameterDisplay(e, index, out);
}

double ParamTexts::numberAt(int index, float v, bool& ok) {
    char text[kDisplayTextBytes + 1] = {};
    textOf(index, v, text);
    double number = 0.0;
    ok = firstNumber(text, number);
    return number;
}

bool ParamTexts::toText(const EngineState& live, int index, double plain, char* out,
                        unsigned size) {
    if (index < 0 || index >= kNumParams || !out || size == 0 || !std::isfinite(plain))
        return false;
    *base_ = live;
    char text[kDisplayTextBytes + 1] = {};
    textOf(index, normalisedOf(index, plain), text);
    const char* label = kParams[index].label;
    std::snprintf(out, size, *label ? "%s %s" : "%s", text, label);
    return true;
}

bool ParamTexts::fromText(const EngineState& live, int index, const char* text, double& plain) {
    if (index < 0 || index >= kNumParams || !text) return false;
    *base_ = live;
    char wanted[64];
    bareText(index, text, wanted, sizeof wanted);
    char shown[kDisplayTextBytes + 1] = {};
    if (const int n = clapSteps(index)) {
        for (int i = 0; i < n; ++i) {
            textOf(index, fromStep(i, n), shown);
            if (std::strcmp(shown, wanted) == 0) {
                plain = i;
                return true;
            }
        }
        // A step given by its number.
        char* end = nullptr;
        const long i = std::strtol(wanted, &end, 10);
        if (end == wanted || *end || i < 0 || i >= n) return false;
        plain = static_cast<double>(i);
        return true;
    }
    double number = 0.0;
    if (firstNumber(wanted, number)) return searchNumber(index, wanted, number, plain);
    // A text without a number ("-oo") matches only as it stands.
    for (int g = 0; g <= kGrid; ++g) {
        textOf(index, static_cast<float>(g) / kGrid, shown);
        if (std::strcmp(shown, wanted) == 0) {
            plain = static_cast<double>(g) / kGrid;
            return true;
        }
    }
    return false;
}

// The grid point nearest the number, then halvings between its neighbours towards the
// crossing; of the points tried, one showing the very text wins, else the nearest.
bool ParamTexts::searchNumber(int index, const char* text, double wanted, double& plain) {
    int best = -1;
    double bestDist = 0.0;
    for (int g = 0; g <= kGrid; ++g) {
        bool ok = false;
        const double y = numberAt(index, static_cast<float>(g) / kGrid, ok);
        if (ok && (best < 0 || std::fabs(y - wanted) < bestDist)) {
            best = g;
            bestDist = std::fabs(y - wanted);
        }
    }
    if (best < 0) return false;
    double lo = best > 0 ? (best - 1.0) / kGrid : 0.0;
    double hi = best < kGrid ? (best + 1.0) / kGrid : 1.0;
    float chosen = static_cast<float>(best) / kGrid;
    char shown[kDisplayTextBytes + 1] = {};
    bool okLo = false;
    const double yLo = numberAt(index, static_cast<float>(lo), okLo);
    for (int h = 0; h < kHalvings; ++h) {
        const double mid = 0.5 * (lo + hi);
        const float v = static_cast<float>(mid);
        textOf(index, v, shown);
        double y = 0.0;
        if (!firstNumber(shown, y)) break;
        if (std::strcmp(shown, text) == 0) {
            chosen = v;
            break;
        }
        if (std::fabs(y - wanted) < bestDist) {
            bestDist = std::fabs(y - wanted);
            chosen = v;
        }
        // Keep the half in which the displayed number crosses the wanted one.
        if (okLo && ((y - wanted) > 0.0) == ((yLo - wanted) > 0.0))
            lo = mid;
        else
            hi = mid;
    }
    plain = chosen;
    return true;
}

}  // namespace lumdel::clap
