// The editor toolkit in one include.
#pragma once

#include "AEffGUIEditor.h"
#include "CControls.h"
#include "CFrame.h"
#include "CGraphics.h"
#include "CTextControls.h"
#include "CView.h"
