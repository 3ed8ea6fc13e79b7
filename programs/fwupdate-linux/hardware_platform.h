#pragma once
// Everything the window needs on a Linux machine with real enclosures, wired together:
// the Linux backend, Qt message boxes, backup files, the firmware images this build carries,
// and logind's lock on shutdown and sleep.

#include <optional>
#include <string>

#include "flash/image_folders.h"
#include "flash/images.h"
#include "platform/host.h"
#include "platform/linux/host_services.h"
#include "platform/linux/linux_backend.h"
#include "platform/linux/logind_inhibitor.h"
#include "platform/posix/posix_file_store.h"
#include "window/qt/qt_message_boxes.h"

namespace kelm::hardware {

struct HardwarePlatform {
  // `imagesDir`: the folder --images names, looked in after the images built in.
  explicit HardwarePlatform(const linux_platform::SystemRoots& roots,
                            const std::optional<std::string>& imagesDir = std::nullopt);

  ui::QtMessageBoxes boxes;
  linux_platform::LinuxBackend backend;
  linux_platform::ThreadClock clock;
  linux_platform::StderrDebugOutput debug;
  linux_platform::StdoutOutput out;
  posix::PosixFileStore files;
  // A synthetic test image reaches only drives on the simulated USB bus (dummy_hcd).
  flash::FoundImages images;
  platform::Services services;
  // Shutdown and sleep wait while a flash changes; without logind the debug output says so.
  linux_platform::LogindInhibitor inhibitor;
  linux_platform::UdevDeviceNotifications& notifications = backend.notifications;
  linux_platform::BlockDiskClaim& diskClaim = backend.diskClaim;
};

}  // namespace kelm::hardware
