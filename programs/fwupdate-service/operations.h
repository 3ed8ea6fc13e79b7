#pragma once
// What the service does for its clients, as kelmtool does it on the machine: survey the
// enclosures, back up a flash, update or restore one. Every command is built here from the
// core's procedures; every safety rule of the backend holds (identity proofs, the disk claim,
// the status check, 64 KiB reads), and the files are the descriptors the client handed over.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/disk_claim.h"
#include "platform/flash_hold_off.h"
#include "platform/host.h"
#include "platform/linux/drive_nodes.h"
#include "platform/linux/fwupdate_bus.h"
#include "programs/fwupdate-service/caller_signals.h"
#include "programs/fwupdate-service/descriptor_files.h"

namespace kelm::service {

// The names the procedures know the handed-over files by.
inline constexpr char kBackupFile[] = "backup";
inline constexpr char kImageFile[] = "image";
inline constexpr char kRestoreFile[] = "restore";

// What the service works on: this machine's enclosures, or the simulated bench's.
struct Machine {
  platform::DeviceFile& file;
  platform::SetupService& setup;
  platform::Clock& clock;
  platform::DebugOutput& debug;
  platform::StandardOutput& out;
  const platform::ImageSource& images;
  platform::DiskClaim& claim;
  // Held from a flash's first change to its procedure's end (logind's inhibitor).
  platform::FlashHoldOff& holdOff;
  std::function<linux_platform::DriveNodeNames(const std::string& path)> describe;
  std::function<bool(const std::string& path)> takesSyntheticImages;
};

// A check said no; what() is one sentence for the user.
class OperationError : public std::runtime_error {
 public:
  enum class Kind { Refused, BadInput, NotAuthorized };
  OperationError(Kind kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

// Every drive a bridge answers behind, surveyed (commands that read only).
std::vector<linux_platform::fwbus::EnclosureFacts> SurveyAll(Machine& machine);
// One drive; Refused when no bridge answers behind it.
linux_platform::fwbus::EnclosureFacts Identify(Machine& machine, const std::string& path);

// `files` holds kBackupFile. Returns how it ended, for the result book.
std::string Backup(Machine& machine, CallerSignals& signals, DescriptorFileStore& files,
                   const std::string& path, std::uint32_t size);

struct UpdateEnd {
  std::string text;
  bool flashChanged = false;  // the drive stays claimed until it leaves
};

// The backup of the flash as it was into kBackupFile, then the bridge's procedure with the
// image in kImageFile (when handed over; else the service's own) or, for a restore, the
// backup in kRestoreFile. After a changed flash the drive stays claimed until it leaves.
UpdateEnd Update(Machine& machine, CallerSignals& signals, DescriptorFileStore& files,
                 const std::string& path, bool restore);

}  // namespace kelm::service

namespace kelm::service {

// The engineering panel's run as a client asks for it.
struct PanelRunRequest {
  // The panel's boxes; the flash's maker and code come from the service's own survey.
  platform::Options options;
  bool defaultBackupName = false;  // the panel named no backup file
  std::int32_t flashType = 0;
  std::uint32_t firmwareSize = 65536;
  std::uint32_t pageSize = 16384;
  int backupFile = -1;  // descriptors, -1 when not handed over
  int image = -1;
};

// Why the request cannot be run; empty when it can. Said before authorization.
std::string WhyBadRun(const PanelRunRequest& request);

// Whether the run of a bridge model with these options only reads the flash (a backup-only run
// of a procedure that honours it).
bool RunOnlyReads(std::uint8_t model, const platform::Options& options);

struct PanelRunEnd {
  std::uint32_t result = 0;  // the procedure's: nonzero when it succeeded
  bool flashChanged = false;  // the drive stays claimed until it leaves
};

// The window's own procedure for the drive's model, with the panel's options and settings.
// `authorizeChange` is asked, after the survey and before any command of the run, when the
// bridge's procedure may change the flash although the options asked for a backup only; it
// throws to refuse.
PanelRunEnd RunPanel(Machine& machine, CallerSignals& signals, DescriptorFileStore& files,
                     const std::string& path, const PanelRunRequest& request,
                     const std::function<void()>& authorizeChange);

// Why a backup of `size` bytes cannot be asked for; empty when it can. Said before
// authorization: bad arguments never reach polkit, nor a device.
std::string WhyBadBackupSize(std::uint32_t size);

}  // namespace kelm::service
