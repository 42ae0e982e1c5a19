// Which build of the block this processor runs: the one for any x86-64, or the wide one
// for x86-64-v3 (AVX2, FMA, BMI2, ...). Both give bit-identical output; the wide one is
// faster where it runs.
//
// Contract: asked once per engine, at its construction (any thread, no lock needed):
// reads the processor's feature bits (no system call) and the environment variable
// LUMDEL_CPU, which set to "baseline" keeps the block to the build for any x86-64 (how
// the tests run that build on a processor that has more).
#pragma once

namespace lumdel {

bool wideBlockUsable();

}  // namespace lumdel
