// Display texts and readouts arrive with the display code; until then the texts are empty.
#include "Orv.h"

void Orv::getParameterDisplay(VstInt32, char* text) {
    if (text) text[0] = 0;
}

void Orv::getReadout(VstInt32, VstInt32& readoutNumber, VstInt32& readoutPoint, bool&,
                     VstInt32&, VstInt32& readoutNumerator, VstInt32&) {
    readoutNumerator = -1;
    readoutNumber = 0;
    readoutPoint = 0;
}
