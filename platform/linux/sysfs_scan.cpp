#include "platform/linux/sysfs_scan.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

namespace kelm::linux_platform {

namespace fs = std::filesystem;

namespace {

// Host adapter drivers of USB mass-storage interfaces: the Bulk-Only and the UAS driver.
constexpr std::array<std::string_view, 2> kUsbStorageDrivers = {"usb-storage", "uas"};

std::string Trimmed(std::string text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}


int ReadScsiType(const fs::path& scsiDevice) {
  const std::string text = ReadAttribute(scsiDevice / "type");
  int type = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), type);
  if (ec != std::errc() || end != text.data() + text.size()) return -1;
  return type;
}

// The driver of the first device above the SCSI device that has one: the host adapter's
// (usb-storage or uas on a USB interface, ahci on a SATA controller, ...).
std::string HostAdapterDriver(const fs::path& scsiDevice, const fs::path& devicesRoot) {
  const std::string under = devicesRoot.string() + "/";
  for (fs::path dir = scsiDevice.parent_path(); dir.string().starts_with(under);
       dir = dir.parent_path()) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(dir / "driver", ec);
    if (!ec) return target.filename().string();
  }
  return {};
}

// The vendor id of the first device above the SCSI device that has one: the USB device.
std::string UsbVendor(const fs::path& scsiDevice, const fs::path& devicesRoot) {
  const std::string under = devicesRoot.string() + "/";
  for (fs::path dir = scsiDevice.parent_path(); dir.string().starts_with(under);
       dir = dir.parent_path()) {
    std::error_code ec;
    if (fs::exists(dir / "idVendor", ec)) return ReadAttribute(dir / "idVendor");
  }
  return {};
}

bool IsUsbStorageDriver(std::string_view driver) {
  return std::find(kUsbStorageDrivers.begin(), kUsbStorageDrivers.end(), driver) !=
         kUsbStorageDrivers.end();
}

}  // namespace

std::string ReadAttribute(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) return {};
  return Trimmed(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

std::optional<int> SgNumber(const std::string& name) {
  constexpr std::string_view kPrefix = "sg";
  if (name.size() <= kPrefix.size() || !name.starts_with(kPrefix)) return std::nullopt;
  const char* first = name.data() + kPrefix.size();
  const char* last = name.data() + name.size();
  if (!std::all_of(first, last, [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
  int number = 0;
  const auto [end, ec] = std::from_chars(first, last, number);
  if (ec != std::errc() || end != last) return std::nullopt;
  return number;
}

namespace {

std::optional<ScsiGenericNode> ReadNode(const SystemRoots& roots, const fs::path& devicesRoot,
                                        const std::string& name) {
  const std::optional<int> number = SgNumber(name);
  if (!number) return std::nullopt;
  std::error_code ec;
  const fs::path entry = fs::path(roots.sys) / "class" / "scsi_generic" / name;
  if (!fs::exists(entry, ec)) return std::nullopt;

  ScsiGenericNode node;
  node.number = *number;
  node.name = name;
  node.devNode = (fs::path(roots.dev) / name).string();
  node.nodePresent = fs::exists(node.devNode, ec);

  const fs::path scsiDevice = fs::canonical(entry / "device", ec);
  if (ec) return node;
  node.devicePath = scsiDevice.string();
  node.scsiType = ReadScsiType(scsiDevice);
  node.vendor = ReadAttribute(scsiDevice / "vendor");
  node.model = ReadAttribute(scsiDevice / "model");
  if (devicesRoot.empty()) return node;
  node.usbStorage = IsUsbStorageDriver(HostAdapterDriver(scsiDevice, devicesRoot));
  if (node.usbStorage) node.usbVendor = UsbVendor(scsiDevice, devicesRoot);
  return node;
}

fs::path DevicesRoot(const SystemRoots& roots) {
  std::error_code ec;
  fs::path root = fs::canonical(fs::path(roots.sys) / "devices", ec);
  return ec ? fs::path() : root;
}

}  // namespace

std::optional<ScsiGenericNode> ReadScsiGenericNode(const SystemRoots& roots,
                                                   const std::string& name) {
  return ReadNode(roots, DevicesRoot(roots), name);
}

std::vector<ScsiGenericNode> ScanScsiGenericNodes(const SystemRoots& roots) {
  std::vector<ScsiGenericNode> nodes;
  std::error_code ec;
  fs::directory_iterator it(fs::path(roots.sys) / "class" / "scsi_generic", ec);
  if (ec) return nodes;
  const fs::path devicesRoot = DevicesRoot(roots);
  for (const fs::directory_entry& entry : it) {
    if (auto node = ReadNode(roots, devicesRoot, entry.path().filename().string())) {
      nodes.push_back(std::move(*node));
    }
  }
  std::sort(nodes.begin(), nodes.end(),
            [](const ScsiGenericNode& a, const ScsiGenericNode& b) { return a.number < b.number; });
  return nodes;
}

bool IsOfferedAs(const ScsiGenericNode& node, int scsiType) {
  return node.usbStorage && node.nodePresent && node.scsiType == scsiType &&
         !node.devicePath.empty();
}

}  // namespace kelm::linux_platform
