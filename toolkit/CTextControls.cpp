#include "CTextControls.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CFrame.h"

// --- CParamDisplay ---------------------------------------------------------

CParamDisplay::CParamDisplay(const CRect& r, CBitmap* background, std::int32_t style)
    : CControl(r, nullptr, 0, background), font_(kNormalFontSmall), style_(style) {
    font_->remember();
}

void CParamDisplay::setFont(CFontRef font) {
    if (!font || font == font_) return;
    font->remember();
    font_->forget();
    font_ = font;
    setDirty(true);
}

void CParamDisplay::setValueToStringProc(CParamDisplayValueToStringProc proc, void* userData) {
    proc_ = proc;
    procData_ = userData;
    setDirty(true);
}

void CParamDisplay::setValueToString(std::function<std::string(float)> convert) {
    convert_ = std::move(convert);
    setDirty(true);
}

std::string CParamDisplay::valueText(float v) const {
    if (proc_) {
        char text[256] = {};
        proc_(v, text, procData_);
        text[255] = 0;
        return text;
    }
    if (convert_) return convert_(v);
    char text[64];
    std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(v));
    return text;
}

void CParamDisplay::drawText(CDrawContext* context, const std::string& text) {
    if (pBackground) {
        pBackground->draw(context, size, backOffset);
    } else if (!bTransparencyEnabled) {
        context->setFillColor(backColor_);
        context->fillRect(size);
    }
    if (!(style_ & kNoFrame)) {
        context->setFrameColor(frameColor_);
        context->setLineWidth(1);
        context->drawRect(size);
    }
    if (!(style_ & kNoTextStyle) && !text.empty()) {
        context->setFont(font_);
        CRect inner = size;
        inner.inset(2, 0);
        if (style_ & kShadowText) {
            CRect shadow = inner;
            shadow.offset(1, 1);
            context->setFontColor(kBlackCColor);
            context->drawString(text.c_str(), shadow, false, horiAlign_);
        }
        context->setFontColor(fontColor_);
        context->drawString(text.c_str(), inner, false, horiAlign_);
    }
}

void CParamDisplay::draw(CDrawContext* context) {
    if (!(style_ & kNoDrawStyle)) drawText(context, valueText(value));
    setDirty(false);
}

// --- CTextEdit -------------------------------------------------------------

CTextEdit::CTextEdit(const CRect& r, CControlListener* l, std::int32_t t, const char* text,
                     CBitmap* background, std::int32_t style)
    : CParamDisplay(r, background, style) {
    listener = l;
    tag = t;
    setText(text);
}

void CTextEdit::setText(const char* text) {
    std::string s = text ? text : "";
    if (s.size() > kMaxLength) s.resize(kMaxLength);
    if (s != text_) {
        text_ = s;
        setDirty(true);
    }
}

void CTextEdit::getText(char* text) const {
    if (!text) return;
    std::memcpy(text, text_.c_str(), text_.size() + 1);
}

void CTextEdit::draw(CDrawContext* context) {
    if (style_ & kNoDrawStyle) {
        setDirty(false);
        return;
    }
    const std::string& shown = editing_ ? edit_ : text_;
    drawText(context, shown);
    if (editing_) {
        context->setFont(font_);
        CRect inner = size;
        inner.inset(2, 0);
        const CCoord full = context->getStringWidth(shown.c_str());
        const CCoord before = context->getStringWidth(shown.substr(0, caret_).c_str());
        CCoord x = inner.left;
        if (horiAlign_ == kCenterText)
            x = inner.left + (inner.width() - full) / 2;
        else if (horiAlign_ == kRightText)
            x = inner.right - full;
        x = std::floor(x + before);
        const CCoord h = std::min<CCoord>(context->getFontHeight(), size.height() - 2);
        const CCoord top = std::floor(size.top + (size.height() - h) / 2);
        context->setFrameColor(fontColor_);
        context->setLineWidth(1);
        context->drawLine(CPoint(x, top), CPoint(x, top + h - 1));
    }
    setDirty(false);
}

CMouseEventResult CTextEdit::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    if (!editing_) {
        if (CFrame* frame = getFrame())
            frame->setFocusView(this);
        else
            takeFocus();
    }
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void CTextEdit::takeFocus() {
    if (editing_) return;
    editing_ = true;
    cancelled_ = false;
    edit_ = text_;
    caret_ = edit_.size();
    setDirty(true);
}

