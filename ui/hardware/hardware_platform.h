#pragma once
// Everything the window needs on a Linux machine with real enclosures, wired together:
// the Linux backend, Qt message boxes, and the firmware images this build carries.

#include <string>

#include "flash/images.h"
#include "platform/host.h"
#include "platform/linux/host_services.h"
#include "ui/hardware/linux_backend.h"
#include "ui/qt_message_boxes.h"

namespace kelm::hardware {

struct HardwarePlatform {
  // `programPath` is named in the permission message's remedy.
  HardwarePlatform(linux_platform::SystemRoots roots, const std::string& programPath);

  ui::QtMessageBoxes boxes;
  LinuxBackend backend;
  linux_platform::ThreadClock clock;
  linux_platform::StderrDebugOutput debug;
  linux_platform::StdoutOutput out;
  flash::EmbeddedImages images;
  platform::Services services;
  linux_platform::UdevDeviceNotifications& notifications = backend.notifications;
};

}  // namespace kelm::hardware
