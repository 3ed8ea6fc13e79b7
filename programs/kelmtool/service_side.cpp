// kelmtool as a user on Linux: the enclosures through the firmware update service, which
// alone opens them and asks polkit first. The user's files are opened here and handed over.

#include <signal.h>
#include <unistd.h>

#include <charconv>
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>

#include "chip/bridge_models.h"
#include "flash/engine_settings.h"
#include "platform/linux/fwupdate_client.h"
#include "platform/linux/sysfs_scan.h"
#include "platform/system.h"
#include "platform/posix/posix_file_store.h"
#include "platform/text/printable_text.h"
#include "programs/kelmtool/backup_record.h"
#include "programs/kelmtool/backup_run.h"
#include "programs/kelmtool/console_ports.h"
#include "programs/kelmtool/drive_output.h"
#include "programs/kelmtool/linux_drive_locator.h"
#include "programs/kelmtool/machine_side.h"
#include "programs/kelmtool/service_files.h"
#include "programs/kelmtool/terminal_host.h"
#include "programs/kelmtool/tool.h"
#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

namespace {

namespace fwbus = linux_platform::fwbus;
using linux_platform::FirmwareServiceClient;
using linux_platform::ServiceError;

constexpr std::string_view kThroughService = "Through the firmware update service (org.kelm.FirmwareUpdate1).";
constexpr std::string_view kReplug = "Please un-plug AC adapter and plug it again";

// The service's texts are UTF-8; the core's, which the outputs convert, are Latin-1.
std::string Latin1(const std::string& text) { return text::Utf8ToLatin1(text); }

DriveReport ReportOf(const fwbus::EnclosureFacts& facts) {
  DriveReport report;
  report.path = Latin1(facts.path);
  report.name = Latin1(facts.name);
  report.code = facts.code;
  report.modelName = Latin1(facts.modelName);
  report.firmwareVersion = Latin1(facts.firmwareVersion);
  report.hasSerialFlash = facts.hasSerialFlash;
  report.flashCode = facts.flashCode;
  report.flashMaker = Latin1(facts.flashMaker);
  report.flashSize = facts.flashSize;
  report.kind = static_cast<chip::UpdateProcedure>(facts.kind);
  report.procedure = facts.procedure;
  report.imageName = facts.imageName;
  report.imageSize = facts.imageSize;
  report.imageCurrent = facts.imageCurrent;
  return report;
}

DriveNodes NodesOf(const fwbus::EnclosureFacts& facts) {
  return {Latin1(facts.sgNode), Latin1(facts.blockDevice), Latin1(facts.usbId), {}};
}

RunError Refusal(const ServiceError& error) {
  return RunError(error.kind() == ServiceError::Kind::BadInput ? kExitBadInput : kExitRefused, error.what());
}

struct ServiceDrive {
  std::string object;
  std::optional<DriveReport> report;  // none yet when the drive was named, not surveyed
};

// The drive DEVICE names: a list number counts the service's survey, which reports the drive;
// a name is matched against the drives the service publishes, which asks no drive anything.
ServiceDrive FindDrive(FirmwareServiceClient& client, const std::string& argument) {
  std::size_t number = 0;
  const auto [end, ec] = std::from_chars(argument.data(), argument.data() + argument.size(), number);
  if (!argument.empty() && ec == std::errc() && end == argument.data() + argument.size()) {
    const linux_platform::ServiceListing listing = client.List();
    if (number >= listing.enclosures.size()) {
      throw RunError(kExitBadInput, "no drive number " + argument + " (see kelmtool list)");
    }
    const auto& [object, facts] = listing.enclosures[number];
    return {object, ReportOf(facts)};
  }
  const std::vector<linux_platform::EnclosureObject> published = client.Enclosures();
  std::vector<std::string> paths;
  for (const auto& enclosure : published) paths.push_back(enclosure.path);
  const std::optional<std::string> byNode = LinuxDriveLocator(linux_platform::SystemRoots{}).Match(argument, paths);
  for (const auto& enclosure : published) {
    if (argument == enclosure.path || argument == enclosure.sgNode || argument == enclosure.blockDevice ||
        byNode == enclosure.path) {
      return {enclosure.object, std::nullopt};
    }
  }
  throw RunError(kExitBadInput, "no USB drive is named " + argument + " (see kelmtool list)");
}

// The drive with its survey: the service's Identify when the name alone was known.
ServiceDrive ResolveDrive(FirmwareServiceClient& client, const std::string& argument) {
  ServiceDrive drive = FindDrive(client, argument);
  if (!drive.report) drive.report = ReportOf(client.Identify(drive.object));
  return drive;
}

// An interrupt ends this program at once: the procedure is the service's and goes on. What it
// says is made before the handler is set, and names where the backup of the flash is.
std::string leavingBeforeBackup;
std::string leavingAfterBackup;
volatile sig_atomic_t backupNamed = 0;

void LeaveToService(int) {
  const std::string& said = backupNamed != 0 ? leavingAfterBackup : leavingBeforeBackup;
  const ssize_t written = write(STDERR_FILENO, said.data(), said.size());
  static_cast<void>(written);
  _exit(kExitInterrupted);
}

void LeaveToServiceOnInterrupt(const linux_platform::HiddenBackupFile& backup) {
  const std::string said = "\nkelmtool: interrupted; the service finishes the procedure, and kelmtool list tells "
                           "how it ended; the backup of the flash as it was is ";
  leavingBeforeBackup = said + backup.hidden() + "\n";
  leavingAfterBackup = said + backup.target() + "\n";
  struct sigaction action {};
  action.sa_handler = LeaveToService;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
}

std::string TimeText(std::uint64_t seconds) {
  const auto when = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&when, &local);
  char text[32] = {};
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

int ListThroughService(const CommandLine& line, FirmwareServiceClient& client, std::FILE* out) {
  const linux_platform::ServiceListing listing = client.List();
  nlohmann::json drives = nlohmann::json::array();
  nlohmann::json results = nlohmann::json::array();
  if (!line.json) std::fprintf(out, "%s\n", std::string(kThroughService).c_str());
  for (std::size_t i = 0; i < listing.enclosures.size(); ++i) {
    const fwbus::EnclosureFacts& facts = listing.enclosures[i].second;
    if (line.json) drives.push_back(DriveJson(i, ReportOf(facts), NodesOf(facts)));
    else PrintDrive(out, i, ReportOf(facts), NodesOf(facts));
  }
  if (!line.json && listing.enclosures.empty()) std::fprintf(out, "No drive behind a USB bridge found.\n");
  if (!line.json && !listing.results.empty()) std::fprintf(out, "Procedures the service ran:\n");
  for (const fwbus::ProcedureResult& result : listing.results) {
    if (line.json) {
      results.push_back({{"path", result.path}, {"operation", result.operation},
                         {"succeeded", result.succeeded}, {"ended_at", result.endedAt}, {"text", result.text}});
    } else {
      std::fprintf(out, "   %s %s: %s %s: %s\n", TimeText(result.endedAt).c_str(), result.path.c_str(),
                   result.operation.c_str(), result.succeeded ? "succeeded" : "failed", result.text.c_str());
    }
  }
  if (line.json) {
    const nlohmann::json document = {{"access", "service"}, {"drives", drives}, {"results", results}};
    std::fprintf(out, "%s\n", document.dump(2).c_str());
  }
  return 0;
}

// A procedure's texts shown as the direct run shows them: the status lines of the backup,
// then those of the flash with the bar.
class ProcedureView {
 public:
  ProcedureView(std::FILE* out, bool drawBar) : backup_(out, false), flash_(out, drawBar), current_(&backup_) {
    backup_.HoldLatestLine();
  }
  linux_platform::ProcedureEvents Events(std::function<void(const fwbus::EnclosureFacts&)> surveyed,
                                         std::function<void()> backupWritten) {
    return {[this](const std::string& text) { current_->SetStatus(Latin1(text)); },
            [this](std::int32_t step) { current_->AdvanceProgress(step); },
            [this](const std::string& caption, const std::string& text, std::uint32_t icon) {
              boxes_.Show(Latin1(caption), Latin1(text), static_cast<platform::MessageIcon>(icon));
            },
            [this, backupWritten = std::move(backupWritten)] {
              backup_.Finish();
              current_ = &flash_;
              if (backupWritten) backupWritten();
            },
            std::move(surveyed),
            {}};
  }
  // A failed backup's last status is said once, as the run's error.
  void EndFailed() {
    if (current_ == &backup_) backup_.DropHeldLine();
    current_->Finish();
  }
  TerminalHost& backup() { return backup_; }
  TerminalHost& flash() { return flash_; }

