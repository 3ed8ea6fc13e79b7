#pragma once
// Everything the window needs on a Linux machine with real enclosures, wired together:
// the sg driver's nodes, sysfs discovery, the disk claim, udev notifications, Qt message
// boxes, backup files, and the firmware images this build carries.

#include "flash/images.h"
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
#include "platform/posix/posix_file_store.h"
#include "ui/qt_message_boxes.h"

namespace kelm::hardware {

struct HardwarePlatform {
  explicit HardwarePlatform(const linux_platform::SystemRoots& roots);

  linux_platform::RealSysCalls sys;
  linux_platform::SgDeviceFile file;
  linux_platform::BlockDiskClaim diskClaim;
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
