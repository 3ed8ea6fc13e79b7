#include "programs/kelmtool/backup_run.h"

#include <ctime>
#include <filesystem>

#include "chip/bridge_models.h"
#include "chip/jm20336_update.h"
#include "flash/engine_settings.h"
#include "flash/programming.h"
#include "programs/kelmtool/backup_record.h"
#include "programs/kelmtool/terminal_host.h"
#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

namespace {

constexpr std::uint32_t kParallelFlashSize = 65536;

// Letters, digits, dots and dashes: the name must survive any shell and file system.
std::string FileNamePart(std::string_view text) {
  std::string part;
  for (char c : text) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '.';
    if (plain) part += c;
    else if (!part.empty() && part.back() != '-') part += '-';
  }
  while (!part.empty() && part.back() == '-') part.pop_back();
  return part.empty() ? "unknown" : part;
}

std::vector<std::uint8_t> WrittenBytes(const platform::FileStore& files, const std::string& file) {
  try {
    return ReadUserFile(files, file, flash::kLargestFlashSize);
  } catch (const RunError&) {
    throw RunError(kExitRefused, file + ": the backup cannot be read back");
  }
}

}  // namespace

platform::Options DriveOptions(const DriveReport& drive) {
  platform::Options options;
  options.flashCode = drive.flashCode;
  options.sFlashTypeText = drive.flashMaker;
  return options;
}

std::string DefaultBackupName(const DriveReport& drive) {
  std::string model = drive.modelName.substr(0, drive.modelName.find(' '));
  std::string version = drive.firmwareVersion;
  if (version.starts_with("Ver ")) version.erase(0, 4);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16] = {};
  std::strftime(date, sizeof date, "%Y%m%d", &local);
  const std::string stem = FileNamePart(model) + "-" + FileNamePart(version) + "-" + date;
  std::string name = stem + ".bin";
  std::error_code ec;
  // An earlier backup of the same day is the one that may hold the only copy of the old
  // firmware: never replace it.
  for (int n = 2; std::filesystem::exists(name, ec) || std::filesystem::exists(name + ".json", ec); ++n) {
    name = stem + "-" + std::to_string(n) + ".bin";
  }
  return name;
}

void BackUpFlash(const ToolEnvironment& env, const DriveReport& drive, const std::string& file,
                 std::uint32_t size, std::FILE* out) {
  const chip::UpdateProcedure family = chip::ProcedureFor(chip::ModelOf(drive.code));
  platform::Options options = DriveOptions(drive);
  options.rdCheckBox = options.backupFwCheckBox = true;
  options.backupFileName = file;
  TerminalHost host(env.io, options, out, false);
  host.HoldLatestLine();

  bool done = false;
  switch (family) {
    case chip::UpdateProcedure::SerialFlash:
    case chip::UpdateProcedure::Jmb352:
      flash::FirmwareSize = size;
      done = flash::BackupFirmware(host, drive.path, 0) != 0;
      break;
    case chip::UpdateProcedure::Jm20336:
      if (size != kParallelFlashSize) {
        throw RunError(kExitBadInput, "--size: the parallel flash of a " + drive.modelName +
                                          " holds 65536 bytes");
      }
      // The window's Run with the backup box ticked: internal ROM first, then the backup.
      done = chip::UpdateJm20336(host, drive.path, 0);
      break;
    case chip::UpdateProcedure::None:
      throw RunError(kExitRefused, drive.modelName + ": no backup run for this bridge's flash");
  }
  if (!done) {
    // The engine's last status says why: the error line alone says it.
    host.DropHeldLine();
    host.Finish();
    throw RunError(kExitRefused, "backup failed: " + host.Status());
  }
  host.Finish();

  const std::vector<std::uint8_t> bytes = WrittenBytes(env.files, file);
  const BackupRecord record =
      MakeRecord(drive.modelName, chip::ModelOf(drive.code), chip::RevisionOf(drive.code),
                 drive.firmwareVersion, bytes);
  if (!WriteRecord(env.files, file, record)) {
    throw RunError(kExitRefused, RecordFileName(file) + ": the backup's record cannot be written");
  }
}

}  // namespace kelm::kelmtool
