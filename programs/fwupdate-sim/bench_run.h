#pragma once
// The two ways the bench runs: a script without a display, or the window on one.

#include "programs/fwupdate-sim/bench_inputs.h"

namespace kelm::bench {

// Both return the program's exit status.
int RunScripted(BenchInputs& inputs, int argc, char** argv);
int RunOnDisplay(BenchInputs& inputs, int argc, char** argv);

}  // namespace kelm::bench
