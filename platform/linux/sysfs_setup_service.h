#pragma once
// The setup service port on sysfs: the disk class lists the sg nodes of USB-storage SCSI
// disks, the CD-ROM class those of USB-storage CD-ROM drives, by sg number. Paths are the
// device nodes themselves (/dev/sgN).

#include <cstdint>
#include <map>
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

  // Every path this service lists is a USB-storage node; asked of another path, sysfs says.
  bool IsUsbStoragePath(std::string_view path) const override;

 private:
  void ReportUnusable();

  SystemRoots roots_;
  const NodeAccess& access_;
  PermissionNotice* notice_;
  std::map<platform::DeviceInfoSet, std::vector<std::string>> sets_;
  platform::DeviceInfoSet nextSet_ = 1;
};

}  // namespace kelm::linux_platform
