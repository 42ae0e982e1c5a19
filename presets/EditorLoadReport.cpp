#include "EditorLoadReport.h"

#include "core/EditorController.h"
#include "core/ParameterTable.h"
#include "core/PresetStore.h"

namespace lumdel {

EditorLoadReport::EditorLoadReport(EditorController* plugin, Mode mode) : plugin_(plugin) {
    if (!plugin_) return;
    reports_ = plugin_->presetStore().enterEditorLoad() && mode == Mode::Report;
    if (!reports_) return;
    for (int i = 0; i < kNumParams; ++i) before_[i] = plugin_->getParameter(i);
}

EditorLoadReport::~EditorLoadReport() {
    if (!plugin_) return;
    plugin_->presetStore().leaveEditorLoad();
    if (!reports_) return;
    for (int i = 0; i < kNumParams; ++i) {
        const float value = plugin_->getParameter(i);
        if (value == before_[i]) continue;
        plugin_->beginEdit(i);
        plugin_->reportParameter(i, value);
        plugin_->endEdit(i);
    }
}

}  // namespace lumdel
