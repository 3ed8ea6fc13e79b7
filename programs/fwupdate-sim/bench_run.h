#pragma once
// The two ways the bench runs: a script without a display, or the window on one. Each face's
// program provides them.

#include "programs/fwupdate-sim/bench_inputs.h"

namespace kelm::bench {

// Whether the window has a screen to open on.
bool HasDisplay();

// Both return the program's exit status. `program` is the program's own path (argv[0]).
int RunScripted(BenchInputs& inputs, char* program);
int RunOnDisplay(BenchInputs& inputs, char* program);

}  // namespace kelm::bench
