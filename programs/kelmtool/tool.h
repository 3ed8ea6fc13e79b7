#pragma once
// Runs the chosen subcommand in an environment; the exit status, with a refusal or bad input
// told in one line on standard error.

#include <cstdio>
#include <string>

#include "programs/kelmtool/command_line.h"
#include "programs/kelmtool/tool_environment.h"

namespace kelm::kelmtool {

int RunTool(const CommandLine& line, const ToolEnvironment& env, std::FILE* out);

// Said once when an interrupt comes while a flash is being written.
inline constexpr char kInterruptNotice[] =
    "kelmtool: the flash is being written; stopping once the procedure has ended";

// "kelmtool: <message>" on one line on standard error.
void TellError(const std::string& message);

// The two sides (sim_side.cpp, linux_side.cpp).
int RunOnSimulatedBench(const CommandLine& line, std::FILE* out);
int RunOnThisMachine(const CommandLine& line, std::FILE* out);
// On Linux, as a user: through the firmware update service (service_side.cpp).
int RunThroughService(const CommandLine& line, std::FILE* out);

}  // namespace kelm::kelmtool
