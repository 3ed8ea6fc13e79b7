#include "platform/linux/block_disk_claim.h"

#include <fcntl.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/linux/scsi_device_path.h"

namespace kelm::linux_platform {

int BlockDiskClaim::OpenFlags() { return O_RDONLY | O_EXCL | O_NONBLOCK | O_CLOEXEC; }

bool BlockDiskClaim::Claim(const std::string& devicePath) {
  Release();
  const std::optional<std::string> scsiDevice = ResolveScsiDevice(roots_, devicePath);
  if (!scsiDevice) return false;
  // A SCSI device without a block device (no disk driver bound) has nothing to mount.
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::path(*scsiDevice) / kBlockClass, ec) && !ec) {
    return true;
  }
  const int fd = OpenDeviceNode(sys_, roots_, *scsiDevice, kBlockClass, OpenFlags());
  if (fd < 0) return false;
  fd_ = fd;
  return true;
}

void BlockDiskClaim::Release() {
  if (fd_ < 0) return;
  sys_.Close(fd_);
  fd_ = -1;
}

}  // namespace kelm::linux_platform
