// The thin horizontal slide switch of the panel: the toolkit's horizontal switch, one
// frame per position (a control-click gives the default).
#pragma once

#include "toolkit/vstgui.h"

class OrvSwitch : public CHorizontalSwitch {
public:
    OrvSwitch(const CRect& size, CControlListener* listener, std::int32_t tag,
              std::int32_t subPixmaps, CCoord heightOfOneImage, std::int32_t positions,
              CBitmap* background, const CPoint& offset)
        : CHorizontalSwitch(size, listener, tag, subPixmaps, heightOfOneImage, positions,
                            background, offset) {}
};
