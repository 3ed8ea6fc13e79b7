#include "device/discovery.h"

#include "device/commands.h"

namespace kelm::device {

namespace {

// Walks the present interfaces of one class and stores, from `firstSlot` on, the USB storage
// paths that pass the class's test. Stops at the end of the list or at the first interface
// whose path cannot be read. Paths that would not fit a slot, and matches beyond the table's
// last slot, are passed over (and a disk without a slot is not probed).
int EnumerateClass(const platform::Services& io, DevicePathTable& table, int firstSlot,
                   std::string_view interfaceClass, bool probeBridge) {
  const platform::DeviceInfoSet set = io.setup.GetClassDevs(interfaceClass);
  if (set == platform::kInvalidDeviceInfoSet) return 0;

  int count = 0;
  for (std::uint32_t member = 0;;) {
    platform::DeviceInterfaceData data;
    data.cbSize = 28;
    if (!io.setup.EnumDeviceInterfaces(set, interfaceClass, member, data)) break;
    std::string path;
    if (!io.setup.GetDeviceInterfacePath(set, data, path)) break;
    ++member;

    if (path.size() > kMaxDevicePathLength) continue;
    if (!io.setup.IsUsbStoragePath(path)) continue;
    const int slot = firstSlot + count;
    if (slot < 0 || slot >= static_cast<int>(kMaxDevicePaths)) continue;
    if (probeBridge) {
      std::array<std::uint8_t, 2> reply{};
      if (!ProbeBridge(io, path, reply)) continue;
    }
    table[static_cast<std::size_t>(slot)] = path;
    ++count;
  }

  io.setup.DestroyDeviceInfoList(set);
  return count;
}

}  // namespace

int EnumerateDiskDrives(const platform::Services& io, DevicePathTable& table) {
  return EnumerateClass(io, table, 0, platform::kDiskInterfaceClass, true);
}

int EnumerateCdromDrives(const platform::Services& io, DevicePathTable& table, int firstSlot) {
  return EnumerateClass(io, table, firstSlot, platform::kCdromInterfaceClass, false);
}

}  // namespace kelm::device
