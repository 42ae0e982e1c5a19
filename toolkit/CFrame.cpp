#include "CFrame.h"

#include <cairo.h>

#include <algorithm>

#include "X11Window.h"

CFrame::CFrame(const CRect& rect, void* systemWindow, VSTGUIEditorInterface* editor)
    : CView(rect),
      systemWindow_(systemWindow),
      editor_(editor),
      scale_(nearestScale(editor ? editor->getScale() : 1.0)) {
    pParentFrame = this;
    if (systemWindow_)
        window_ = X11Window::create(systemWindow_, static_cast<int>(rect.width()),
                                    static_cast<int>(rect.height()), scale_);
}

CFrame::~CFrame() {
    focusView_ = nullptr;
    if (modalView_) {
        CView* m = modalView_;
        modalView_ = nullptr;
        if (!isChild(m)) {
            m->removed(this);
            m->forget();
        }
    }
    removeAll(true);
    window_.reset();
    if (backBuffer_) cairo_surface_destroy(backBuffer_);
    pParentFrame = nullptr;
}

void CFrame::close() {
    // Typing not yet committed is dropped with the window.
    focusView_ = nullptr;
    if (modalView_) {
        CView* m = modalView_;
        modalView_ = nullptr;
        if (!isChild(m)) {
            m->removed(this);
            m->forget();
        }
    }
    removeAll(true);
    window_.reset();
    forget();
}

unsigned long CFrame::getWindowId() const { return window_ ? window_->id() : 0; }

unsigned long CFrame::getTopLevelWindow() const { return window_ ? window_->topLevelId() : 0; }

// --- views -----------------------------------------------------------------

bool CFrame::addView(CView* view) {
    if (!view || view == this || isChild(view) || view == modalView_) return false;
    views_.push_back(view);
    view->attached(this);
    view->setDirty(true);
    return true;
}

void CFrame::forgetPointersTo(CView* view) {
    if (focusView_ == view) {
        focusView_ = nullptr;
        view->looseFocus();
    }
    if (mouseDownView_ == view) mouseDownView_ = nullptr;
    if (hoverView_ == view) hoverView_ = nullptr;
}

bool CFrame::removeView(CView* view, bool withForget) {
    auto it = std::find(views_.begin(), views_.end(), view);
    if (it == views_.end()) return false;
    views_.erase(it);
    if (modalView_ == view) modalView_ = nullptr;
    forgetPointersTo(view);
    invalidRect(view->getViewSize());
    view->removed(this);
    if (withForget) view->forget();
    return true;
}

void CFrame::removeAll(bool withForget) {
    while (!views_.empty()) removeView(views_.back(), withForget);
}

bool CFrame::isChild(const CView* view) const {
    return view && std::find(views_.begin(), views_.end(), view) != views_.end();
}

CView* CFrame::getView(int index) const {
    if (index < 0 || index >= getNbViews()) return nullptr;
    return views_[static_cast<std::size_t>(index)];
}

bool CFrame::setModalView(CView* view) {
    if (view == modalView_) return true;
    if (view && modalView_) return false;
    if (modalView_) {
        CView* old = modalView_;
        modalView_ = nullptr;
        if (modalInWindow_) {
            modalInWindow_ = false;
            if (window_) window_->closePopup();
        }
        if (mouseDownView_ == old) mouseDownView_ = nullptr;
        if (hoverView_ == old) hoverView_ = nullptr;
        if (focusView_ == old) setFocusView(nullptr);
        invalidRect(old->getViewSize());
        if (!isChild(old)) old->removed(this);
    }
    if (view) {
        // Whatever held the mouse before loses it.
        if (hoverView_) {
            CPoint p = mouseLocation_;
            CView* h = hoverView_;
            hoverView_ = nullptr;
            h->onMouseExited(p, mouseButtons_);
        }
        mouseDownView_ = nullptr;
        modalView_ = view;
        if (!isChild(view)) view->attached(this);
        view->setDirty(true);
    }
    return true;
}

bool CFrame::setPopupView(CView* view) {
    if (!view || !setModalView(view)) return false;
    if (window_ && window_->openPopup(view->getViewSize())) modalInWindow_ = true;
    return true;
}

void CFrame::setFocusView(CView* view) {
    if (view == focusView_) return;
    CView* old = focusView_;
    focusView_ = view;
    if (old) old->looseFocus();
    if (focusView_) {
        focusView_->takeFocus();
        if (window_) window_->takeKeyboardFocus();
    } else if (window_) {
        window_->releaseKeyboardFocus();
    }
}

