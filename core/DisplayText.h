// What the host shows as a parameter's value and what the editor's four-digit readout
// shows, both computed from the engine's current settings (after curves and step rules),
// not from the raw value last set.
#pragma once

#include "../engine/EngineState.h"

namespace lumdel {

// The value text of parameter index 0..59 into text (at most kDisplayTextBytes bytes with
// the NUL). Any other index leaves text untouched and returns false.
bool parameterDisplay(const EngineState& s, int index, char* text);

// The editor's readout of one parameter. slash is in-out: indices that do not set it
// keep the caller's value, which then decides the number's form. isSigned likewise.
struct Readout {
    int number = 0;
    int point = 0;      // 1: three decimals, 2: two, 3: one, 0: whole units
    bool isSigned = false;
    int slash = 0;      // 0 plain number; 1, 2, 3: a ratio (all one side, mixed, other side)
    int numerator = -1; // a note fraction's numerator, -1 for none
    int denominator = 0;
};

// The editor asks for the tempo's readout by its control's number, after the parameters'.
constexpr int kTempoReadoutIndex = 61;

// Index kTempoReadoutIndex gives the tempo; any other index outside 0..59 gives 0.
void parameterReadout(const EngineState& s, int index, Readout& r);

}  // namespace lumdel
