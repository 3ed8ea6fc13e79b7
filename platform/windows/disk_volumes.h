#pragma once
// Which disk a device path leads to, and the volumes (and drive letters) on that disk. A volume
// is the disk's when IOCTL_STORAGE_GET_DEVICE_NUMBER and its disk extents
// (IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS) both say so; one the two answers disagree about, or
// that lies on another disk as well, is doubtful: it may not be the enclosure's alone.

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

// The numbers of the disks a volume's extents lie on; nothing when the volume does not say
// (a CD-ROM's, or a driver that does not answer).
std::optional<std::vector<std::uint32_t>> ExtentDisksOf(const Win32Calls& calls,
                                                        const std::string& volume);

// The volumes found on a disk, as names that open (\\?\Volume{...} without the closing slash).
struct DiskVolumes {
  std::vector<std::string> own;       // on that disk alone, by both answers
  std::vector<std::string> doubtful;  // answers disagree, or also on another disk
};
DiskVolumes VolumesOfDisk(const Win32Calls& calls, const DiskNumber& disk);

// The volumes on that disk alone.
std::vector<std::string> VolumesOnDisk(const Win32Calls& calls, const DiskNumber& disk);

// The drive letters a volume is mounted on ("E:"), in the system's order.
std::vector<std::string> DriveLettersOf(const Win32Calls& calls, const std::string& volume);

}  // namespace kelm::windows