CView* CFrame::getViewAt(const CPoint& where) const {
    if (modalView_ && modalView_->isVisible() && modalView_->getViewSize().pointInside(where))
        return modalView_;
    for (auto it = views_.rbegin(); it != views_.rend(); ++it)
        if (*it != modalView_ && (*it)->isVisible() && (*it)->getViewSize().pointInside(where))
            return *it;
    return nullptr;
}

bool CFrame::getCurrentMouseLocation(CPoint& where) const {
    if (window_) {
        CPoint p;
        if (!window_->queryPointer(p)) return false;
        where = p;
        return true;
    }
    if (!mouseKnown_) return false;
    where = mouseLocation_;
    return true;
}

// --- mouse -----------------------------------------------------------------

std::vector<CView*> CFrame::viewsAt(const CPoint& where, const CButtonState& buttons) const {
    std::vector<CView*> result;
    if (modalView_) {
        if (modalView_->isVisible() && modalView_->getMouseEnabled() &&
            modalView_->hitTest(where, buttons))
            result.push_back(modalView_);
        return result;
    }
    for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
        CView* v = *it;
        if (v->isVisible() && v->getMouseEnabled() && v->hitTest(where, buttons))
            result.push_back(v);
    }
    return result;
}

CView* CFrame::hoverTarget(const CPoint& where, const CButtonState& buttons) const {
    std::vector<CView*> under = viewsAt(where, buttons);
    return under.empty() ? nullptr : under.front();
}

void CFrame::updateHover(CPoint& where, const CButtonState& buttons) {
    CView* target = hoverTarget(where, buttons);
    if (target == hoverView_) return;
    if (CView* old = hoverView_) {
        hoverView_ = nullptr;
        old->remember();
        old->onMouseExited(where, buttons);
        old->forget();
    }
    if (target && alive(target)) {
        hoverView_ = target;
        target->remember();
        target->onMouseEntered(where, buttons);
        target->forget();
    }
}

CMouseEventResult CFrame::onMouseDown(CPoint& where, const CButtonState& buttons) {
    mouseLocation_ = where;
    mouseKnown_ = true;
    mouseButtons_ = buttons;
    // A click elsewhere ends typing in a text field.
    if (focusView_ && !focusView_->getViewSize().pointInside(where)) setFocusView(nullptr);
    if (mouseDownView_) {
        // A second button while one is held goes to the same view.
        CView* v = mouseDownView_;
        v->remember();
        CMouseEventResult r = v->onMouseDown(where, buttons);
        v->forget();
        return r;
    }
    updateHover(where, buttons);
    for (CView* v : viewsAt(where, buttons)) {
        if (!alive(v)) continue;
        v->remember();
        CMouseEventResult r = v->onMouseDown(where, buttons);
        const bool stillThere = alive(v);
        v->forget();
        if (r == kMouseEventNotHandled) {
            if (modalView_) break;
            continue;
        }
        // A view that opened a modal view hands the mouse over to it.
        if (r == kMouseEventHandled && stillThere && (!modalView_ || v == modalView_))
            mouseDownView_ = v;
        return r;
    }
    return kMouseEventNotHandled;
}

CMouseEventResult CFrame::onMouseUp(CPoint& where, const CButtonState& buttons) {
    mouseLocation_ = where;
    mouseKnown_ = true;
    mouseButtons_ = CButtonState(buttons.getModifierState());
    CMouseEventResult r = kMouseEventNotHandled;
    if (CView* v = mouseDownView_) {
        mouseDownView_ = nullptr;
        v->remember();
        r = v->onMouseUp(where, buttons);
        v->forget();
    }
    updateHover(where, mouseButtons_);
    return r;
}

CMouseEventResult CFrame::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    mouseLocation_ = where;
    mouseKnown_ = true;
    mouseButtons_ = buttons;
    if (CView* v = mouseDownView_) {
        v->remember();
        CMouseEventResult r = v->onMouseMoved(where, buttons);
        v->forget();
        return r;
    }
    updateHover(where, buttons);
    if (CView* v = hoverView_) {
        v->remember();
        CMouseEventResult r = v->onMouseMoved(where, buttons);
        v->forget();
        return r;
    }
    return kMouseEventNotHandled;
}

CMouseEventResult CFrame::onMouseExited(CPoint& where, const CButtonState& buttons) {
    if (mouseDownView_) return kMouseEventHandled;  // dragging outside keeps the capture
    mouseKnown_ = false;
    if (CView* old = hoverView_) {
        hoverView_ = nullptr;
        old->remember();
        old->onMouseExited(where, buttons);
        old->forget();
    }
    return kMouseEventHandled;
}

