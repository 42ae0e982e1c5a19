#include "CView.h"

#include <cmath>

#include "CFrame.h"

CView::CView(const CRect& rect) : size(rect), mouseableArea(rect) {}

CView::~CView() {
    if (pBackground) pBackground->forget();
}

void CView::draw(CDrawContext* context) {
    if (pBackground) pBackground->draw(context, size, backOffset);
    setDirty(false);
}

CMouseEventResult CView::onMouseDown(CPoint&, const CButtonState&) { return kMouseEventNotHandled; }
CMouseEventResult CView::onMouseUp(CPoint&, const CButtonState&) { return kMouseEventNotHandled; }
CMouseEventResult CView::onMouseMoved(CPoint&, const CButtonState&) { return kMouseEventNotHandled; }
CMouseEventResult CView::onMouseEntered(CPoint&, const CButtonState&) {
    return kMouseEventNotHandled;
}
CMouseEventResult CView::onMouseExited(CPoint&, const CButtonState&) {
    return kMouseEventNotHandled;
}
bool CView::onWheel(const CPoint&, const float&, const CButtonState&) { return false; }
std::int32_t CView::onKeyDown(CKeyCode&) { return -1; }
std::int32_t CView::onKeyUp(CKeyCode&) { return -1; }

bool CView::hitTest(const CPoint& where, const CButtonState&) {
    return mouseableArea.pointInside(where);
}

void CView::setViewSize(const CRect& rect, bool invalidate) {
    if (pParentFrame && invalidate) pParentFrame->invalidRect(size);
    const CCoord dx = rect.left - size.left, dy = rect.top - size.top;
    if (mouseableArea == size)
        mouseableArea = rect;
    else
        mouseableArea.offset(dx, dy);
    size = rect;
    if (invalidate) setDirty(true);
}

void CView::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (pParentFrame) pParentFrame->invalidRect(size);
    setDirty(true);
}

void CView::setBackground(CBitmap* background) {
    if (background == pBackground) return;
    if (background) background->remember();
    if (pBackground) pBackground->forget();
    pBackground = background;
    setDirty(true);
}

// --- CControl --------------------------------------------------------------

CControl::CControl(const CRect& rect, CControlListener* l, std::int32_t t, CBitmap* background)
    : CView(rect), listener(l), tag(t) {
    setBackground(background);
}

void CControl::setValue(float v) {
    if (std::isnan(v)) return;
    if (v < vmin) v = vmin;
    if (v > vmax) v = vmax;
    value = v;
}

void CControl::bounceValue() {
    if (std::isnan(value)) value = vmin;
    if (value > vmax)
        value = vmax;
    else if (value < vmin)
        value = vmin;
}

void CControl::setTag(std::int32_t t) {
    if (listener) listener->controlTagWillChange(this);
    tag = t;
    if (listener) listener->controlTagDidChange(this);
}

void CControl::beginEdit() {
    ++editing_;
    if (listener) listener->controlBeginEdit(this);
    if (pParentFrame) pParentFrame->beginEdit(tag);
}

void CControl::endEdit() {
    if (editing_ > 0) --editing_;
    if (pParentFrame) pParentFrame->endEdit(tag);
    if (listener) listener->controlEndEdit(this);
}

void CControl::valueChanged() {
    if (listener) listener->valueChanged(this);
}

bool CControl::checkDefaultValue(const CButtonState& buttons) {
    if (!buttons.isLeftButton() || buttons.getModifierState() != kControl) return false;
    value = defaultValue;
    bounceValue();
    valueChanged();
    return true;
}

void CControl::setDirty(bool dirty) {
    if (!dirty) oldValue = value;
    CView::setDirty(dirty);
}

void CControl::draw(CDrawContext* context) {
    if (pBackground) pBackground->draw(context, size, backOffset);
    setDirty(false);
}
