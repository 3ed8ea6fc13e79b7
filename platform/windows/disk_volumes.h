#pragma once
// Which disk a device path leads to, and the volumes (and drive letters) on that disk, as
// IOCTL_STORAGE_GET_DEVICE_NUMBER tells them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

// A disk (or CD-ROM drive) as the storage stack numbers it: \\.\PhysicalDrive<number>.
struct DiskNumber {
  std::uint32_t deviceType = 0;
  std::uint32_t number = 0;
  bool operator==(const DiskNumber&) const = default;
};

// The disk behind a device path (an interface path, \\.\PhysicalDriveN, \\.\E:); nothing when
// the path does not open or the storage stack does not say.
std::optional<DiskNumber> DiskNumberOf(const Win32Calls& calls, const std::string& path);

// The volumes on that disk, as names that open (\\?\Volume{...} without the closing slash).
std::vector<std::string> VolumesOnDisk(const Win32Calls& calls, const DiskNumber& disk);

// The drive letters a volume is mounted on ("E:"), in the system's order.
std::vector<std::string> DriveLettersOf(const Win32Calls& calls, const std::string& volume);

}  // namespace kelm::windows