bool CFrame::onWheel(const CPoint& where, const float& distance, const CButtonState& buttons) {
    mouseLocation_ = where;
    mouseKnown_ = true;
    if (!(distance == distance)) return false;  // not a number
    for (CView* v : viewsAt(where, buttons)) {
        if (!alive(v)) continue;
        v->remember();
        const bool used = v->onWheel(where, distance, buttons);
        v->forget();
        if (used) return true;
    }
    return false;
}

std::int32_t CFrame::onKeyDown(CKeyCode& key) {
    std::int32_t r = -1;
    if (CView* v = focusView_) {
        v->remember();
        r = v->onKeyDown(key);
        v->forget();
    }
    if (r == -1 && modalView_) {
        CView* v = modalView_;
        v->remember();
        r = v->onKeyDown(key);
        v->forget();
    }
    return r;
}

std::int32_t CFrame::onKeyUp(CKeyCode& key) {
    std::int32_t r = -1;
    if (CView* v = focusView_) {
        v->remember();
        r = v->onKeyUp(key);
        v->forget();
    }
    if (r == -1 && modalView_) {
        CView* v = modalView_;
        v->remember();
        r = v->onKeyUp(key);
        v->forget();
    }
    return r;
}

void CFrame::beginEdit(std::int32_t index) {
    if (editor_) editor_->beginEdit(index);
}

void CFrame::endEdit(std::int32_t index) {
    if (editor_) editor_->endEdit(index);
}

// --- drawing ---------------------------------------------------------------

void CFrame::setDirty(bool dirty) { CView::setDirty(dirty); }

void CFrame::setBackground(CBitmap* background) {
    CView::setBackground(background);
    setDirty(true);
}

void CFrame::invalidRect(const CRect& rect) {
    CRect r = rect;
    r.bound(size);
    if (!r.isEmpty()) invalidRects_.push_back(r);
}

std::vector<CView*> CFrame::drawOrder() const {
    std::vector<CView*> order;
    order.reserve(views_.size() + 1);
    for (CView* v : views_)
        if (v != modalView_) order.push_back(v);
    if (modalView_ && !modalInWindow_) order.push_back(modalView_);
    return order;
}

void CFrame::drawViewClipped(CDrawContext& context, CView* view, const CRect& clip) {
    CRect r = view->getViewSize();
    r.bound(clip);
    if (r.isEmpty() || !r.isFinite() || !view->isVisible()) return;
    // Drawn over only part of what shows of it (repainting a view beneath, or an
    // invalidated area), a view that was due for drawing stays due, whatever its draw
    // says: a modal view opened or grown in the same round as a change beneath it
    // would otherwise keep the old picture outside that area.
    CRect shown = view->getViewSize();
    shown.bound(size);
    const bool whole = clip.left <= shown.left && clip.top <= shown.top &&
                       clip.right >= shown.right && clip.bottom >= shown.bottom;
    const bool wasDirty = view->isDirty();
    cairo_t* cr = context.getCairo();
    cairo_save(cr);
    context.setClipRect(r);
    view->draw(&context);
    context.resetClipRect();
    cairo_restore(cr);
    // A view that drew nonsense (a coordinate that is not a number) spoils only itself.
    if (context.recover()) cairo_translate(context.getCairo(), -size.left, -size.top);
    if (whole)
        view->setDirty(false);  // drawn, even if its draw forgot to say so
    else if (wasDirty)
        view->setDirty(true);
    ++drawCount_;
}

// Background and every view over the area, in order.
void CFrame::paintArea(CDrawContext& context, const CRect& area) {
    cairo_t* cr = context.getCairo();
    cairo_save(cr);
    context.setClipRect(area);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    if (pBackground) pBackground->draw(&context, size, backOffset);
    context.resetClipRect();
    cairo_restore(cr);
    for (CView* v : drawOrder())
        if (v->getViewSize().rectOverlap(area)) drawViewClipped(context, v, area);
}

void CFrame::draw(CDrawContext* context) {
    if (!context) return;
    cairo_t* cr = context->getCairo();
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, size.left, size.top, size.width(), size.height());
    cairo_fill(cr);
    cairo_restore(cr);
    if (pBackground) pBackground->draw(context, size, backOffset);
    for (CView* v : drawOrder()) {
        if (!v->isVisible() || !v->getViewSize().isFinite()) continue;
        cairo_t* c = context->getCairo();
        cairo_save(c);
        context->setClipRect(v->getViewSize());
        v->draw(context);
        context->resetClipRect();
        cairo_restore(c);
        v->setDirty(false);
        if (context->recover()) cairo_translate(context->getCairo(), -size.left, -size.top);
    }
    CView::setDirty(false);
}

