#include "platform/linux/block_disk_claim.h"

#include <fcntl.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/linux/disk_mounts.h"
#include "platform/linux/scsi_device_path.h"

namespace kelm::linux_platform {

int BlockDiskClaim::OpenFlags() { return O_RDONLY | O_EXCL | O_NONBLOCK | O_CLOEXEC; }

std::string BlockDiskClaim::RefusalFor(const std::string& scsiDevice) const {
  const std::optional<ClassNode> disk = ClassNodeOf(roots_, scsiDevice, kBlockClass);
  if (!disk) return {};
  const std::vector<Mount> mounts = MountsOfDisk(
      (std::filesystem::path(scsiDevice) / kBlockClass / disk->name).string(), mountTable_);
  if (mounts.empty()) {
    return "Another program holds " + disk->devNode +
           " (a partition editor, a RAID or LVM set, another update). Close it, then try again.";
  }
  std::string listed;
  for (const Mount& mount : mounts) {
    if (!listed.empty()) listed += ", ";
    listed += mount.source + " on " + mount.point;
  }
  return mounts.size() == 1
             ? "Its filesystem is mounted: " + listed + ". Unmount it, then try again."
             : "Its filesystems are mounted: " + listed + ". Unmount them, then try again.";
}

bool BlockDiskClaim::Claim(const std::string& devicePath) {
  Release();
  refusal_.clear();
  const std::optional<std::string> scsiDevice = ResolveScsiDevice(roots_, devicePath);
  if (!scsiDevice) return false;
  // A SCSI device without a block device (no disk driver bound) has nothing to mount.
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::path(*scsiDevice) / kBlockClass, ec) && !ec) {
    return true;
  }
  const int fd = OpenDeviceNode(sys_, roots_, *scsiDevice, kBlockClass, OpenFlags());
  if (fd == -EBUSY) refusal_ = RefusalFor(*scsiDevice);
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