void CTextEdit::looseFocus() {
    if (editing_) finish(!cancelled_);
}

void CTextEdit::finish(bool commit) {
    editing_ = false;
    cancelled_ = false;
    setDirty(true);
    if (!commit) return;
    text_ = edit_;
    beginEdit();
    valueChanged();
    endEdit();
}

std::int32_t CTextEdit::onKeyDown(CKeyCode& key) {
    if (!editing_) return -1;
    CFrame* frame = getFrame();
    auto stop = [&](bool commit) {
        cancelled_ = !commit;
        if (frame && frame->getFocusView() == this)
            frame->setFocusView(nullptr);
        else
            finish(commit);
    };
    switch (key.virt) {
        case VKEY_RETURN:
        case VKEY_ENTER: stop(true); return 1;
        case VKEY_ESCAPE: stop(false); return 1;
        case VKEY_BACK:
            if (caret_ > 0) edit_.erase(--caret_, 1);
            break;
        case VKEY_DELETE:
            if (caret_ < edit_.size()) edit_.erase(caret_, 1);
            break;
        case VKEY_LEFT:
            if (caret_ > 0) --caret_;
            break;
        case VKEY_RIGHT:
            if (caret_ < edit_.size()) ++caret_;
            break;
        case VKEY_HOME: caret_ = 0; break;
        case VKEY_END: caret_ = edit_.size(); break;
        case VKEY_SPACE:
            if (edit_.size() < kMaxLength) edit_.insert(caret_++, 1, ' ');
            break;
        default:
            if (key.virt == 0 && key.character >= 32 && key.character < 127 &&
                edit_.size() < kMaxLength)
                edit_.insert(caret_++, 1, static_cast<char>(key.character));
            break;
    }
    setDirty(true);
    return 1;
}

// --- COptionMenu -----------------------------------------------------------

// The open list, shown as the frame's modal view.
class COptionMenuPopup : public CView {
public:
    COptionMenuPopup(COptionMenu* menu, const CRect& rect, CCoord rowHeight, CCoord columnWidth)
        : CView(rect), menu_(menu), rowHeight_(rowHeight), columnWidth_(columnWidth) {}
    ~COptionMenuPopup() override {
        if (menu_) menu_->popupGone();
    }
    const char* getClassName() const override { return "COptionMenuPopup"; }

    CRect entryRect(std::int32_t i) const {
        const std::int32_t perColumn = menu_ ? menu_->getNbItemsPerColumn() : 1;
        const std::int32_t column = i / perColumn, row = i % perColumn;
        const CCoord left = size.left + 2 + column * columnWidth_;
        const CCoord top = size.top + 2 + row * rowHeight_;
        return CRect(left, top, left + columnWidth_, top + rowHeight_);
    }
    std::int32_t entryAt(const CPoint& p) const {
        if (!menu_) return -1;
        for (std::int32_t i = 0; i < menu_->getNbEntries(); ++i)
            if (entryRect(i).pointInside(p)) return i;
        return -1;
    }

