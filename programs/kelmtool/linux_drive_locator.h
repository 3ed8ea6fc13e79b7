#pragma once
// Drives on Linux as users name them, through the sysfs walks of platform/linux/drive_nodes.

#include <filesystem>
#include <optional>

#include "platform/linux/sysfs_scan.h"
#include "programs/kelmtool/tool_environment.h"

namespace kelm::kelmtool {

class LinuxDriveLocator final : public DriveLocator {
 public:
  explicit LinuxDriveLocator(linux_platform::SystemRoots roots) : roots_(std::move(roots)) {}

  DriveNodes Describe(const std::string& discoveryPath) const override;
  std::optional<std::string> Match(const std::string& argument,
                                   const std::vector<std::string>& paths) const override;
  // Only a drive on the simulated USB bus (dummy_hcd): the kernel-level bench's.
  bool TakesSyntheticImages(const std::string& discoveryPath) const override;

  // The SCSI device's sysfs folder (canonical) that a name leads to; nothing when none.
  std::optional<std::filesystem::path> ScsiDevice(const std::string& name) const;

 private:
  linux_platform::SystemRoots roots_;
};

}  // namespace kelm::kelmtool
