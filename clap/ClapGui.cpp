#include "ClapGui.h"

#include <cstring>

#include "ClapPlugin.h"
#include "editor/Editor.h"

namespace lumdel::clap {

std::unique_ptr<ClapGui> ClapGui::create(ClapPlugin& owner) {
    const clap_host_t* host = owner.host();
    if (!host || !host->get_extension) return nullptr;
    const auto* timers = static_cast<const clap_host_timer_support_t*>(
        host->get_extension(host, CLAP_EXT_TIMER_SUPPORT));
    if (!timers || !timers->register_timer || !timers->unregister_timer) return nullptr;
    const auto* hostGui =
        static_cast<const clap_host_gui_t*>(host->get_extension(host, CLAP_EXT_GUI));
    return std::unique_ptr<ClapGui>(new ClapGui(owner, timers, hostGui));
}

ClapGui::ClapGui(ClapPlugin& owner, const clap_host_timer_support_t* timers,
                 const clap_host_gui_t* hostGui)
    : owner_(owner), timers_(timers), hostGui_(hostGui), editor_(new Editor(&owner)) {
    editor_->setHost(this);
    owner_.plugin().setEditorLink(editor_.get());
    owner_.plugin().presets().setHooks(editor_.get());
}

// The timer and the window first, then the links to the editor, then the editor.
ClapGui::~ClapGui() {
    if (timer_ != CLAP_INVALID_ID) timers_->unregister_timer(owner_.host(), timer_);
    editor_->close();
    owner_.plugin().setEditorLink(nullptr);
    owner_.plugin().presets().setHooks(nullptr);
    editor_->setHost(nullptr);
}

bool ClapGui::setScale(double scale) {
    if (!(scale > 0.0)) return false;
    editor_->setScale(scale);
    return true;
}

bool ClapGui::getSize(std::uint32_t& width, std::uint32_t& height) {
    const CEditorRect& r = editor_->getRect();
    width = static_cast<std::uint32_t>(r.right - r.left);
    height = static_cast<std::uint32_t>(r.bottom - r.top);
    return true;
}

bool ClapGui::setSize(std::uint32_t width, std::uint32_t height) {
    std::uint32_t w = 0, h = 0;
    getSize(w, h);
    return width == w && height == h;
}

bool ClapGui::setParent(const clap_window_t* window) {
    if (!window || !window->api || std::strcmp(window->api, CLAP_WINDOW_API_X11) != 0 ||
        window->x11 == 0 || editor_->isOpen())
        return false;
    if (!editor_->open(reinterpret_cast<void*>(static_cast<std::uintptr_t>(window->x11))))
        return false;
    if (timer_ == CLAP_INVALID_ID && !timers_->register_timer(owner_.host(), kTimerMs, &timer_))
        timer_ = CLAP_INVALID_ID;
    return true;
}

void ClapGui::onTimer(clap_id id) {
    if (id == timer_ && timer_ != CLAP_INVALID_ID) editor_->idle();
}

void ClapGui::beginEdit(std::int32_t tag) {
    if (tag >= 0 && tag < kNumParams) owner_.beginEdit(tag);
}

void ClapGui::endEdit(std::int32_t tag) {
    if (tag >= 0 && tag < kNumParams) owner_.endEdit(tag);
}

bool ClapGui::resizeWindow(int width, int height) {
    return hostGui_ && hostGui_->request_resize && width > 0 && height > 0 &&
           hostGui_->request_resize(owner_.host(), static_cast<std::uint32_t>(width),
                                    static_cast<std::uint32_t>(height));
}

}  // namespace lumdel::clap
