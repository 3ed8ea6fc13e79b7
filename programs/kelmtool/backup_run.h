#pragma once
// A backup of the whole flash through the engine's backup run of the bridge's family, with
// its record beside it.

#include <cstdint>
#include <cstdio>
#include <string>

#include "flash/drive_procedures.h"
#include "programs/kelmtool/tool_environment.h"

namespace kelm::kelmtool {

using flash::DriveReport;

// The engine's initial flash size.
inline constexpr std::uint32_t kDefaultBackupSize = 65536;

// Writes `file` and its record; throws RunError (exit 1) when the bridge has no backup run
// or the run fails. The engine's status texts go to `out` as lines.
void BackUpFlash(const ToolEnvironment& env, const DriveReport& drive, const std::string& file,
                 std::uint32_t size, std::FILE* out);

// "<model>-<version>-<date>.bin" in the current folder, not yet taken.
std::string DefaultBackupName(const DriveReport& drive);

using flash::DriveOptions;

}  // namespace kelm::kelmtool
