// The help overlay: the page of the section under the mouse. A change of page takes
// 500 ms (driven by the editor's idle through CHelp::fadeStep): the old page fades out
// to dark in the first half, the new one fades in from dark in the second, so two texts
// never lie over each other. A left click closes it.
#pragma once

#include <cstdint>
#include <cstring>

#include "toolkit/vstgui.h"

class CHelp;

class CHelpView : public CControl {
public:
    static constexpr std::int32_t kFadeMs = 500;
    static constexpr std::int32_t kHalfFadeMs = kFadeMs / 2;

    CHelpView(const CRect& size, CHelp* help);

    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CHelpView") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CHelpView"; }
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseExited(CPoint& where, const CButtonState& buttons) override;

    void fadeStep(std::uint32_t now);

    // The help page of a panel point (frame coordinates, whole pixels): the section of
    // the panel table under it (1 readout and mixer, 2 delay, 3 modulation, 4 oscillator,
    // 5 filter, 6 reverb, 7 the edges); page 0 is the general one.
    static std::int32_t pageAt(CCoord x, CCoord y);

    std::int32_t page() const { return page_; }
    std::int32_t previousPage() const { return previousPage_; }
    std::int32_t fadeRemaining() const { return fadeRemaining_; }
    // The one page drawn now (the old one in the first half of a fade, else the new
    // one) and how far it shows over the dark (0 to 1).
    std::int32_t shownPage() const;
    float shownOpacity() const;

private:
    void showPage(std::int32_t page);

    CHelp* help_;
    std::int32_t fadeRemaining_ = 0;
    std::uint32_t lastTick_ = 0;
    std::int32_t page_ = 0;
    std::int32_t previousPage_ = 0;
};
