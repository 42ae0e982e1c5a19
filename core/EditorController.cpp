#include "core/EditorController.h"

#include "core/DisplayText.h"
#include "core/ParameterTable.h"
#include "core/PluginCore.h"

namespace lumdel {

void EditorController::copyChannelSettings(bool rightToLeft) {
    static constexpr int kPairs[][2] = {{kDlyModeL, kDlyModeR},
                                        {kDlyNumL, kDlyNumR},
                                        {kDlyDenL, kDlyDenR},
                                        {kRangeL, kRangeR},
                                        {kDlyTimeL, kDlyTimeR}};
    for (const auto& pair : kPairs) {
        const int from = rightToLeft ? pair[1] : pair[0];
        const int to = rightToLeft ? pair[0] : pair[1];
        const float value = getParameter(from);
        if (value == getParameter(to)) continue;
        beginEdit(to);
        setParameterAutomated(to, value);
        endEdit(to);
    }
}

void readoutCells(const PluginCore& core, std::int32_t index, std::int32_t& number,
                  std::int32_t& point, bool& isSigned, std::int32_t& slash,
                  std::int32_t& numerator, std::int32_t& denominator) {
    Readout r;
    r.isSigned = isSigned;
    r.slash = slash;
    r.denominator = denominator;
    core.readout(index, r);
    number = r.number;
    point = r.point;
    isSigned = r.isSigned;
    slash = r.slash;
    numerator = r.numerator;
    denominator = r.denominator;
}

}  // namespace lumdel
