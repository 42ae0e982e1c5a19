// What the two overlays (the rear panel and the help pages) share: a left click closes
// them. Each is the frame's modal view, opened by a splash control of the panel.
#pragma once

#include "toolkit/vstgui.h"

// Called from the overlay's onMouseDown (the editor's thread). A left click tells the
// opener its overlay is gone (its value returns to 0), clears the frame's modal view,
// marks the frame for redrawing and releases the overlay, which the frame handed back;
// the overlay must not be touched afterwards. Other buttons are not handled.
CMouseEventResult closeOverlay(CView* overlay, CSplashScreen* opener,
                               const CButtonState& buttons);
