// Display names of the MIDI controller assignment: one text per display step of an
// assignment value (toStep(v, 129)): 0..127 name the controllers, 128 is
// "not assigned", 129 is empty.
#pragma once

namespace lumdel {

constexpr int kNumControllerNames = 130;

// The text for a display step; any step outside 0..129 gives the empty text.
const char* controllerName(int step);

}  // namespace lumdel
