// The rear panel shown by CAbout: the rear-panel bitmap with the version text; a left
// click closes it.
#pragma once

#include <cstring>

#include "toolkit/vstgui.h"

class CAbout;

class CSplashScreenMyView : public CControl {
public:
    static constexpr const char* kVersionText = "v.1.0.0";

    CSplashScreenMyView(const CRect& size, CAbout* about, const CPoint& textPoint);

    bool isTypeOf(const char* name) const override {
        return std::strcmp(name, "CSplashScreenMyView") == 0 || CControl::isTypeOf(name);
    }
    const char* getClassName() const override { return "CSplashScreenMyView"; }
    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

private:
    CAbout* about_;
    CPoint textPoint_;
};
