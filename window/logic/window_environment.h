#pragma once
// What a program hands the window: the core's services, device notifications, the
// open-file dialog (a port, so the scripted bench can answer it), the disk claim taken
// while a procedure runs, and what holds off shutdown and sleep while it changes a flash.

#include <functional>
#include <optional>
#include <string>

#include "platform/disk_claim.h"
#include "platform/enclosure_service.h"
#include "platform/flash_hold_off.h"
#include "platform/host.h"

namespace kelm::ui {

class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // Runs the dialog in `initialDir` with a filter such as "BinaryFile|*.bin|All Files|*.*".
  // The chosen file's path, or nothing when cancelled.
  virtual std::optional<std::string> GetOpenFileName(const std::string& initialDir,
                                                     const std::string& filter) = 0;
};

struct WindowEnvironment {
  platform::Services& services;
  platform::DeviceNotifications& notifications;
  FileDialog& fileDialog;
  platform::DiskClaim& diskClaim;
  std::string programDir;  // where the first open-file dialog starts
  // Told every change of the status text, from the window's construction on (the bench
  // writes its transcript from it); may be empty.
  std::function<void(const std::string& status)> statusChanged = {};
  // Holds off shutdown and sleep from a procedure's first flash change until it ends.
  platform::FlashHoldOff& holdOff = platform::NothingHeldOff();
  // When set, the enclosures are listed and updated through this service, which alone may
  // open them; the window then sends no command itself.
  platform::EnclosureService* service = nullptr;
};

}  // namespace kelm::ui
