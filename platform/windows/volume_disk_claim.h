#pragma once
// The disk claim on Windows: every volume on the enclosure's disk is locked and dismounted
// before anything is written, and held until Release. Windows' shell and virus scanners keep
// a new volume open for seconds after it appears, so a lock is retried for about ten seconds
// before the claim is refused. A volume that may lie on another disk too is never touched: the
// claim is refused instead. Nothing stays held after a refusal.

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
  std::string Refusal() const override { return refusal_; }

  // How long a volume may stay in use before the claim gives up, and the wait between tries.
  static constexpr unsigned kLockPatienceMilliseconds = 10000;
  static constexpr unsigned kLockRetryMilliseconds = 250;

 private:
  // The open volume locked, dismounted and held; false while something uses it.
  bool LockAndDismount(void* handle);
  // Every volume opened, locked and dismounted, each retried until the patience runs out;
  // false (with the refusal said) when one would not open or lock.
  bool LockAndDismountAll(const std::vector<std::string>& volumes);
  // The volumes by their drive letters, as a user reads them: "E:", "E: and F:".
  std::string NamesOf(const std::vector<std::string>& volumes) const;

  const Win32Calls& calls_;
  std::vector<void*> held_;  // volume handles; closing one gives its lock back
  std::string refusal_;
};

}  // namespace kelm::windows