    void draw(CDrawContext* context) override {
        context->setFillColor(CColor{236, 236, 232, 255});
        context->setFrameColor(CColor{60, 60, 56, 255});
        context->setLineWidth(1);
        context->drawRect(size, kDrawFilledAndStroked);
        if (!menu_) return setDirty(false);
        context->setFont(menu_->getFont());
        const bool check = (menu_->getStyle() & kCheckStyle) != 0;
        for (std::int32_t i = 0; i < menu_->getNbEntries(); ++i) {
            const CMenuItem* item = menu_->getEntry(i);
            const CRect r = entryRect(i);
            if (item->isSeparator()) {
                context->setFrameColor(CColor{150, 150, 146, 255});
                const CCoord y = std::floor(r.top + r.height() / 2);
                context->drawLine(CPoint(r.left + 2, y), CPoint(r.right - 3, y));
                continue;
            }
            const bool hot = i == hover_ && item->isEnabled();
            if (hot) {
                context->setFillColor(CColor{52, 101, 164, 255});
                context->fillRect(r);
            }
            context->setFontColor(!item->isEnabled() ? CColor{140, 140, 136, 255}
                                  : hot             ? kWhiteCColor
                                                    : CColor{20, 20, 20, 255});
            if (check && i == menu_->getCurrentIndex()) {
                CRect mark(r.left + 3, r.top + r.height() / 2 - 2, r.left + 7, r.top + r.height() / 2 + 2);
                context->setFillColor(hot ? kWhiteCColor : CColor{20, 20, 20, 255});
                context->drawEllipse(mark, kDrawFilled);
            }
            CRect text = r;
            text.left += 10;
            context->drawString(item->getTitle(), text, false, kLeftText);
        }
        setDirty(false);
    }

    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override {
        if (!(buttons.isLeftButton() || buttons.isRightButton())) return kMouseEventHandled;
        COptionMenu* menu = menu_;
        if (!menu) return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        const std::int32_t i = entryAt(where);
        if (i >= 0 && menu->getEntry(i)->isEnabled())
            menu->chooseEntry(i);
        else if (!size.pointInside(where))
            menu->closePopup();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    bool hitTest(const CPoint&, const CButtonState&) override { return true; }  // clicks outside close it
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState&) override {
        setHover(entryAt(where));
        return kMouseEventHandled;
    }
    CMouseEventResult onMouseExited(CPoint&, const CButtonState&) override {
        setHover(-1);
        return kMouseEventHandled;
    }
    std::int32_t onKeyDown(CKeyCode& key) override {
        if (!menu_) return -1;
        COptionMenu* menu = menu_;
        const std::int32_t n = menu->getNbEntries();
        switch (key.virt) {
            case VKEY_ESCAPE: menu->closePopup(); return 1;
            case VKEY_RETURN:
            case VKEY_ENTER:
                if (hover_ >= 0 && menu->getEntry(hover_)->isEnabled())
                    menu->chooseEntry(hover_);
                else
                    menu->closePopup();
                return 1;
            case VKEY_UP: setHover(hover_ <= 0 ? 0 : hover_ - 1); return 1;
            case VKEY_DOWN: setHover(std::min(n - 1, hover_ + 1)); return 1;
            default: return 1;
        }
    }
    void setHover(std::int32_t i) {
        if (i != hover_) {
            hover_ = i;
            setDirty(true);
        }
    }
    void detach() { menu_ = nullptr; }
    std::int32_t hover_ = -1;

private:
    COptionMenu* menu_;
    CCoord rowHeight_, columnWidth_;
};

COptionMenu::COptionMenu(const CRect& r, CControlListener* l, std::int32_t t, CBitmap* background,
                         CBitmap* bgWhenClick, std::int32_t style)
    : CParamDisplay(r, background, style), bgWhenClick_(bgWhenClick) {
    listener = l;
    tag = t;
    if (bgWhenClick_) bgWhenClick_->remember();
    updateRange();
}

COptionMenu::~COptionMenu() {
    closePopup();
    removeAllEntry();
    if (bgWhenClick_) bgWhenClick_->forget();
}

void COptionMenu::updateRange() {
    vmin = 0;
    vmax = static_cast<float>(std::max<std::int32_t>(0, getNbEntries() - 1));
    bounceValue();
}

CMenuItem* COptionMenu::addEntry(const char* title, std::int32_t index, std::int32_t flags) {
    if (title && std::strcmp(title, "-") == 0) flags |= kMenuItemSeparator;
    auto* item = new CMenuItem(title, flags);
    if (index < 0 || index >= getNbEntries())
        entries_.push_back(item);
    else
        entries_.insert(entries_.begin() + index, item);
    if (current_ < 0) current_ = 0;
    updateRange();
    setDirty(true);
    return item;
}

bool COptionMenu::removeEntry(std::int32_t index) {
    if (index < 0 || index >= getNbEntries()) return false;
    delete entries_[static_cast<std::size_t>(index)];
    entries_.erase(entries_.begin() + index);
    if (current_ >= getNbEntries()) current_ = getNbEntries() - 1;
    updateRange();
    setDirty(true);
    return true;
}

void COptionMenu::removeAllEntry() {
    for (CMenuItem* item : entries_) delete item;
    entries_.clear();
    current_ = -1;
    updateRange();
    setDirty(true);
}

