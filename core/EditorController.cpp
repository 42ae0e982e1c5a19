#include "core/EditorController.h"

#include "core/ParameterTable.h"

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

}  // namespace lumdel
