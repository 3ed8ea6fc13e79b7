#include "programs/kelmtool/linux_drive_locator.h"

#include "platform/linux/scsi_device_path.h"
#include "platform/linux/simulated_bus.h"

namespace kelm::kelmtool {

namespace {

namespace fs = std::filesystem;

std::optional<fs::path> Canonical(const fs::path& path) {
  std::error_code ec;
  fs::path canonical = fs::canonical(path, ec);
  if (ec) return std::nullopt;
  return canonical;
}

// The one entry of a folder such as <scsi device>/block or <scsi device>/scsi_generic.
std::string OnlyEntry(const fs::path& dir) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
    return entry.path().filename().string();
  }
  return {};
}

// The USB device above the SCSI device: the first parent with idVendor and idProduct.
std::string UsbId(fs::path dir, const fs::path& sysRoot) {
  for (; dir.has_relative_path() && dir != sysRoot; dir = dir.parent_path()) {
    std::error_code ec;
    if (fs::exists(dir / "idVendor", ec) && fs::exists(dir / "idProduct", ec)) {
      return linux_platform::ReadAttribute(dir / "idVendor") + ":" + linux_platform::ReadAttribute(dir / "idProduct");
    }
  }
  return {};
}

}  // namespace

std::optional<fs::path> LinuxDriveLocator::ScsiDevice(const std::string& name) const {
  // A sysfs path: the SCSI device itself.
  if (name.starts_with(roots_.sys + "/")) return Canonical(name);
  const std::optional<std::string> device = linux_platform::DevicePathOfNode(roots_, name);
  if (!device) return std::nullopt;
  return fs::path(*device);
}

DriveNodes LinuxDriveLocator::Describe(const std::string& discoveryPath) const {
  DriveNodes nodes;
  const std::optional<fs::path> scsi = ScsiDevice(discoveryPath);
  if (!scsi) return nodes;
  const fs::path dev(roots_.dev);
  if (const std::string sg = OnlyEntry(*scsi / "scsi_generic"); !sg.empty()) nodes.sgNode = (dev / sg).string();
  if (const std::string block = OnlyEntry(*scsi / "block"); !block.empty()) nodes.blockDevice = (dev / block).string();
  nodes.usbId = UsbId(*scsi, fs::path(roots_.sys));
  return nodes;
}

std::optional<std::string> LinuxDriveLocator::Match(const std::string& argument,
                                                    const std::vector<std::string>& paths) const {
  const std::optional<fs::path> wanted = ScsiDevice(argument);
  if (!wanted) return std::nullopt;
  for (const std::string& path : paths) {
    if (ScsiDevice(path) == wanted) return path;
  }
  return std::nullopt;
}

bool LinuxDriveLocator::TakesSyntheticImages(const std::string& discoveryPath) const {
  const std::optional<fs::path> scsi = ScsiDevice(discoveryPath);
  return scsi && linux_platform::OnSimulatedBus(roots_, scsi->string());
}

}  // namespace kelm::kelmtool
