#include "programs/kelmtool/windows_drive_locator.h"

#include <cctype>

#include "platform/windows/disk_volumes.h"
#include "platform/windows/win32_calls.h"

#include <winioctl.h>

namespace kelm::kelmtool {

namespace {

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string WindowsDriveLocator::DeviceName(const std::string& argument) {
  std::string name = argument;
  if (name.size() == 3 && name[2] == '\\') name.pop_back();
  if (name.size() == 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
    return "\\\\.\\" + name;
  }
  return name;
}

DriveNodes WindowsDriveLocator::Describe(const std::string& discoveryPath) const {
  DriveNodes nodes;
  const std::optional<windows::DiskNumber> disk = windows::DiskNumberOf(calls_, discoveryPath);
  if (!disk) return nodes;
  const bool cdrom = disk->deviceType == FILE_DEVICE_CD_ROM;
  nodes.blockDevice = (cdrom ? "\\\\.\\CdRom" : "\\\\.\\PhysicalDrive") + std::to_string(disk->number);
  for (const std::string& volume : windows::VolumesOnDisk(calls_, *disk)) {
    for (const std::string& letter : windows::DriveLettersOf(calls_, volume)) {
      if (!nodes.driveLetters.empty()) nodes.driveLetters += " ";
      nodes.driveLetters += letter;
    }
  }
  return nodes;
}

std::optional<std::string> WindowsDriveLocator::Match(const std::string& argument,
                                                      const std::vector<std::string>& paths) const {
  for (const std::string& path : paths) {
    if (SameText(path, argument)) return path;  // the system's paths ignore letter case
  }
  const std::optional<windows::DiskNumber> wanted = windows::DiskNumberOf(calls_, DeviceName(argument));
  if (!wanted) return std::nullopt;
  for (const std::string& path : paths) {
    if (windows::DiskNumberOf(calls_, path) == wanted) return path;
  }
  return std::nullopt;
}

}  // namespace kelm::kelmtool
