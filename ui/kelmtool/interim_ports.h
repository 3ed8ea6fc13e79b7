#pragma once
// Stand-ins until the Linux backend provides its own file store and disk claim: swap these
// for the backend's classes and delete this file.

#include <string>

#include "flash/backup_file.h"
#include "platform/disk_claim.h"
#include "platform/file_store.h"
#include "ui/kelmtool/tool_environment.h"

namespace kelm::kelmtool {

// Whole-file writes through the engine's atomic backup writer.
class InterimFileStore final : public platform::FileStore {
 public:
  bool WriteWholeFile(const std::string& target, std::span<const std::uint8_t> bytes) override {
    return flash::WriteBackupFile(target, bytes);
  }
};

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
