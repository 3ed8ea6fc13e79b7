#pragma once
// The Linux side of every program on real enclosures: SG_IO on the sg nodes, sysfs discovery
// with its permission notice, and udev's device events.

#include <string>

#include "platform/host.h"
#include "platform/linux/host_services.h"
#include "platform/linux/node_access.h"
#include "platform/linux/permission_notice.h"
#include "platform/linux/sg_device_file.h"
#include "platform/linux/sys_calls.h"
#include "platform/linux/sysfs_setup_service.h"
#include "platform/linux/udev_events.h"
#include "platform/linux/udev_notifications.h"

namespace kelm::hardware {

struct LinuxBackend {
  // `boxes` shows the permission notice, which names `programPath` in its remedy.
  LinuxBackend(linux_platform::SystemRoots roots, platform::MessageBoxes& boxes,
               const std::string& programPath);

  linux_platform::SystemRoots roots;
  linux_platform::RealSysCalls sys;
  linux_platform::SgDeviceFile file{sys};
  linux_platform::NodeAccess access{sys};
  linux_platform::PermissionNotice permissionNotice;
  linux_platform::SysfsSetupService setup;
  // The wait for a new node to open is the backend's own, not one of the update's pauses.
  linux_platform::ThreadClock nodeWaitClock;
  linux_platform::LibudevMonitor monitor;
  linux_platform::UdevDeviceNotifications notifications;
};

}  // namespace kelm::hardware
