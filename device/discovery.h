#pragma once
// Lists the device paths of USB disk and CD-ROM drives that may sit behind the bridge.

#include <array>
#include <cstddef>
#include <string>

#include "platform/host.h"

namespace kelm::device {

inline constexpr std::size_t kMaxDevicePaths = 16;
inline constexpr std::size_t kMaxDevicePathLength = 255;

using DevicePathTable = std::array<std::string, kMaxDevicePaths>;

// Disk paths go from slot 0; a disk is taken only when its bridge answers ProbeBridge.
int EnumerateDiskDrives(const platform::Services& io, DevicePathTable& table);
// CD-ROM paths go from `firstSlot` on (the caller passes the disk count).
int EnumerateCdromDrives(const platform::Services& io, DevicePathTable& table, int firstSlot);

}  // namespace kelm::device
