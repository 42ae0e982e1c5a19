// A film-strip knob that draws its frame into an inner rectangle of the control, with
// the toolkit knob's mouse and wheel rules (fine drag with shift at a fifth of the rate).
#pragma once

#include "toolkit/vstgui.h"

class OrvAnimKnob : public CAnimKnob {
public:
    OrvAnimKnob(const CRect& size, CControlListener* listener, std::int32_t tag,
                std::int32_t subPixmaps, CCoord heightOfOneImage, CBitmap* background,
                const CPoint& offset, const CRect& drawRect);

    // Frame int((frames - 1) x value), taken from offset + (0, frame x height), drawn
    // into the draw rectangle at full opacity.
    void draw(CDrawContext* context) override;

    const CRect& getDrawRect() const { return drawRect_; }
    // The frame the current value shows.
    std::int32_t getFrameIndex() const;

private:
    CRect drawRect_;
};
