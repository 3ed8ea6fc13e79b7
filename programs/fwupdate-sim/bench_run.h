#pragma once
// The two ways the bench runs: a script without a display, or the window on one. Each face's
// program provides them.

#include <string_view>

#include "programs/fwupdate-sim/bench_inputs.h"

namespace kelm::bench {

// Whether the window has a screen to open on.
bool HasDisplay();

// Says `text` on standard output, or on standard error when `error`; where these reach
// nothing (a Windows window program started from Explorer), in a message box.
void Tell(std::string_view text, bool error);

// Both return the program's exit status. `program` is the program's own path (argv[0]).
int RunScripted(BenchInputs& inputs, char* program);
int RunOnDisplay(BenchInputs& inputs, char* program);

}  // namespace kelm::bench
