// The effect's display texts and editor readout, from the engine's current settings.
#include "DisplayText.h"
#include "Orv.h"

void Orv::getParameterDisplay(VstInt32 index, char* text) {
    lumdel::parameterDisplay(engine_, index, text);
}

void Orv::getReadout(VstInt32 index, VstInt32& readoutNumber, VstInt32& readoutPoint,
                     bool& readoutSigned, VstInt32& readoutSlash, VstInt32& readoutNumerator,
                     VstInt32& readoutDenominator) {
    lumdel::Readout r;
    r.isSigned = readoutSigned;
    r.slash = readoutSlash;
    r.denominator = readoutDenominator;
    const bool readsValue = index == 16 || index == 39 || index == 40 || index == 52;
    lumdel::parameterReadout(engine_, index, readsValue ? getParameter(index) : 0.0f, r);
    readoutNumber = r.number;
    readoutPoint = r.point;
    readoutSigned = r.isSigned;
    readoutSlash = r.slash;
    readoutNumerator = r.numerator;
    readoutDenominator = r.denominator;
}
