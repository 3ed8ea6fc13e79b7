#include "ui/kelmtool/linux_drive_locator.h"

#include <fstream>

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

std::string ReadFirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// The USB device above the SCSI device: the first parent with idVendor and idProduct.
std::string UsbId(fs::path dir, const fs::path& sysRoot) {
  for (; dir.has_relative_path() && dir != sysRoot; dir = dir.parent_path()) {
    std::error_code ec;
    if (fs::exists(dir / "idVendor", ec) && fs::exists(dir / "idProduct", ec)) {
      return ReadFirstLine(dir / "idVendor") + ":" + ReadFirstLine(dir / "idProduct");
    }
  }
  return {};
}

}  // namespace

std::optional<fs::path> LinuxDriveLocator::ScsiDevice(const std::string& name) const {
  const fs::path sys(roots_.sys);
  // A sysfs path: the SCSI device itself.
  if (name.starts_with(roots_.sys + "/")) return Canonical(name);
  // A node or a link to one (/dev/disk/by-id/...): its final name; or a bare name ("sg2").
  std::string node = fs::path(name).filename().string();
  if (name.find('/') != std::string::npos) {
    const std::optional<fs::path> target = Canonical(name);
    if (!target) return std::nullopt;
    node = target->filename().string();
  }
  if (linux_platform::SgNumber(node)) return Canonical(sys / "class" / "scsi_generic" / node / "device");
  std::optional<fs::path> block = Canonical(sys / "class" / "block" / node);
  if (!block) return std::nullopt;
  std::error_code ec;
  if (fs::exists(*block / "partition", ec)) block = block->parent_path();  // sdb1 -> sdb
  return Canonical(*block / "device");
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

}  // namespace kelm::kelmtool
