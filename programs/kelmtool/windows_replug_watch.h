#pragma once
// The re-plug on Windows: WM_DEVICECHANGE for the drives' interface classes. Windows announces
// the USB device first and the disk seconds later, once the disk driver has it; only the
// disk's arrival can bring the enclosure back, so the USB device's class is not asked for.

#include <cstdio>
#include <functional>

#include "platform/windows/windows_notifications.h"
#include "programs/kelmtool/tool_environment.h"

namespace kelm::kelmtool {

class DeviceChangeReplugWatch final : public EnclosureWatch {
 public:
  // `notifications` follows the drives' classes (windows::kDriveClasses).
  DeviceChangeReplugWatch(windows::WindowsDeviceNotifications& notifications, std::FILE* out)
      : notifications_(notifications), out_(out) {}

  bool AwaitReplug(const std::function<bool()>& foundAgain) override;

 private:
  windows::WindowsDeviceNotifications& notifications_;
  std::FILE* out_;
};

}  // namespace kelm::kelmtool
