#pragma once
// What the subcommands share: how a run ends early, reading the user's files, finding the
// drive a DEVICE argument names.

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "flash/drive_survey.h"
#include "programs/kelmtool/tool_environment.h"

namespace kelm::kelmtool {

// The core's survey of a drive, which the subcommands print and act on.
using flash::DiscoverDrives;
using flash::DriveReport;
using flash::SurveyDrive;

inline constexpr int kExitRefused = 1;   // the device or a check said no
inline constexpr int kExitBadInput = 2;  // bad usage, unknown device, unreadable file
inline constexpr int kExitInterrupted = 130;  // an interrupt held off until the flash was done

// Ends a run with an exit status and one line for standard error.
class RunError : public std::runtime_error {
 public:
  RunError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};

// Exit 2, naming `path` and saying what is wrong with it, unless it can serve `use`.
void RefuseUnusable(const platform::FileStore& files, const std::string& path, platform::PathUse use);

// The whole file when it is a regular file of at most `limit` bytes; else exit 2, before
// anything was read that is not such a file.
std::vector<std::uint8_t> ReadUserFile(const platform::FileStore& files, const std::string& name,
                                       std::size_t limit);

// Exit 2 unless a backup, and its record, may be written to `name`: a name, and nothing
// there but regular files or nothing at all; files only with `replace`, since an earlier
// backup may be the only copy of a bridge's old firmware. Called before the bridge is asked
// anything.
void CheckBackupTarget(const platform::FileStore& files, const std::string& name, bool replace);

// The drive DEVICE names, surveyed. An unknown device ends the run (exit 2) before any
// request is sent when it is named by path; a list number needs the discovery's probes.
DriveReport ResolveDrive(const ToolEnvironment& env, const std::string& argument);

// "JMB352 Series rev 2"
std::string BridgeText(const DriveReport& drive);

}  // namespace kelm::kelmtool
