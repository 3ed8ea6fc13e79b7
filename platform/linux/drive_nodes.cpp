#include "platform/linux/drive_nodes.h"

#include "platform/linux/scsi_device_path.h"
#include "platform/linux/simulated_bus.h"

namespace kelm::linux_platform {

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
      return ReadAttribute(dir / "idVendor") + ":" + ReadAttribute(dir / "idProduct");
    }
  }
  return {};
}

}  // namespace

std::optional<fs::path> ScsiDeviceOf(const SystemRoots& roots, const std::string& name) {
  // A sysfs path: the SCSI device itself.
  if (name.starts_with(roots.sys + "/")) return Canonical(name);
  const std::optional<std::string> device = DevicePathOfNode(roots, name);
  if (!device) return std::nullopt;
  return fs::path(*device);
}

DriveNodeNames DescribeDrive(const SystemRoots& roots, const std::string& name) {
  DriveNodeNames nodes;
  const std::optional<fs::path> scsi = ScsiDeviceOf(roots, name);
  if (!scsi) return nodes;
  const fs::path dev(roots.dev);
  if (const std::string sg = OnlyEntry(*scsi / "scsi_generic"); !sg.empty()) nodes.sgNode = (dev / sg).string();
  if (const std::string block = OnlyEntry(*scsi / "block"); !block.empty()) nodes.blockDevice = (dev / block).string();
  nodes.usbId = UsbId(*scsi, fs::path(roots.sys));
  return nodes;
}

bool TakesSyntheticImages(const SystemRoots& roots, const std::string& name) {
  const std::optional<fs::path> scsi = ScsiDeviceOf(roots, name);
  return scsi && OnSimulatedBus(roots, scsi->string());
}

}  // namespace kelm::linux_platform
