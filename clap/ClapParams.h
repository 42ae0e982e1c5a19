// The sixty parameters as CLAP sees them: id = the parameter's index; a continuous
// parameter's plain value is its normalised value 0..1, a stepped one's is its step
// 0..steps-1 (the value at the centre of that step reaches the core). Texts are the
// display texts of the parameter code, followed by the unit where the table gives one.
#pragma once

#include <clap/ext/params.h>

#include <memory>

#include "core/ParameterTable.h"

namespace lumdel {
struct EngineState;
}

namespace lumdel::clap {

// The step count of a parameter CLAP shows as stepped, 0 for a continuous one.
int clapSteps(int index);
// The plain value of a normalised one, and back (a step rounded and held in range).
double plainOf(int index, float normalised);
float normalisedOf(int index, double plain);

// Main thread: the host's description of parameter index (false outside 0..59).
bool paramInfo(int index, clap_param_info_t& info);

// Display texts of values that are not (or not yet) set: each call works on a copy of
// the engine's current settings, so a text depends on the others as the live one does
// (a delay time on its range, a note on the tempo). Main thread.
class ParamTexts {
public:
    ParamTexts();
    ~ParamTexts();
    // The text of plain value v of parameter index; false for an unknown index, a value
    // that is not finite or a buffer of no room.
    bool toText(const EngineState& live, int index, double plain, char* out,
                unsigned size);
    // The plain value whose text is text (with or without the unit): the step whose
    // text it is, or the continuous value whose displayed number comes nearest the
    // number read from it. False when nothing fits.
    bool fromText(const EngineState& live, int index, const char* text, double& plain);

private:
    void textOf(int index, float normalised, char* out);
    double numberAt(int index, float normalised, bool& ok);
    bool searchNumber(int index, const char* text, double wanted, double& plain);

    std::unique_ptr<EngineState> base_, scratch_;
};

}  // namespace lumdel::clap
