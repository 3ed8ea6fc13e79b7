#pragma once
// The setup service port on sysfs: the disk class lists the USB-storage SCSI disks, the
// CD-ROM class the USB-storage CD-ROM drives, by sg number. Each path is the SCSI device's
// sysfs directory (see scsi_device_path.h).
//
// A refresh asks for both classes and about every path listed; one scan of sysfs answers all
// of it. A scan serves each class once, so the next refresh's first listing scans again.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/node_access.h"
#include "platform/linux/permission_notice.h"
#include "platform/linux/sysfs_scan.h"
#include "platform/setup_service.h"

namespace kelm::linux_platform {

class SysfsSetupService final : public platform::SetupService {
 public:
  // `notice` (optional) hears of listed drives this process may not use.
  SysfsSetupService(SystemRoots roots, const NodeAccess& access,
                    PermissionNotice* notice = nullptr)
      : roots_(std::move(roots)), access_(access), notice_(notice) {}

  platform::DeviceInfoSet GetClassDevs(std::string_view interfaceClass) override;
  bool EnumDeviceInterfaces(platform::DeviceInfoSet set, std::string_view interfaceClass,
                            std::uint32_t memberIndex,
                            platform::DeviceInterfaceData& data) override;
  bool GetDeviceInterfacePath(platform::DeviceInfoSet set,
                              const platform::DeviceInterfaceData& data,
                              std::string& path) override;
  void DestroyDeviceInfoList(platform::DeviceInfoSet set) override;

  // Every path this service lists is a USB-storage device; asked of another path, no.
  bool IsUsbStoragePath(std::string_view path) const override;

  // How many times sysfs was scanned (a refresh costs one).
  int scans() const { return scans_; }

 private:
  // The scan for listing a class: the current one unless it already served that class.
  const std::vector<ScsiGenericNode>& ScanFor(int scsiType);
  void ReportUnusable(const std::vector<ScsiGenericNode>& nodes);

  SystemRoots roots_;
  const NodeAccess& access_;
  PermissionNotice* notice_;
  std::optional<std::vector<ScsiGenericNode>> scan_;
  std::set<int> served_;  // SCSI types listed from the current scan
  int scans_ = 0;
  std::map<platform::DeviceInfoSet, std::vector<std::string>> sets_;
  platform::DeviceInfoSet nextSet_ = 1;
};

}  // namespace kelm::linux_platform
