// kelm-fwupdate-sim: the update window on simulated enclosures, on a display or driven by a
// script whose transcript goes to standard output.

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "programs/fwupdate-sim/bench_inputs.h"
#include "programs/fwupdate-sim/bench_run.h"
#include "programs/fwupdate-sim/command_line.h"
#include "programs/fwupdate-sim/transcript.h"

namespace {
// Qt aborts when it cannot reach a display; say so plainly instead.
bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}
}  // namespace

int main(int argc, char** argv) {
  using namespace kelm::bench;
  CommandLine line;
  BenchInputs inputs;
  try {
    line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
      std::cout << kUsage << '\n';
      return 0;
    }
    inputs = LoadInputs(line, HasDisplay());
  } catch (const std::exception& error) {
    std::cerr << "kelm-fwupdate-sim: " << OneLine(error.what()) << std::endl;
    return 2;
  }
  // Qt sees no argument of ours.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  return inputs.actions ? RunScripted(inputs, qtArgc, qtArgv) : RunOnDisplay(inputs, qtArgc, qtArgv);
}
