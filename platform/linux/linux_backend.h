#pragma once
// The Linux side of every program on real enclosures: the sg driver's nodes, sysfs discovery
// with its permission notice, the disk claim, and udev's device events.

#include "platform/host.h"
#include "platform/linux/block_disk_claim.h"
#include "platform/linux/host_services.h"
#include "platform/linux/node_access.h"
#include "platform/linux/permission_notice.h"
#include "platform/linux/sg_device_file.h"
#include "platform/linux/sys_calls.h"
#include "platform/linux/sysfs_setup_service.h"
#include "platform/linux/udev_events.h"
#include "platform/linux/udev_notifications.h"

namespace kelm::linux_platform {

struct LinuxBackend {
  // `boxes` shows the permission notice.
  LinuxBackend(SystemRoots roots, platform::MessageBoxes& boxes);

  SystemRoots roots;
  RealSysCalls sys;
  SgDeviceFile file;
  BlockDiskClaim diskClaim;
  NodeAccess access{sys};
  PermissionNotice permissionNotice;
  SysfsSetupService setup;
  // The wait for a new node to open is the backend's own, not one of the update's pauses.
  ThreadClock nodeWaitClock;
  LibudevMonitor monitor;
  UdevDeviceNotifications notifications;
};

}  // namespace kelm::linux_platform
