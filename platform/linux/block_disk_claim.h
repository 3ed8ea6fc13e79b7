#pragma once
// The disk claim on Linux: the SCSI device's block device held open with O_EXCL. The kernel
// refuses that while any partition is mounted or claimed, and while it is held no filesystem
// can be mounted from the disk, so no automounter slips in during the update.

#include <string>
#include <utility>

#include "platform/disk_claim.h"
#include "platform/linux/sys_calls.h"
#include "platform/linux/sysfs_scan.h"

namespace kelm::linux_platform {

class BlockDiskClaim final : public platform::DiskClaim {
 public:
  BlockDiskClaim(SysCalls& sys, SystemRoots roots) : sys_(sys), roots_(std::move(roots)) {}
  ~BlockDiskClaim() override { Release(); }
  BlockDiskClaim(const BlockDiskClaim&) = delete;
  BlockDiskClaim& operator=(const BlockDiskClaim&) = delete;

  bool Claim(const std::string& devicePath) override;
  void Release() override;

  // The open flags of the claim: read-only is enough for O_EXCL, and O_NONBLOCK lets a drive
  // without a readable medium be claimed too.
  static int OpenFlags();

 private:
  SysCalls& sys_;
  SystemRoots roots_;
  int fd_ = -1;
};

}  // namespace kelm::linux_platform
