// kelm-fwupdate-sim: the update window on simulated enclosures, on a display or driven by a
// script whose transcript goes to standard output.

#include <string>
#include <vector>

#include "platform/native_names.h"
#include "programs/fwupdate-sim/bench_inputs.h"
#include "programs/fwupdate-sim/bench_run.h"
#include "programs/fwupdate-sim/command_line.h"
#include "programs/fwupdate-sim/transcript.h"

int main(int argc, char** argv) {
  using namespace kelm::bench;
  CommandLine line;
  BenchInputs inputs;
  try {
    line = ParseCommandLine(kelm::platform::ProgramArguments(argc, argv));
    if (line.version) {
      Tell("kelm-fwupdate-sim " KELM_VERSION "\n", false);
      return 0;
    }
    if (line.help) {
      Tell(std::string(kUsage) + '\n', false);
      return 0;
    }
    inputs = LoadInputs(line, HasDisplay());
  } catch (const std::exception& error) {
    Tell("kelm-fwupdate-sim: " + OneLine(error.what()) + '\n', true);
    return 2;
  }
  // An image that fails its checks is absent, and said so; the others are offered.
  if (line.images) {
    for (const std::string& refusal : RefusedImageLines(*line.images, inputs.images)) {
      Tell("kelm-fwupdate-sim: " + OneLine(refusal) + '\n', true);
    }
  }
  return inputs.actions ? RunScripted(inputs, argv[0]) : RunOnDisplay(inputs, argv[0]);
}
