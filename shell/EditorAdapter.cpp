#include "EditorAdapter.h"

#include "AudioEffectX.h"

EditorAdapter::EditorAdapter(AudioEffectX* effect, AEffGUIEditor* gui)
    : AEffEditor(effect), effectX_(effect), gui_(gui) {
    gui_->setHost(this);
}

EditorAdapter::~EditorAdapter() { gui_->setHost(nullptr); }

bool EditorAdapter::getRect(ERect** rect) {
    if (!rect) return false;
    const CEditorRect& r = gui_->getRect();
    rect_ = ERect{r.top, r.left, r.bottom, r.right};
    *rect = &rect_;
    return true;
}

bool EditorAdapter::open(void* parentWindow) {
    if (!gui_->open(parentWindow)) return false;
    systemWindow_ = parentWindow;
    return true;
}

void EditorAdapter::close() {
    gui_->close();
    systemWindow_ = nullptr;
}

bool EditorAdapter::onKeyDown(VstKeyCode& key) {
    CKeyCode k{key.character, key.virt, key.modifier};
    return gui_->onKeyDown(k);
}

bool EditorAdapter::onKeyUp(VstKeyCode& key) {
    CKeyCode k{key.character, key.virt, key.modifier};
    return gui_->onKeyUp(k);
}

bool EditorAdapter::isParameter(std::int32_t tag) const {
    return effectX_ && tag >= 0 && tag < effectX_->getAeffect()->numParams;
}

void EditorAdapter::beginEdit(std::int32_t tag) {
    if (isParameter(tag)) effectX_->beginEdit(tag);
}

void EditorAdapter::endEdit(std::int32_t tag) {
    if (isParameter(tag)) effectX_->endEdit(tag);
}

bool EditorAdapter::resizeWindow(int width, int height) {
    return effectX_ && effectX_->sizeWindow(width, height);
}

AEffGUIEditor* guiEditorOf(AudioEffect& effect) {
    auto* adapter = dynamic_cast<EditorAdapter*>(effect.getEditor());
    return adapter ? adapter->gui() : nullptr;
}