cairo_surface_t* CFrame::getBackBuffer() {
    if (!backBuffer_) {
        backBuffer_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32,
                                                 std::max(1, deviceSize(size.width(), scale_)),
                                                 std::max(1, deviceSize(size.height(), scale_)));
        cairo_surface_set_device_scale(backBuffer_, scale_, scale_);
        CView::setDirty(true);
    }
    return backBuffer_;
}

// Draws what changed since the last update into the back buffer. A dirty opaque
// view is drawn alone (with the views above it over its area); a dirty transparent
// view and an invalidated area get the background and every view over them.
void CFrame::updateBackBuffer(CRect* damage) {
    if (!needsDrawing()) return;
    cairo_surface_t* surface = getBackBuffer();
    CDrawContext context(surface);
    cairo_translate(context.getCairo(), -size.left, -size.top);
    CRect changed;
    if (CView::isDirty()) {
        invalidRects_.clear();
        draw(&context);
        for (CView* v : drawOrder())
            if (v->isVisible()) ++drawCount_;
        changed = size;
    } else {
        std::vector<CRect> areas;
        areas.swap(invalidRects_);
        for (const CRect& r : areas) {
            paintArea(context, r);
            changed.unite(r);
        }
        const std::vector<CView*> order = drawOrder();
        for (std::size_t i = 0; i < order.size(); ++i) {
            CView* v = order[i];
            if (!v->isDirty()) continue;
            if (!v->isVisible()) {
                v->setDirty(false);
                continue;
            }
            const CRect area = v->getViewSize();
            if (v->showsWhatIsBeneath()) {
                paintArea(context, area);
            } else {
                drawViewClipped(context, v, area);
                for (std::size_t j = i + 1; j < order.size(); ++j)
                    if (order[j]->getViewSize().rectOverlap(area))
                        drawViewClipped(context, order[j], area);
            }
            CRect c = area;
            c.bound(size);
            changed.unite(c);
        }
    }
    cairo_surface_flush(surface);
    if (damage) damage->unite(changed);
}

void CFrame::idle() {
    // Some hosts call the editor's idle from inside callbacks that our own event
    // handling triggers; the outer idle finishes the work.
    if (inIdle_) return;
    inIdle_ = true;
    CRect damage;
    if (window_) window_->pumpEvents(*this, damage);
    if (editor_) editor_->doIdleStuff();
    updateBackBuffer(&damage);
    if (window_ && !damage.isEmpty()) window_->present(backBuffer_, damage);
    updatePopup();
    inIdle_ = false;
}

bool CFrame::needsDrawing() const {
    if (!backBuffer_ || CView::isDirty() || !invalidRects_.empty()) return true;
    for (CView* v : views_)
        if (v->isDirty()) return true;
    return modalView_ && !modalInWindow_ && modalView_->isDirty();
}

// The modal view in its own window: drawn whole into a picture of its size.
void CFrame::updatePopup() {
    if (!modalInWindow_ || !modalView_ || !window_ || !modalView_->isDirty()) return;
    const CRect r = modalView_->getViewSize();
    cairo_surface_t* picture = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, std::max(1, deviceSize(r.width(), scale_)),
        std::max(1, deviceSize(r.height(), scale_)));
    cairo_surface_set_device_scale(picture, scale_, scale_);
    {
        CDrawContext context(picture);
        cairo_translate(context.getCairo(), -r.left, -r.top);
        modalView_->draw(&context);
        modalView_->setDirty(false);
    }
    cairo_surface_flush(picture);
    window_->presentPopup(picture);
    cairo_surface_destroy(picture);
}

cairo_surface_t* CFrame::renderToSurface() {
    CRect damage;
    updateBackBuffer(&damage);
    if (window_ && !damage.isEmpty()) window_->present(backBuffer_, damage);
    cairo_surface_t* copy = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, std::max(1, deviceSize(size.width(), scale_)),
        std::max(1, deviceSize(size.height(), scale_)));
    cairo_surface_set_device_scale(copy, scale_, scale_);
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, backBuffer_, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(copy);
    return copy;
}

bool CFrame::saveAsPng(const char* path) {
    cairo_surface_t* s = renderToSurface();
    const bool ok = writeSurfacePng(s, path);
    cairo_surface_destroy(s);
    return ok;
}
