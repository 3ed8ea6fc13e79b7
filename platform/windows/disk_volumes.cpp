#include "platform/windows/disk_volumes.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "platform/windows/win32_calls.h"

#include <winioctl.h>

namespace kelm::windows {

namespace {

// Room for a volume spread over many pieces; one that needs more is not answered.
constexpr std::size_t kMostExtents = 64;

enum class Placement { Elsewhere, Own, Doubtful };

// Where a volume lies as against `disk`, from the two answers the system gives.
Placement PlacementOf(const Win32Calls& calls, const std::string& volume, const DiskNumber& disk) {
  const std::optional<DiskNumber> number = DiskNumberOf(calls, volume);
  // Extents name disks only; a CD-ROM's volume is known by its number alone.
  const std::optional<std::vector<std::uint32_t>> extents =
      disk.deviceType == FILE_DEVICE_DISK ? ExtentDisksOf(calls, volume) : std::nullopt;
  const bool byNumber = number == disk;
  const bool byExtents =
      extents && std::find(extents->begin(), extents->end(), disk.number) != extents->end();
  if (!byNumber && !byExtents) return Placement::Elsewhere;
  if (number && extents && byNumber != byExtents) return Placement::Doubtful;
  const bool elsewhereToo =
      extents && std::any_of(extents->begin(), extents->end(),
                             [&](std::uint32_t other) { return other != disk.number; });
  return elsewhereToo ? Placement::Doubtful : Placement::Own;
}

}  // namespace

std::optional<DiskNumber> DiskNumberOf(const Win32Calls& calls, const std::string& path) {
  // No access asked: the query needs none, and nothing else is kept from using the device.
  const HANDLE handle = calls.CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  STORAGE_DEVICE_NUMBER number{};
  DWORD returned = 0;
  const BOOL known = calls.DeviceIoControl(handle, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0,
                                           &number, sizeof number, &returned, nullptr);
  calls.CloseHandle(handle);
  if (!known || returned < sizeof number) return std::nullopt;
  return DiskNumber{number.DeviceType, number.DeviceNumber};
}

std::optional<std::vector<std::uint32_t>> ExtentDisksOf(const Win32Calls& calls,
                                                        const std::string& volume) {
  const HANDLE handle = calls.CreateFileA(volume.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  struct {
    VOLUME_DISK_EXTENTS head;
    std::array<DISK_EXTENT, kMostExtents - 1> more;
  } answer{};
  DWORD returned = 0;
  const BOOL known =
      calls.DeviceIoControl(handle, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &answer,
                            sizeof answer, &returned, nullptr);
  calls.CloseHandle(handle);
  const std::size_t count = answer.head.NumberOfDiskExtents;
  if (!known || count == 0 || count > kMostExtents ||
      returned < offsetof(VOLUME_DISK_EXTENTS, Extents) + count * sizeof(DISK_EXTENT)) {
    return std::nullopt;
  }
  const DISK_EXTENT* extents = answer.head.Extents;
  std::vector<std::uint32_t> disks;
  for (std::size_t i = 0; i < count; ++i) disks.push_back(extents[i].DiskNumber);
  return disks;
}

DiskVolumes VolumesOfDisk(const Win32Calls& calls, const DiskNumber& disk) {
  DiskVolumes volumes;
  std::array<char, MAX_PATH + 1> name{};
  const HANDLE search = calls.FindFirstVolumeA(name.data(), MAX_PATH);
  if (search == INVALID_HANDLE_VALUE) return volumes;
  do {
    std::string volume(name.data());
    if (volume.ends_with('\\')) volume.pop_back();  // the volume's device, not its root folder
    switch (PlacementOf(calls, volume, disk)) {
      case Placement::Own: volumes.own.push_back(volume); break;
      case Placement::Doubtful: volumes.doubtful.push_back(volume); break;
      case Placement::Elsewhere: break;
    }
  } while (calls.FindNextVolumeA(search, name.data(), MAX_PATH));
  calls.FindVolumeClose(search);
  return volumes;
}

std::vector<std::string> VolumesOnDisk(const Win32Calls& calls, const DiskNumber& disk) {
  return VolumesOfDisk(calls, disk).own;
}

std::vector<std::string> DriveLettersOf(const Win32Calls& calls, const std::string& volume) {
  std::vector<std::string> letters;
  std::array<char, 4 * MAX_PATH> paths{};
  DWORD length = 0;
  const std::string root = volume + "\\";
  if (!calls.GetVolumePathNamesForVolumeNameA(root.c_str(), paths.data(), paths.size(), &length)) {
    return letters;
  }
  // A list of zero-terminated paths ending with an empty one: "E:\", "C:\mnt\usb\".
  for (const char* path = paths.data(); *path != '\0'; path += std::string_view(path).size() + 1) {
    const std::string_view text(path);
    if (text.size() == 3 && text[1] == ':') letters.emplace_back(text.substr(0, 2));
  }
  return letters;
}

}  // namespace kelm::windows
