// kelmtool: list, back up, update and restore the firmware of USB enclosures from a terminal.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/native_names.h"
#include "programs/kelmtool/command_line.h"
#include "programs/kelmtool/tool.h"
#include "programs/kelmtool/version.h"

int main(int argc, char** argv) {
  using namespace kelm::kelmtool;
  CommandLine line;
  try {
    line = ParseCommandLine(kelm::platform::ProgramArguments(argc, argv));
  } catch (const UsageError& error) {
    TellError(error.what());
    return 2;
  }
  if (line.help) {
    std::fputs(HelpText(line.subcommand).c_str(), stdout);
    return 0;
  }
  if (line.version) {
    std::printf("%.*s\n", static_cast<int>(kVersionText.size()), kVersionText.data());
    return 0;
  }
  return line.OnSimulatedBench() ? RunOnSimulatedBench(line, stdout) : RunOnThisMachine(line, stdout);
}
