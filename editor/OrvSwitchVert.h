// A vertical selector that takes its position from where it is clicked; dragging does
// not move it.
#pragma once

#include "toolkit/vstgui.h"

class OrvSwitchVert : public CVerticalSwitch {
public:
    OrvSwitchVert(const CRect& size, CControlListener* listener, std::int32_t tag,
                  std::int32_t subPixmaps, CCoord heightOfOneImage, std::int32_t positions,
                  CBitmap* background, const CPoint& offset);

    // Frame toStep(value, positions).
    void draw(CDrawContext* context) override;
    // Left button: value floor((y - top) / frame height x positions) / positions; the
    // listener hears it only when it changed. Answers done.
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

private:
    std::int32_t positions_;
};
