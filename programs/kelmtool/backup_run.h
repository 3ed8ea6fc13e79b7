#pragma once
// A backup of the whole flash through the engine's backup run of the bridge's family, with
// its record beside it.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

// Reads the backup `file` back and writes its record beside it; exit 1 when either fails.
void WriteBackupRecord(platform::FileStore& files, const DriveReport& drive, const std::string& file);

// "<model>-<version>-<date>.bin" in the current folder, not yet taken.
std::string DefaultBackupName(const DriveReport& drive);

using flash::DriveOptions;

// `bytes`, the backup `file` to restore, when its record beside it says it is intact and of a
// bridge of the drive's model and revision; else exit 1.
std::vector<std::uint8_t> CheckedBackup(const platform::FileStore& files, const std::string& file,
                                        std::vector<std::uint8_t> bytes, const DriveReport& drive);

}  // namespace kelm::kelmtool
