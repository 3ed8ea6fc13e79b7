#include "programs/kelmtool/backup_run.h"

#include <ctime>
#include <filesystem>

#include "flash/engine_settings.h"
#include "programs/kelmtool/backup_record.h"
#include "platform/trace/trace_format.h"
#include "programs/kelmtool/terminal_host.h"
#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

namespace {

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
  platform::Options options = DriveOptions(drive);
  options.rdCheckBox = options.backupFwCheckBox = true;
  options.backupFileName = file;
  TerminalHost host(env.io, options, out, false);
  host.HoldLatestLine();

  const flash::BackupOutcome outcome = flash::RunBackupProcedure(host, drive, size);
  if (outcome == flash::BackupOutcome::WrongSize) {
    throw RunError(kExitBadInput, "--size: the parallel flash of a " + drive.modelName +
                                      " holds 65536 bytes");
  }
  if (outcome == flash::BackupOutcome::NoBackupRun) {
    throw RunError(kExitRefused, drive.modelName + ": no backup run for this bridge's flash");
  }
  const bool done = outcome == flash::BackupOutcome::Done;
  if (!done) {
    // The engine's last status says why: the error line alone says it.
    host.DropHeldLine();
    host.Finish();
    throw RunError(kExitRefused, "backup failed: " + host.Status());
  }
  host.Finish();
  WriteBackupRecord(env.files, drive, file);
}

void WriteBackupRecord(platform::FileStore& files, const DriveReport& drive, const std::string& file) {
  const std::vector<std::uint8_t> bytes = WrittenBytes(files, file);
  const BackupRecord record =
      MakeRecord(drive.modelName, chip::ModelOf(drive.code), chip::RevisionOf(drive.code),
                 drive.firmwareVersion, bytes);
  if (!WriteRecord(files, file, record)) {
    throw RunError(kExitRefused, RecordFileName(file) + ": the backup's record cannot be written");
  }
}

std::vector<std::uint8_t> CheckedBackup(const platform::FileStore& files, const std::string& file,
                                        std::vector<std::uint8_t> bytes, const DriveReport& drive) {
  std::string error;
  const std::optional<BackupRecord> record = ReadRecord(files, file, error);
  if (!record) throw RunError(kExitRefused, error);
  if (record->modelIndex != chip::ModelOf(drive.code) ||
      record->revision != chip::RevisionOf(drive.code)) {
    throw RunError(kExitRefused, file + ": a backup of a " + record->model + " rev " +
                                     std::to_string(record->revision) + ", not of this " +
                                     BridgeText(drive));
  }
  if (record->size != bytes.size() || record->crc32 != trace::Crc32Text(bytes)) {
    throw RunError(kExitRefused, file + ": does not match its record (changed or damaged)");
  }
  return bytes;
}

}  // namespace kelm::kelmtool
