// kelmtool update DEVICE [--image FILE] [--backup FILE] [--wait]
// kelmtool restore DEVICE FILE [--backup FILE] [--wait]
// Both run the procedure that the window's YES runs for the bridge, after a backup; restore
// hands it the backup as its image.

#include <unistd.h>

#include <exception>

#include "chip/bridge_models.h"
#include "chip/firmware_file.h"
#include "chip/jm20336_update.h"
#include "device/commands.h"
#include "device/flash_change_span.h"
#include "flash/engine_settings.h"
#include "flash/image_folders.h"
#include "flash/jmb352_update.h"
#include "flash/programming.h"
#include "platform/trace/trace_format.h"
#include "programs/kelmtool/backup_record.h"
#include "programs/kelmtool/backup_run.h"
#include "programs/kelmtool/subcommands.h"
#include "programs/kelmtool/terminal_host.h"
#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

namespace {

constexpr std::string_view kReplug = "Please un-plug AC adapter and plug it again";
constexpr std::string_view kUpdateFail = "Update fail!!";

// `given`: the bytes of the user's file (the backup to restore, or --image), read before
// anything was sent.
std::vector<std::uint8_t> ImageOfRun(const CommandLine& line, const ToolEnvironment& env,
                                     const DriveReport& drive, bool restore,
                                     std::vector<std::uint8_t> given) {
  if (restore) return CheckedBackup(env.files, line.operands[1], std::move(given), drive);
  if (line.imageFile) {
    if (!chip::CheckFirmwareFile(env.io, *line.imageFile, drive.code)) {
      throw RunError(kExitRefused, *line.imageFile + ": The firmware file seems not match this chip! (" +
                                       BridgeText(drive) + ")");
    }
    return given;
  }
  const std::span<const std::uint8_t> image = env.io.images.TakeImage(drive.imageName);
  if (image.empty()) {
    throw RunError(kExitRefused, "no image " + drive.imageName + " for a " + BridgeText(drive) +
                                     ": none built in, and no usable " + drive.imageName +
                                     ".bin in the image folders (see kelmtool --help); give one "
                                     "with --image FILE");
  }
  return {image.begin(), image.end()};
}

// After the re-plug: the bridge found again, and whether it holds what was written.
void ReportAfterReplug(const platform::Services& io, const DriveReport& before, std::FILE* out) {
  for (const std::string& path : DiscoverDrives(io)) {
    const DriveReport now = SurveyDrive(io, path);
    if (chip::ModelOf(now.code) != chip::ModelOf(before.code)) continue;
    std::fprintf(out, "Found again: %s, firmware %s\n", BridgeText(now).c_str(),
                 now.firmwareVersion.c_str());
    if (now.kind == chip::UpdateProcedure::Jmb352) {
      const bool holds = chip::IsEmbeddedImageCurrent(io, path);
      std::fprintf(out, "%s\n", holds ? "The flash holds the image." : "The flash does not hold the image.");
      if (!holds) throw RunError(kExitRefused, "the enclosure came back without the image");
    }
    return;
  }
  throw RunError(kExitRefused, "the enclosure did not come back with a " + before.modelName);
}

// The backup and the procedure, with the drive claimed throughout. A failed run gives the drive
// back; after a changed flash it stays claimed while the user pulls the power, so nothing
// mounts the disk again meanwhile, until the enclosure has left or the tool exits.
void RunClaimed(const CommandLine& line, const ToolEnvironment& env, const platform::Services& io,
                const DriveReport& drive, std::FILE* out) {
  if (!env.claim.Claim(drive.path)) {
    throw RunError(kExitRefused, line.operands[0] +
                                     ": the drive cannot be claimed (mounted, or in use by another "
                                     "program); unmount it first");
  }
  struct ReleaseOnFailure {
    platform::DiskClaim& claim;
    ~ReleaseOnFailure() {
      if (std::uncaught_exceptions() > 0) claim.Release();
    }
  } release{env.claim};

  // The command session the window opens on every drive it lists.
  device::EnterCommand(env.io, drive.path);
  const std::string backup = line.backupFile.value_or(DefaultBackupName(drive));
  BackUpFlash(env, drive, backup, kDefaultBackupSize, out);
  std::fprintf(out, "Backup of the flash as it was: %s\n", backup.c_str());

  const bool restore = line.subcommand == Subcommand::Restore;
  const std::string written = restore ? line.operands[1] : line.imageFile.value_or(drive.imageName);
  std::fprintf(out, "%s %s with %s...\n", restore ? "Restoring" : "Updating",
               BridgeText(drive).c_str(), written.c_str());
  // From the first erase on, an interrupt, a shutdown or sleep waits for the procedure's end.
  device::FlashChangeSpan span(io, env.holdOff);
  TerminalHost host(span.services(), DriveOptions(drive), out, isatty(fileno(out)) != 0);
  const std::uint32_t result = flash::RunUpdateProcedure(host, drive);
  span.End();
  // A failed run's bar stays where it stopped.
  if (result != 0) host.Complete();
  host.Finish();
  if (result == 0) throw RunError(kExitRefused, std::string(kUpdateFail));
}

}  // namespace

int RunUpdate(const CommandLine& line, const ToolEnvironment& env, std::FILE* out) {
  const bool restore = line.subcommand == Subcommand::Restore;
  const std::optional<std::string> userFile = restore ? std::optional(line.operands[1]) : line.imageFile;
  // The user's files are checked before the bridge is asked anything.
  std::vector<std::uint8_t> given =
      userFile ? ReadUserFile(env.files, *userFile, flash::kLargestFlashSize) : std::vector<std::uint8_t>();
  if (line.backupFile) CheckBackupTarget(env.files, *line.backupFile, line.force);
  const DriveReport drive = ResolveDrive(env, line.operands[0]);
  if (drive.procedure.empty() || drive.imageName.empty()) {
    throw RunError(kExitRefused, BridgeText(drive) + ": The chip not support Firmware Update!");
  }
  std::vector<std::uint8_t> image = ImageOfRun(line, env, drive, restore, std::move(given));
  if (flash::IsSyntheticImage(image) && !env.locator.TakesSyntheticImages(drive.path)) {
    throw RunError(kExitRefused, "a synthetic test image is never written to a real device");
  }

  const flash::ReplacedImage images(env.io.images, drive.imageName, std::move(image));
  const platform::Services io{env.io.file, env.io.setup, env.io.clock, env.io.debug,
                              env.io.out,  env.io.boxes, images, env.io.files};
  if (drive.kind == chip::UpdateProcedure::Jmb352 && chip::IsEmbeddedImageCurrent(io, drive.path)) {
    std::fprintf(out, "%s already holds %s; nothing to do.\n", BridgeText(drive).c_str(),
                 restore ? line.operands[1].c_str() : drive.imageName.c_str());
    return 0;
  }

  RunClaimed(line, env, io, drive, out);
  std::fprintf(out, "%s\n", std::string(kReplug).c_str());
  // An interrupt held off during the flash ends the run now that the flash is done.
  if (env.holdOff.interrupted()) return kExitInterrupted;
  if (!line.wait) return 0;

  std::fflush(out);
  if (!env.watch.AwaitReplug()) {
    throw RunError(kExitRefused, "the enclosure was not plugged in again in time");
  }
  env.claim.Release();  // the drive it held has left
  ReportAfterReplug(io, drive, out);
  return 0;
}

}  // namespace kelm::kelmtool