 private:
  ConsoleMessageBoxes boxes_;
  TerminalHost backup_;
  TerminalHost flash_;
  TerminalHost* current_;
};

// The service announces the enclosure's removal and its arrival after the re-plug; the wait
// ends once the service lists a bridge of the model updated again.
bool AwaitReplug(FirmwareServiceClient& client, const DriveReport& before, std::FILE* out) {
  return AwaitRemovalThenArrival(
      out,
      [&](DeviceChangeHandler handler) {
        client.WatchEnclosures([handler = std::move(handler)](bool added, const std::string&) {
          handler(added ? platform::kDeviceArrival : platform::kDeviceRemoveComplete);
        });
        return true;
      },
      [&](std::chrono::milliseconds left) { client.Wait(left); },
      [&] {
        for (const auto& [object, facts] : client.List().enclosures) {
          if (chip::ModelOf(ReportOf(facts).code) == chip::ModelOf(before.code)) return true;
        }
        return false;
      });
}

// After the re-plug: the bridge found again, and whether it holds the image written.
void ReportAfterReplug(FirmwareServiceClient& client, const DriveReport& before, bool checkImage, std::FILE* out) {
  for (const auto& [object, facts] : client.List().enclosures) {
    const DriveReport now = ReportOf(facts);
    if (chip::ModelOf(now.code) != chip::ModelOf(before.code)) continue;
    std::fprintf(out, "Found again: %s, firmware %s\n", BridgeText(now).c_str(), now.firmwareVersion.c_str());
    if (checkImage && now.kind == chip::UpdateProcedure::Jmb352) {
      std::fprintf(out, "%s\n", now.imageCurrent ? "The flash holds the image." : "The flash does not hold the image.");
      if (!now.imageCurrent) throw RunError(kExitRefused, "the enclosure came back without the image");
    }
    return;
  }
  throw RunError(kExitRefused, "the enclosure did not come back with a " + before.modelName);
}

int BackupThroughService(const CommandLine& line, FirmwareServiceClient& client, std::FILE* out) {
  posix::PosixFileStore files;
  const std::string& file = line.operands[1];
  CheckBackupTarget(files, file, line.force);
  const ServiceDrive drive = ResolveDrive(client, line.operands[0]);
  linux_platform::HiddenBackupFile target(file);
  RequireMade(target);
  ProcedureView view(out, false);
  try {
    client.Backup(drive.object, target.fd(), line.size.value_or(kDefaultBackupSize), view.Events({}, {}));
  } catch (const ServiceError& error) {
    view.EndFailed();
    throw Refusal(error);
  }
  view.backup().Finish();
  if (!target.Keep(line.force)) throw RunError(kExitRefused, file + ": the backup cannot be given this name");
  WriteBackupRecord(files, *drive.report, file);
  std::fprintf(out, "Backup of %s written: %s\n", BridgeText(*drive.report).c_str(), file.c_str());
  return 0;
}

// What runs before the call needs the drive's survey only for a restore (the backup must
// match the bridge) or for the backup's default name. Otherwise the drive is named and the
// procedure's own survey, which the service makes before anything else, reports it: one
// survey and one authorization per update, as when root updates the drive directly.
bool NeedsSurveyFirst(const CommandLine& line, bool restore) { return restore || !line.backupFile; }

int UpdateThroughService(const CommandLine& line, FirmwareServiceClient& client, std::FILE* out) {
  posix::PosixFileStore files;
  const bool restore = line.subcommand == Subcommand::Restore;
  const std::optional<std::string> userFile = restore ? std::optional(line.operands[1]) : line.imageFile;
  // The user's files are checked before the bridge is asked anything.
  std::vector<std::uint8_t> given =
      userFile ? ReadUserFile(files, *userFile, flash::kLargestFlashSize) : std::vector<std::uint8_t>();
  if (line.backupFile) CheckBackupTarget(files, *line.backupFile, line.force);
  ServiceDrive drive = NeedsSurveyFirst(line, restore) ? ResolveDrive(client, line.operands[0])
                                                       : FindDrive(client, line.operands[0]);
  if (drive.report && (drive.report->procedure.empty() || drive.report->imageName.empty())) {
    throw RunError(kExitRefused, BridgeText(*drive.report) + ": The chip not support Firmware Update!");
  }
  if (restore) CheckedBackup(files, line.operands[1], std::move(given), *drive.report);

  const std::string backup = line.backupFile.value_or(drive.report ? DefaultBackupName(*drive.report) : "");
  linux_platform::HiddenBackupFile target(backup);
  RequireMade(target);
  const int image = userFile ? OpenUserFile(*userFile) : -1;
  struct CloseImage {
    int fd;
    ~CloseImage() {
      if (fd >= 0) close(fd);
    }
  } closeImage{image};
  LeaveToServiceOnInterrupt(target);
  std::string recordError;
  bool backupKept = false;
  ProcedureView view(out, isatty(fileno(out)) != 0);
  // The service's survey comes before the backup starts; the newest survey is the drive's.
  const auto surveyed = [&](const fwbus::EnclosureFacts& facts) { drive.report = ReportOf(facts); };
  const auto backupWritten = [&] {
    // The backup is whole before the first erase: it gets its name and record now, so that it
    // stays whatever becomes of this client.
    try {
      if (!drive.report) throw RunError(kExitRefused, "the service did not say which bridge it surveyed");
      backupKept = target.Keep(line.force);
      backupNamed = backupKept ? 1 : 0;
      if (!backupKept) throw RunError(kExitRefused, backup + ": the backup cannot be given this name");
      WriteBackupRecord(files, *drive.report, backup);
      std::fprintf(out, "Backup of the flash as it was: %s\n", backup.c_str());
    } catch (const RunError& error) {
      recordError = error.what();
      TellError(recordError);
    }
    if (drive.report) {
      const std::string written = restore ? line.operands[1] : line.imageFile.value_or(drive.report->imageName);
      std::fprintf(out, "%s %s with %s...\n", restore ? "Restoring" : "Updating",
                   BridgeText(*drive.report).c_str(), written.c_str());
    }
    std::fflush(out);
  };
  try {
    if (restore) client.Restore(drive.object, target.fd(), image, view.Events(surveyed, backupWritten));
    else client.Update(drive.object, target.fd(), image, view.Events(surveyed, backupWritten));
  } catch (const ServiceError& error) {
    view.EndFailed();
    throw Refusal(error);
  }
  if (!drive.report) throw RunError(kExitRefused, "the service did not say which bridge it surveyed");
  const DriveReport& report = *drive.report;
  if (!backupKept && recordError.empty()) {
    // The service found the flash holding the image already: nothing was read nor written.
    std::fprintf(out, "%s already holds %s; nothing to do.\n", BridgeText(report).c_str(),
                 restore ? line.operands[1].c_str() : report.imageName.c_str());
    return 0;
  }
  view.flash().Complete();
  view.flash().Finish();
  std::fprintf(out, "%s\n", std::string(kReplug).c_str());
  if (!recordError.empty()) return kExitRefused;
  if (!line.wait) return 0;

  std::fflush(out);
  if (!AwaitReplug(client, report, out)) throw RunError(kExitRefused, "the enclosure was not plugged in again in time");
  // Whether the flash holds the image is known for the service's own image only.
  ReportAfterReplug(client, report, !restore && !line.imageFile, out);
  return 0;
}

}  // namespace

int RunThroughService(const CommandLine& line, std::FILE* out) {
  if (line.trace) {
    TellError("--trace: only as root, when kelmtool opens the enclosures itself");
    return kExitBadInput;
  }
  return RunReportingFailures(out, [&] {
    try {
      FirmwareServiceClient client;
      switch (line.subcommand) {
        case Subcommand::List: return ListThroughService(line, client, out);
        case Subcommand::Backup: return BackupThroughService(line, client, out);
        case Subcommand::Update:
        case Subcommand::Restore: return UpdateThroughService(line, client, out);
        case Subcommand::None: break;
      }
      return kExitBadInput;
    } catch (const ServiceError& error) {
      throw RunError(error.kind() == ServiceError::Kind::BadInput ? kExitBadInput : kExitRefused, error.what());
    }
  });
}

}  // namespace kelm::kelmtool
