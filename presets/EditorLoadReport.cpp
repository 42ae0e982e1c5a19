#include "EditorLoadReport.h"

#include "core/ParameterTable.h"
#include "CPresetSystemEffect.h"

namespace lumdel {

EditorLoadReport::EditorLoadReport(CPresetSystemEffect* effect, Mode mode) : effect_(effect) {
    if (!effect_) return;
    reports_ = effect_->enterEditorLoad() && mode == Mode::Report;
    if (!reports_) return;
    for (int i = 0; i < kNumParams; ++i) before_[i] = effect_->getParameter(i);
}

EditorLoadReport::~EditorLoadReport() {
    if (!effect_) return;
    effect_->leaveEditorLoad();
    if (!reports_) return;
    for (int i = 0; i < kNumParams; ++i) {
        const float value = effect_->getParameter(i);
        if (value == before_[i]) continue;
        effect_->beginEdit(i);
        effect_->callHost(audioMasterAutomate, i, 0, nullptr, value);
        effect_->endEdit(i);
    }
}

}  // namespace lumdel
