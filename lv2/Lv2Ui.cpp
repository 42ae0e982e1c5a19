#include "Lv2Ui.h"

#include <lv2/instance-access/instance-access.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>

#include "ContainerWindow.h"
#include "Lv2Names.h"
#include "Lv2Plugin.h"
#include "core/DisplayText.h"
#include "core/ParameterTable.h"
#include "core/Plugin.h"
#include "editor/Editor.h"

namespace lumdel::lv2 {

namespace {

const void* featureData(const LV2_Feature* const* features, const char* uri) {
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    return nullptr;
}

bool isPort(std::int32_t index) { return index >= 0 && index < kNumParams; }

// The attach and detach wait this long for a running block.
constexpr auto kLockWait = std::chrono::milliseconds(1000);

}  // namespace

bool Lv2Ui::readHost(const char* pluginUri, LV2UI_Write_Function write,
                     LV2UI_Controller controller, const LV2_Feature* const* features,
                     UiHost& host) {
    if (!pluginUri || std::strcmp(pluginUri, kPluginUri) != 0) return false;
    host = UiHost();
    host.write = write;
    host.controller = controller;
    host.parent = const_cast<void*>(featureData(features, LV2_UI__parent));
    auto* instance =
        static_cast<Lv2Plugin*>(const_cast<void*>(featureData(features, LV2_INSTANCE_ACCESS_URI)));
    if (!host.parent || !instance) return false;
    host.plugin = &instance->plugin();
    const auto* resize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));
    if (resize && resize->ui_resize) host.resize = resize;
    const auto* touch = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
    if (touch && touch->touch) host.touch = touch;
    return true;
}

Lv2Ui::Lv2Ui(const UiHost& host) : host_(host) {}

Lv2Ui* Lv2Ui::create(const UiHost& host, LV2UI_Widget* widget) noexcept {
    if (!host.parent || !host.plugin) return nullptr;
    try {
        std::unique_ptr<Lv2Ui> ui(new Lv2Ui(host));
        if (!ui->open()) return nullptr;
        if (widget) *widget = ui->window_->id();
        return ui.release();
    } catch (...) {
        return nullptr;
    }
}

// The editor at the size it asks for (its scale settled from the settings or the
// desktop), in a window of that size, the host told the size.
bool Lv2Ui::open() {
    editor_ = std::make_unique<Editor>(this);
    editor_->setHost(&windowHost_);
    const CEditorRect& r = editor_->getRect();
    const int width = r.right - r.left, height = r.bottom - r.top;
    window_ = ContainerWindow::create(host_.parent, width, height);
    if (!window_ || !attach()) return false;
    if (!editor_->open(window_->id())) return false;
    if (host_.resize) host_.resize->ui_resize(host_.resize->handle, width, height);
    return true;
}

Lv2Ui::~Lv2Ui() {
    detach();
    if (editor_) {
        editor_->close();
        editor_->setHost(nullptr);
    }
    editor_.reset();
    window_.reset();
}

bool Lv2Ui::attach() {
    std::unique_lock<std::recursive_timed_mutex> lock(host_.plugin->core().engineLock(),
                                                      std::defer_lock);
    if (!lock.try_lock_for(kLockWait)) return false;
    // A second UI of the same instance takes the listener over; the first keeps working
    // through port events.
    host_.plugin->setEditorLink(editor_.get());
    host_.plugin->presets().setHooks(editor_.get());
    attached_ = true;
    return true;
}

// Waits for a running block (which may be telling the editor a value) before the
// editor goes; only our own registration is undone.
void Lv2Ui::detach() {
    if (!attached_) return;
    attached_ = false;
    std::lock_guard<std::recursive_timed_mutex> lock(host_.plugin->core().engineLock());
    if (host_.plugin->editorLink() == editor_.get()) {
        host_.plugin->setEditorLink(nullptr);
        host_.plugin->presets().setHooks(nullptr);
    }
}

void Lv2Ui::portEvent(uint32_t port, uint32_t size, uint32_t format,
                      const void* buffer) noexcept {
    if (format != 0 || size != sizeof(float) || !buffer || !editor_) return;
    if (port >= static_cast<uint32_t>(kNumParams)) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    if (!std::isfinite(value)) return;
    try {
        editor_->setParameter(static_cast<std::int32_t>(port), value);
    } catch (...) {
    }
}

int Lv2Ui::idle() noexcept {
    try {
        if (editor_) editor_->idle();
    } catch (...) {
    }
    return 0;
}

// The legacy switches act when their port changes: the edit that moved one has acted
// already, and their ports stay where the host keeps them (out of sight, not automated).
void Lv2Ui::writePort(std::int32_t index, float value) {
    if (!isPort(index) || !host_.write || !std::isfinite(value)) return;
    if (kParams[index].kind == ParamKind::Legacy) return;
    const float v = portValue(index, value);
    host_.write(host_.controller, static_cast<uint32_t>(index), sizeof v, 0, &v);
}

void Lv2Ui::touch(std::int32_t index, bool grabbed) {
    if (isPort(index) && host_.touch)
        host_.touch->touch(host_.touch->handle, static_cast<uint32_t>(index), grabbed);
}

bool Lv2Ui::WindowHost::resizeWindow(int width, int height) {
    if (!ui_.window_ || !ui_.window_->resize(width, height)) return false;
    const LV2UI_Resize* resize = ui_.host_.resize;
    return resize && resize->ui_resize(resize->handle, width, height) == 0;
}

// --- EditorController: the VST 2.4 effect's editor half, on the instance's plug-in ----

float Lv2Ui::getParameter(std::int32_t index) { return host_.plugin->getParameter(index); }

bool Lv2Ui::beginEdit(std::int32_t index) {
    touch(index, true);
    return host_.touch != nullptr;
}

void Lv2Ui::setParameterAutomated(std::int32_t index, float value) {
    host_.plugin->setParameter(index, value);
    writePort(index, value);
}

bool Lv2Ui::endEdit(std::int32_t index) {
    touch(index, false);
    return host_.touch != nullptr;
}

void Lv2Ui::reportParameter(std::int32_t index, float value) { writePort(index, value); }

PresetStore& Lv2Ui::presetStore() { return host_.plugin->presets(); }

const SettingsStore& Lv2Ui::settingsStore() const { return host_.plugin->settings(); }

void Lv2Ui::getReadout(std::int32_t index, std::int32_t& number, std::int32_t& point,
                       bool& isSigned, std::int32_t& slash, std::int32_t& numerator,
                       std::int32_t& denominator) {
    readoutCells(host_.plugin->core(), index, number, point, isSigned, slash, numerator,
                 denominator);
}

bool Lv2Ui::syncOutOfRange(int kind) const { return host_.plugin->core().syncOutOfRange(kind); }

void Lv2Ui::readMeterPeaks(float& left, float& right) {
    host_.plugin->core().readMeterPeaks(left, right);
}

float Lv2Ui::getTempoNorm() const { return host_.plugin->core().tempoNorm(); }

void Lv2Ui::setTempoNorm(float value) { host_.plugin->core().setTempoNorm(value); }

bool Lv2Ui::hostTempoValid() const { return host_.plugin->core().hostTempoValid(); }

}  // namespace lumdel::lv2
