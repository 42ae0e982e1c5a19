// The circle constants of the engine.
#pragma once

namespace lumdel {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

}  // namespace lumdel
