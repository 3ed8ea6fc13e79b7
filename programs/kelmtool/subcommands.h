#pragma once
// The four subcommands. Each returns the exit status or throws RunError.

#include <cstdio>

#include "programs/kelmtool/command_line.h"
#include "programs/kelmtool/tool_environment.h"

namespace kelm::kelmtool {

int RunList(const CommandLine& line, const ToolEnvironment& env, std::FILE* out);
int RunBackup(const CommandLine& line, const ToolEnvironment& env, std::FILE* out);
// update and restore: the same road, restore with the backup as the image.
int RunUpdate(const CommandLine& line, const ToolEnvironment& env, std::FILE* out);

}  // namespace kelm::kelmtool
