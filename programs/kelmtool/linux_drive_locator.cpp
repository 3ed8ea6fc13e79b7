#include "programs/kelmtool/linux_drive_locator.h"

#include "platform/linux/drive_nodes.h"

namespace kelm::kelmtool {

std::optional<std::filesystem::path> LinuxDriveLocator::ScsiDevice(const std::string& name) const {
  return linux_platform::ScsiDeviceOf(roots_, name);
}

DriveNodes LinuxDriveLocator::Describe(const std::string& discoveryPath) const {
  const linux_platform::DriveNodeNames nodes = linux_platform::DescribeDrive(roots_, discoveryPath);
  return {nodes.sgNode, nodes.blockDevice, nodes.usbId, {}};
}

std::optional<std::string> LinuxDriveLocator::Match(const std::string& argument,
                                                    const std::vector<std::string>& paths) const {
  const std::optional<std::filesystem::path> wanted = ScsiDevice(argument);
  if (!wanted) return std::nullopt;
  for (const std::string& path : paths) {
    if (ScsiDevice(path) == wanted) return path;
  }
  return std::nullopt;
}

bool LinuxDriveLocator::TakesSyntheticImages(const std::string& discoveryPath) const {
  return linux_platform::TakesSyntheticImages(roots_, discoveryPath);
}

}  // namespace kelm::kelmtool
