#include "programs/kelmtool/tool.h"

#include "programs/kelmtool/subcommands.h"
#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

void TellError(const std::string& message) {
  std::string line = message;
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  std::fprintf(stderr, "kelmtool: %s\n", line.c_str());
}

int RunReportingFailures(std::FILE* out, const std::function<int()>& run) {
  try {
    return run();
  } catch (const RunError& error) {
    std::fflush(out);
    TellError(error.what());
    return error.status();
  } catch (const std::exception& error) {
    // Unforeseen (memory, a file system error): said on one line like every other failure.
    std::fflush(out);
    TellError(error.what());
    return kExitRefused;
  }
}

int RunTool(const CommandLine& line, const ToolEnvironment& env, std::FILE* out) {
  return RunReportingFailures(out, [&] {
    switch (line.subcommand) {
      case Subcommand::List: return RunList(line, env, out);
      case Subcommand::Backup: return RunBackup(line, env, out);
      case Subcommand::Update:
      case Subcommand::Restore: return RunUpdate(line, env, out);
      case Subcommand::None: break;
    }
    return kExitBadInput;
  });
}

}  // namespace kelm::kelmtool
