// kelmtool backup DEVICE FILE [--size BYTES] [--force]

#include "device/commands.h"
#include "programs/kelmtool/backup_run.h"
#include "programs/kelmtool/subcommands.h"
#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

int RunBackup(const CommandLine& line, const ToolEnvironment& env, std::FILE* out) {
  const std::string& file = line.operands[1];
  CheckBackupTarget(env.files, file, line.force);
  const DriveReport drive = ResolveDrive(env, line.operands[0]);
  // The command session the window opens on every drive it lists.
  device::EnterCommand(env.io, drive.path);
  BackUpFlash(env, drive, file, line.size.value_or(kDefaultBackupSize), out);
  std::fprintf(out, "Backup of %s written: %s\n", BridgeText(drive).c_str(), file.c_str());
  return 0;
}

}  // namespace kelm::kelmtool
