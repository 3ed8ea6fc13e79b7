#pragma once
// A stand-in until the Linux backend provides its own disk claim: swap it for the backend's
// class and delete this file.

#include <string>

#include "platform/disk_claim.h"
#include "ui/kelmtool/tool_environment.h"

namespace kelm::kelmtool {

// Holds nothing, but refuses a drive whose block device or one of its partitions is mounted
// (as /proc/self/mounts lists them), so a mounted disk is never flashed.
class InterimMountRefusal final : public platform::DiskClaim {
 public:
  explicit InterimMountRefusal(const DriveLocator& locator, std::string mounts = "/proc/self/mounts")
      : locator_(locator), mounts_(std::move(mounts)) {}
  bool Claim(const std::string& devicePath) override;
  void Release() override {}

 private:
  const DriveLocator& locator_;
  std::string mounts_;
};

}  // namespace kelm::kelmtool
