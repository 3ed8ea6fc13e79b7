#pragma once
// Runs the chosen subcommand in an environment; the exit status, with a refusal or bad input
// told in one line on standard error.

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "programs/kelmtool/command_line.h"
#include "programs/kelmtool/tool_environment.h"

namespace kelm::sim {
class SimPlatform;
}  // namespace kelm::sim

namespace kelm::kelmtool {

int RunTool(const CommandLine& line, const ToolEnvironment& env, std::FILE* out);

// Said once when an interrupt comes while a flash is being written.
inline constexpr char kInterruptNotice[] =
    "kelmtool: the flash is being written; stopping once the procedure has ended";

// "kelmtool: <message>" on one line on standard error.
void TellError(const std::string& message);

// Runs a subcommand: its exit status, or a failure it throws told in one line (a RunError with
// its status, anything else as a refusal), after what it wrote to `out`.
int RunReportingFailures(std::FILE* out, const std::function<int()>& run);

// The two sides (sim_side.cpp, linux_side.cpp).
// `watchFor`, when given, stands for the bench's own hands at the re-plug.
using BenchWatch = std::function<std::unique_ptr<EnclosureWatch>(sim::SimPlatform&)>;
int RunOnSimulatedBench(const CommandLine& line, std::FILE* out, const BenchWatch& watchFor = {});
int RunOnThisMachine(const CommandLine& line, std::FILE* out);
// On Linux, as a user: through the firmware update service (service_side.cpp).
int RunThroughService(const CommandLine& line, std::FILE* out);

}  // namespace kelm::kelmtool
