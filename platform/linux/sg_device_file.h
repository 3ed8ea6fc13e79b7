#pragma once
// The device file port on the sg driver: a drive's device path names its SCSI device (see
// scsi_device_path.h), every open goes to that device's sg node (the path is resolved once and
// every open proven, see resolved_nodes.h), and the pass-through control call hands the
// request to the driver once and collects its answer.

#include <cstdint>
#include <string>
#include <utility>

#include "platform/device_file.h"
#include "platform/linux/resolved_nodes.h"
#include "platform/linux/sys_calls.h"
#include "platform/linux/sysfs_scan.h"

namespace kelm::linux_platform {

class SgDeviceFile final : public platform::DeviceFile {
 public:
  SgDeviceFile(SysCalls& sys, SystemRoots roots)
      : sys_(sys), nodes_(sys, std::move(roots), kScsiGenericClass) {}

  platform::Handle Open(const std::string& path, platform::ShareMode share) override;
  bool Control(platform::Handle handle, std::uint32_t code,
               platform::PassThroughRequest& request) override;
  std::uint32_t LastError() const override { return lastError_; }
  void Close(platform::Handle handle) override;

  // The open flags for a share mode (read-write always; exclusive adds O_EXCL).
  static int OpenFlags(platform::ShareMode share);

  // How many times a path was walked in sysfs.
  int resolutions() const { return nodes_.resolutions(); }

 private:
  // Submits the request once and waits for its answer; 0 or -errno.
  int SubmitOnce(int fd, sg_io_hdr& header);

  SysCalls& sys_;
  ResolvedNodes nodes_;
  std::uint32_t lastError_ = 0;
};

}  // namespace kelm::linux_platform