CMenuItem* COptionMenu::getEntry(std::int32_t index) const {
    if (index < 0 || index >= getNbEntries()) return nullptr;
    return entries_[static_cast<std::size_t>(index)];
}

bool COptionMenu::setCurrent(std::int32_t index) {
    if (index < 0 || index >= getNbEntries()) return false;
    current_ = index;
    value = static_cast<float>(index);
    setDirty(true);
    return true;
}

void COptionMenu::setValue(float v) {
    CControl::setValue(v);
    if (getNbEntries() > 0 && std::isfinite(v))
        current_ = std::clamp(static_cast<std::int32_t>(value + 0.5f), 0, getNbEntries() - 1);
}

void COptionMenu::draw(CDrawContext* context) {
    if (style_ & kNoDrawStyle) return setDirty(false);
    if (popup_ && bgWhenClick_) {
        bgWhenClick_->draw(context, size, backOffset);
        return setDirty(false);
    }
    const CMenuItem* item = getCurrent();
    drawText(context, item ? item->getTitle() : "");
    setDirty(false);
}

CMouseEventResult COptionMenu::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!buttons.isLeftButton()) return kMouseEventNotHandled;
    openPopup();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

bool COptionMenu::openPopup() {
    CFrame* frame = getFrame();
    if (!frame || popup_ || entries_.empty() || frame->getModalView()) return false;
    // Measure the titles in the menu's font.
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    CCoord widest = 20, fontHeight = 10;
    {
        CDrawContext measure(scratch);
        measure.setFont(font_);
        fontHeight = measure.getFontHeight();
        for (const CMenuItem* item : entries_)
            widest = std::max(widest, measure.getStringWidth(item->getTitle()));
    }
    cairo_surface_destroy(scratch);

    const CRect area = frame->getViewSize();
    const std::int32_t n = getNbEntries();
    const std::int32_t rows = std::min(n, itemsPerColumn_);
    const std::int32_t columns = (n + itemsPerColumn_ - 1) / itemsPerColumn_;
    CCoord rowHeight = std::ceil(fontHeight) + 3;
    CCoord columnWidth = std::ceil(widest) + 16;
    // In the frame's window the list has a window of its own and may reach beyond the
    // frame; drawn inside the frame, rows and columns shrink until it fits.
    const bool ownWindow = frame->canOpenPopupWindow();
    if (!ownWindow) {
        rowHeight = std::max<CCoord>(4, std::min(rowHeight, std::floor((area.height() - 4) / rows)));
        columnWidth =
            std::max<CCoord>(8, std::min(columnWidth, std::floor((area.width() - 4) / columns)));
    }
    const CCoord width = columns * columnWidth + 4, height = rows * rowHeight + 4;
    CCoord left = size.left, top = size.bottom;
    if (!(style_ & kPopupStyle))
        top = size.top - 2 - (std::max(current_, 0) % itemsPerColumn_) * rowHeight;
    if (!ownWindow) {
        left = std::clamp(left, area.left, std::max(area.left, area.right - width));
        top = std::clamp(top, area.top, std::max(area.top, area.bottom - height));
    }

    auto* popup = new COptionMenuPopup(this, CRect(left, top, left + width, top + height),
                                       rowHeight, columnWidth);
    if (!frame->setPopupView(popup)) {
        popup->detach();
        popup->forget();
        return false;
    }
    popup_ = popup;
    setDirty(true);
    return true;
}

CRect COptionMenu::getEntryRect(std::int32_t index) const {
    if (!popup_ || index < 0 || index >= getNbEntries()) return CRect();
    return popup_->entryRect(index);
}

void COptionMenu::closePopup() {
    COptionMenuPopup* popup = popup_;
    if (!popup) return;
    popup_ = nullptr;
    popup->detach();
    if (CFrame* frame = popup->getFrame()) {
        if (frame->getModalView() == popup) frame->setModalView(nullptr);
    }
    popup->forget();
    setDirty(true);
}

void COptionMenu::chooseEntry(std::int32_t index) {
    closePopup();
    const CMenuItem* item = getEntry(index);
    if (!item || !item->isEnabled()) return;
    beginEdit();
    setCurrent(index);
    valueChanged();
    endEdit();
}
