#include "AEffGUIEditor.h"

#include <time.h>

#include "X11Window.h"

std::int32_t AEffGUIEditor::knobMode = kCircularMode;

AEffGUIEditor::~AEffGUIEditor() {
    if (frame) {
        CFrame* f = frame;
        frame = nullptr;
        f->close();
    }
}

bool AEffGUIEditor::open(void* parentWindow) {
    if (open_) return false;  // one window at a time: close first
    settleScale();
    if (offscreenRequest_) {
        offscreen_ = true;
    } else {
        if (!X11Window::parentExists(parentWindow)) return false;
        offscreen_ = false;
    }
    systemWindow_ = parentWindow;
    open_ = true;
    return true;
}

void AEffGUIEditor::close() {
    systemWindow_ = nullptr;
    open_ = false;
    offscreen_ = false;
}

void AEffGUIEditor::idle() {
    applyScaleChange();
    if (frame) frame->idle();
}

void AEffGUIEditor::settleScale() {
    if (scaleSettled_) return;
    scaleSettled_ = true;
    scale_ = nearestScale(initialScale());
}

const CEditorRect& AEffGUIEditor::getRect() {
    settleScale();
    const auto scaled = [this](std::int16_t v) {
        return static_cast<std::int16_t>(v < 0 ? -deviceSize(-v, scale_) : deviceSize(v, scale_));
    };
    shownRect_ = {scaled(rect.top), scaled(rect.left), scaled(rect.bottom), scaled(rect.right)};
    return shownRect_;
}

void AEffGUIEditor::setScale(double scale) {
    scale = nearestScale(scale);
    scaleSettled_ = true;
    if (!open_) {
        scale_ = scale;
        pendingScale_ = 0;
    } else {
        pendingScale_ = scale == scale_ ? 0 : scale;
    }
}

double AEffGUIEditor::desktopScale() { return X11Window::desktopScale(); }

bool AEffGUIEditor::applyScaleChange() {
    if (!(pendingScale_ > 0)) return false;
    const double scale = pendingScale_;
    pendingScale_ = 0;
    if (!open_ || scale == scale_) {
        if (!open_) scale_ = scale;
        return false;
    }
    void* parent = systemWindow_;
    const bool offscreen = offscreen_;
    close();
    scale_ = scale;
    if (host_) {
        const CEditorRect& r = getRect();
        host_->resizeWindow(r.right - r.left, r.bottom - r.top);
    }
    offscreenRequest_ = offscreen;
    const bool reopened = open(parent);
    offscreenRequest_ = false;
    if (!reopened) close();
    return true;
}

bool AEffGUIEditor::onKeyDown(CKeyCode& key) { return frame && frame->onKeyDown(key) != -1; }

bool AEffGUIEditor::onKeyUp(CKeyCode& key) { return frame && frame->onKeyUp(key) != -1; }

bool AEffGUIEditor::onWheel(float distance) {
    if (!frame) return false;
    CPoint where;
    if (!frame->getCurrentMouseLocation(where)) return false;
    return frame->onWheel(where, distance, frame->getCurrentMouseButtons());
}

bool AEffGUIEditor::setKnobMode(std::int32_t mode) {
    knobMode = mode;
    return true;
}

void AEffGUIEditor::beginEdit(std::int32_t tag) {
    if (host_) host_->beginEdit(tag);
}

void AEffGUIEditor::endEdit(std::int32_t tag) {
    if (host_) host_->endEdit(tag);
}

std::uint32_t AEffGUIEditor::getTicks() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
}

void AEffGUIEditor::wait(std::uint32_t ms) {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

std::intptr_t AEffGUIEditor::toolRequest(std::intptr_t value, void* ptr) {
    namespace req = lumdel::editor_request;
    switch (value) {
        case req::kOpenOffscreen: {
            if (open_) return offscreen_ ? 1 : 0;
            offscreenRequest_ = true;
            const bool ok = open(nullptr);
            offscreenRequest_ = false;
            if (!ok) {
                close();
                return 0;
            }
            return 1;
        }
        case req::kIsOffscreen:
            return open_ && offscreen_ ? 1 : 0;
        case req::kScreenshot: {
            const char* path = static_cast<const char*>(ptr);
            if (!frame || !path || !*path) return 0;
            return frame->saveAsPng(path) ? 1 : 0;
        }
        case req::kMouse: {
            if (!frame || !ptr) return 0;
            const auto* m = static_cast<const req::MouseEvent*>(ptr);
            CPoint where(m->x, m->y);
            const CButtonState buttons(m->buttons);
            switch (m->kind) {
                case 0: return 1 + frame->onMouseDown(where, buttons);
                case 1: return 1 + frame->onMouseUp(where, buttons);
                case 2: return 1 + frame->onMouseMoved(where, buttons);
                case 3: return 1 + (frame->onWheel(where, m->distance, buttons) ? 1 : 0);
                case 4: return 1 + frame->onMouseExited(where, buttons);
                default: return 0;
            }
        }
        default:
            return 0;
    }
}
