// The small help button: a click lays the help pages (a CHelpView as the frame's modal
// view) over the upper 155 pixels of the panel. The button shows the third frame of its
// bitmap while the help is open, the second while hovered, else the first.
#pragma once

#include <cstdint>

#include "resources/PanelLayout.h"
#include "toolkit/vstgui.h"

class CHelpView;

class CHelp : public CSplashScreen {
public:
    static constexpr CCoord kPageHeight = lumdel::panel::kPlateHeight;

    // background: the help pages (8 pages of 942 x 155 stacked vertically);
    // buttonBitmap: the button's three frames.
    CHelp(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background,
          CBitmap* buttonBitmap);
    ~CHelp() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseEntered(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;
    void unSplash() override;

    // Editor's idle (at least every 50 ms): advances the help view's fade to now
    // (milliseconds of AEffGUIEditor::getTicks).
    void fadeStep(std::uint32_t now);

    CHelpView* getHelpView() const { return helpView_; }
    bool isHovered() const { return hovered_; }
    // The button frame shown now (0, 1 or 2).
    int buttonFrame() const { return value > 0 ? 2 : hovered_ ? 1 : 0; }

private:
    CHelpView* helpView_ = nullptr;
    CBitmap* buttonBitmap_;
    bool hovered_ = false;
};
