// Text controls: parameter display, text field and pop-up menu.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CView.h"

// Style bits of the text controls.
enum CParamDisplayStyle : std::int32_t {
    kShadowText = 1 << 2,
    k3DIn = 1 << 3,
    k3DOut = 1 << 4,
    kRoundRectStyle = 1 << 5,
    kNoDrawStyle = 1 << 6,  // draws nothing at all
    kNoFrame = 1 << 9,      // no frame rectangle
    kNoTextStyle = 1 << 10, // no text (the background alone)
    kCheckStyle = 1 << 11,  // menus: a check mark at the current entry
    kPopupStyle = 1 << 12,  // menus: the list opens below the control, not over it
};

// Turns a value into the text shown (at most 255 characters and the terminator).
using CParamDisplayValueToStringProc = void (*)(float value, char* string, void* userData);

// Shows its value as text: background bitmap (at the background offset) or back
// colour, a frame in the frame colour, the text in the font and font colour.
class CParamDisplay : public CControl {
public:
    CParamDisplay(const CRect& size, CBitmap* background = nullptr, std::int32_t style = 0);
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CParamDisplay") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CParamDisplay"; }
    void draw(CDrawContext* context) override;

    void setFont(CFontRef font);
    CFontRef getFont() const { return font_; }
    void setFontColor(const CColor& c) { fontColor_ = c; setDirty(true); }
    CColor getFontColor() const { return fontColor_; }
    void setBackColor(const CColor& c) { backColor_ = c; setDirty(true); }
    CColor getBackColor() const { return backColor_; }
    void setFrameColor(const CColor& c) { frameColor_ = c; setDirty(true); }
    CColor getFrameColor() const { return frameColor_; }
    void setHoriAlign(CHoriTxtAlign align) { horiAlign_ = align; setDirty(true); }
    void setStyle(std::int32_t style) { style_ = style; setDirty(true); }
    std::int32_t getStyle() const { return style_; }

    void setValueToStringProc(CParamDisplayValueToStringProc proc, void* userData = nullptr);
    void setValueToString(std::function<std::string(float)> convert);
    // The text the value shows now ("%2.2f" without a conversion).
    std::string valueText(float value) const;

protected:
    // Background, frame and the given text.
    void drawText(CDrawContext* context, const std::string& text);

    CFontRef font_;
    CColor fontColor_ = kWhiteCColor;
    CColor backColor_ = kBlackCColor;
    CColor frameColor_ = kBlackCColor;
    CHoriTxtAlign horiAlign_ = kCenterText;
    std::int32_t style_;
    CParamDisplayValueToStringProc proc_ = nullptr;
    void* procData_ = nullptr;
    std::function<std::string(float)> convert_;
};

// A text field: a left click starts typing; printable characters are inserted,
// Backspace/Delete remove, Left/Right/Home/End move; Enter (or a click elsewhere)
// commits the text and tells the listener; Escape restores the text before typing.
class CTextEdit : public CParamDisplay {
public:
    CTextEdit(const CRect& size, CControlListener* listener, std::int32_t tag,
              const char* text = nullptr, CBitmap* background = nullptr, std::int32_t style = 0);
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CTextEdit") == 0 || CParamDisplay::isTypeOf(name);
    }
    const char* getClassName() const override { return "CTextEdit"; }

    static constexpr std::size_t kMaxLength = 255;
    // At most kMaxLength characters are kept.
    void setText(const char* text);
    // Copies the text (kMaxLength + 1 bytes are enough).
    void getText(char* text) const;
    const std::string& getTextString() const { return text_; }
    bool isEditing() const { return editing_; }
    // What is being typed (while editing).
    const std::string& getEditText() const { return edit_; }

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    std::int32_t onKeyDown(CKeyCode& key) override;
    void takeFocus() override;
    void looseFocus() override;

private:
    void finish(bool commit);
    std::string text_;
    std::string edit_;
    std::size_t caret_ = 0;
    bool editing_ = false;
    bool cancelled_ = false;
};

enum CMenuItemFlags : std::int32_t {
    kMenuItemNone = 0,
    kMenuItemDisabled = 1 << 0,
    kMenuItemTitle = 1 << 1,  // a heading, not selectable
    kMenuItemSeparator = 1 << 2,
};

class CMenuItem {
public:
    explicit CMenuItem(const char* title = "", std::int32_t flags = kMenuItemNone)
        : title_(title ? title : ""), flags_(flags) {}
    void setTitle(const char* title) { title_ = title ? title : ""; }
    const char* getTitle() const { return title_.c_str(); }
    bool isEnabled() const { return !(flags_ & (kMenuItemDisabled | kMenuItemTitle | kMenuItemSeparator)); }
    void setEnabled(bool enabled) {
        flags_ = enabled ? flags_ & ~kMenuItemDisabled : flags_ | kMenuItemDisabled;
    }
    bool isSeparator() const { return (flags_ & kMenuItemSeparator) != 0; }
    std::int32_t getFlags() const { return flags_; }

private:
    std::string title_;
    std::int32_t flags_;
};

class COptionMenuPopup;

// A pop-up list of entries. A left click opens the list as an overlay inside the
// frame (its modal view), in columns of getNbItemsPerColumn() entries; a click on an
// entry makes it current and sets the value to its index (listener told, inside one
// edit); a click elsewhere or Escape closes it unchanged. The control itself draws
// like a parameter display showing the current entry's title.
class COptionMenu : public CParamDisplay {
public:
    COptionMenu(const CRect& size, CControlListener* listener, std::int32_t tag,
                CBitmap* background = nullptr, CBitmap* bgWhenClick = nullptr,
                std::int32_t style = 0);
    ~COptionMenu() override;
    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "COptionMenu") == 0 || CParamDisplay::isTypeOf(name);
    }
    const char* getClassName() const override { return "COptionMenu"; }

    // Adds an entry at index (at the end when -1); "-" makes a separator. Returns
    // the entry.
    CMenuItem* addEntry(const char* title, std::int32_t index = -1,
                        std::int32_t flags = kMenuItemNone);
    bool removeEntry(std::int32_t index);
    void removeAllEntry();
    std::int32_t getNbEntries() const { return static_cast<std::int32_t>(entries_.size()); }
    CMenuItem* getEntry(std::int32_t index) const;
    bool setCurrent(std::int32_t index);
    std::int32_t getCurrentIndex() const { return current_; }
    CMenuItem* getCurrent() const { return getEntry(current_); }
    void setNbItemsPerColumn(std::int32_t n) { itemsPerColumn_ = n > 0 ? n : 1; }
    std::int32_t getNbItemsPerColumn() const { return itemsPerColumn_; }

    void setValue(float value) override;
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

    // Opens the list; false when the frame has another modal view.
    bool openPopup();
    bool isPopupOpen() const { return popup_ != nullptr; }
    // Where entry i lies on screen while the list is open (empty otherwise).
    CRect getEntryRect(std::int32_t index) const;
    // Chooses entry i as a click would (the list closes).
    void chooseEntry(std::int32_t index);
    void closePopup();

private:
    friend class COptionMenuPopup;
    void popupGone() { popup_ = nullptr; }
    void updateRange();

    std::vector<CMenuItem*> entries_;
    std::int32_t current_ = -1;
    std::int32_t itemsPerColumn_ = 16;
    CBitmap* bgWhenClick_;
    COptionMenuPopup* popup_ = nullptr;
};
