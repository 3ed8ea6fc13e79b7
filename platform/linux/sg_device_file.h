#pragma once
// The device file port on the sg driver: a drive's device path is its /dev/sgN node, and the
// pass-through control call is ioctl(SG_IO).

#include <cstdint>
#include <string>

#include "platform/device_file.h"
#include "platform/linux/sys_calls.h"

namespace kelm::linux_platform {

class SgDeviceFile final : public platform::DeviceFile {
 public:
  explicit SgDeviceFile(SysCalls& sys) : sys_(sys) {}

  platform::Handle Open(const std::string& path, platform::ShareMode share) override;
  bool Control(platform::Handle handle, std::uint32_t code,
               platform::PassThroughRequest& request) override;
  std::uint32_t LastError() const override { return lastError_; }
  void Close(platform::Handle handle) override;

  // The open flags for a share mode (read-write always; exclusive adds O_EXCL).
  static int OpenFlags(platform::ShareMode share);

 private:
  SysCalls& sys_;
  std::uint32_t lastError_ = 0;
};

}  // namespace kelm::linux_platform
