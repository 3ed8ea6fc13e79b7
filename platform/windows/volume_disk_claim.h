#pragma once
// The disk claim on Windows: every volume on the enclosure's disk is locked (a few tries a
// short wait apart) and dismounted before anything is written, and held until Release. A
// volume that will not lock refuses the claim, and nothing stays held.

#include <string>
#include <vector>

#include "platform/disk_claim.h"
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

class VolumeDiskClaim final : public platform::DiskClaim {
 public:
  explicit VolumeDiskClaim(const Win32Calls& calls = RealWin32Calls()) : calls_(calls) {}
  ~VolumeDiskClaim() override { Release(); }
  VolumeDiskClaim(const VolumeDiskClaim&) = delete;
  VolumeDiskClaim& operator=(const VolumeDiskClaim&) = delete;

  bool Claim(const std::string& devicePath) override;
  void Release() override;

 private:
  // The volume opened, locked and dismounted; false when it would not lock.
  bool LockAndDismount(const std::string& volume);

  const Win32Calls& calls_;
  std::vector<void*> held_;  // volume handles; closing one gives its lock back
};

}  // namespace kelm::windows
