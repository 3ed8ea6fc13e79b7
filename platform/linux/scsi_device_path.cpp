#include "platform/linux/scsi_device_path.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <vector>

namespace kelm::linux_platform {

namespace fs = std::filesystem;

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool IsRealDirectory(const fs::path& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() == fs::file_type::directory;
}

// The entry of `dir` spelled like `name` apart from case: the exact one when it exists, else
// the only one that matches.
std::optional<std::string> EntryNamed(const fs::path& dir, const std::string& name) {
  if (IsRealDirectory(dir / name)) return name;
  std::optional<std::string> found;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
    const std::string candidate = entry.path().filename().string();
    if (!SameIgnoringAsciiCase(candidate, name) || !IsRealDirectory(entry.path())) continue;
    if (found) return std::nullopt;  // ambiguous: refuse rather than guess
    found = candidate;
  }
  return found;
}

std::vector<std::string> Components(std::string_view relative) {
  std::vector<std::string> parts;
  for (std::size_t at = 0; at <= relative.size();) {
    std::size_t end = relative.find('/', at);
    if (end == std::string_view::npos) end = relative.size();
    parts.emplace_back(relative.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

DeviceNumber::Kind KindOfClass(std::string_view className) {
  return className == kBlockClass ? DeviceNumber::Kind::Block : DeviceNumber::Kind::Character;
}

// The class device's number as sysfs shows it now; nothing once the device gave it up.
std::optional<DeviceNumber> CurrentNumber(const std::string& scsiDevice,
                                          std::string_view className, const std::string& name) {
  const fs::path dev = fs::path(scsiDevice) / className / name / "dev";
  return ParseDevAttribute(ReadAttribute(dev), KindOfClass(className));
}

std::optional<std::string> CanonicalDirectory(const fs::path& path) {
  std::error_code ec;
  const fs::path canonical = fs::canonical(path, ec);
  if (ec) return std::nullopt;
  return canonical.string();
}

}  // namespace

std::optional<DeviceNumber> ParseDevAttribute(const std::string& text, DeviceNumber::Kind kind) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  DeviceNumber number{kind, 0, 0};
  const char* end = text.data() + text.size();
  const auto majorEnd = std::from_chars(text.data(), text.data() + colon, number.major);
  const auto minorEnd = std::from_chars(text.data() + colon + 1, end, number.minor);
  if (majorEnd.ec != std::errc() || majorEnd.ptr != text.data() + colon) return std::nullopt;
  if (minorEnd.ec != std::errc() || minorEnd.ptr != end) return std::nullopt;
  return number;
}

std::optional<std::string> ResolveScsiDevice(const SystemRoots& roots, const std::string& path) {
  const std::string devices = roots.sys + "/devices";
  if (path.size() <= devices.size() + 1 || path[devices.size()] != '/' ||
      !SameIgnoringAsciiCase(std::string_view(path).substr(0, devices.size()), devices)) {
    return std::nullopt;
  }
  fs::path at = devices;
  for (const std::string& part : Components(std::string_view(path).substr(devices.size() + 1))) {
    if (part.empty() || part == "." || part == "..") return std::nullopt;
    const std::optional<std::string> entry = EntryNamed(at, part);
    if (!entry) return std::nullopt;
    at /= *entry;
  }
  return at.string();
}

std::optional<ClassNode> ClassNodeOf(const SystemRoots& roots, const std::string& scsiDevice,
                                     std::string_view className) {
  std::optional<ClassNode> node;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(scsiDevice) / className, ec)) {
    if (node) return std::nullopt;  // a SCSI device has one node of each class
    const std::string name = entry.path().filename().string();
    const std::optional<DeviceNumber> number = CurrentNumber(scsiDevice, className, name);
    if (!number) return std::nullopt;
    node = ClassNode{name, roots.dev + "/" + name, *number};
  }
  return node;
}

int OpenDeviceNode(SysCalls& sys, const SystemRoots& roots, const std::string& path,
                   std::string_view className, int flags) {
  const std::optional<std::string> scsiDevice = ResolveScsiDevice(roots, path);
  if (!scsiDevice) return -ENODEV;
  const std::optional<ClassNode> node = ClassNodeOf(roots, *scsiDevice, className);
  if (!node) return -ENODEV;
  const int fd = sys.Open(node->devNode, flags);
  if (fd < 0) return fd;
  // The node must be the device's own, and the device must still own it once it is open:
  // then nothing another device was given in between can be on the descriptor.
  DeviceNumber opened;
  const bool same = sys.Stat(fd, opened) == 0 && opened == node->number &&
                    CurrentNumber(*scsiDevice, className, node->name) == node->number;
  if (!same) {
    sys.Close(fd);
    return -ENODEV;
  }
  return fd;
}

std::optional<std::string> DevicePathOfNode(const SystemRoots& roots, const std::string& devNode) {
  // The node's kernel name, through any link (/dev/disk/by-id/...), names its class device.
  std::string name = devNode;
  if (devNode.find('/') != std::string::npos) {
    const std::optional<std::string> target = CanonicalDirectory(devNode);
    if (!target) return std::nullopt;
    name = fs::path(*target).filename().string();
  }
  const fs::path sys(roots.sys);
  if (SgNumber(name)) return CanonicalDirectory(sys / "class/scsi_generic" / name / "device");
  const std::optional<std::string> block = CanonicalDirectory(sys / "class/block" / name);
  if (!block) return std::nullopt;
  std::error_code ec;
  fs::path disk(*block);
  if (fs::exists(disk / "partition", ec)) disk = disk.parent_path();  // sdb1 -> sdb
  return CanonicalDirectory(disk / "device");
}

}  // namespace kelm::linux_platform
