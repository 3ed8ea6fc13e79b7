#pragma once
// Everything the window needs on a Linux machine with real enclosures, wired together:
// SG_IO on the sg nodes, sysfs discovery, udev notifications, Qt message boxes, and the
// firmware images this build carries.

#include <string>

#include "flash/images.h"
#include "platform/host.h"
#include "platform/linux/host_services.h"
#include "platform/linux/node_access.h"
#include "platform/linux/permission_notice.h"
#include "platform/linux/sg_device_file.h"
#include "platform/linux/sys_calls.h"
#include "platform/linux/sysfs_setup_service.h"
#include "platform/linux/udev_events.h"
#include "platform/linux/udev_notifications.h"
#include "platform/posix/posix_file_store.h"
#include "ui/qt_message_boxes.h"

namespace kelm::hardware {

struct HardwarePlatform {
  // `programPath` is named in the permission message's remedy.
  HardwarePlatform(linux_platform::SystemRoots roots, const std::string& programPath);

  linux_platform::RealSysCalls sys;
  linux_platform::SgDeviceFile file{sys};
  linux_platform::NodeAccess access{sys};
  ui::QtMessageBoxes boxes;
  linux_platform::PermissionNotice permissionNotice;
  linux_platform::SysfsSetupService setup;
  linux_platform::ThreadClock clock;
  linux_platform::StderrDebugOutput debug;
  linux_platform::StdoutOutput out;
  flash::EmbeddedImages images;
  posix::PosixFileStore files;
  linux_platform::LibudevMonitor monitor;
  linux_platform::UdevDeviceNotifications notifications;
  platform::Services services;
};

}  // namespace kelm::hardware
