#pragma once
// The disk claim on Linux: the SCSI device's block device held open with O_EXCL. The kernel
// refuses that while any partition is mounted or claimed, and while it is held no filesystem
// can be mounted from the disk, so no automounter slips in during the update. A refusal names
// the filesystems mounted from the disk, from the mount table, for the user to unmount.

#include <string>
#include <utility>

#include "platform/disk_claim.h"
#include "platform/linux/sys_calls.h"
#include "platform/linux/sysfs_scan.h"

namespace kelm::linux_platform {

class BlockDiskClaim final : public platform::DiskClaim {
 public:
  BlockDiskClaim(SysCalls& sys, SystemRoots roots,
                 std::string mountTable = "/proc/self/mountinfo")
      : sys_(sys), roots_(std::move(roots)), mountTable_(std::move(mountTable)) {}
  ~BlockDiskClaim() override { Release(); }
  BlockDiskClaim(const BlockDiskClaim&) = delete;
  BlockDiskClaim& operator=(const BlockDiskClaim&) = delete;

  bool Claim(const std::string& devicePath) override;
  void Release() override;
  std::string Refusal() const override { return refusal_; }

  // The open flags of the claim: read-only is enough for O_EXCL, and O_NONBLOCK lets a drive
  // without a readable medium be claimed too.
  static int OpenFlags();

 private:
  // What holds the disk of `scsiDevice`, for a claim the kernel refused.
  std::string RefusalFor(const std::string& scsiDevice) const;

  SysCalls& sys_;
  SystemRoots roots_;
  std::string mountTable_;
  int fd_ = -1;
  std::string refusal_;
};

}  // namespace kelm::linux_platform
