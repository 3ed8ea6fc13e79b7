#pragma once
// A drive's device path is the sysfs directory of its SCSI device instance, for example
//   /sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0
// Unlike /dev/sgN, whose number passes to the next device as soon as it is free, that
// directory goes away with the device. Every open resolves it again to the device's node and
// proves that the node opened belongs to it, so a stale path fails and never reaches another
// device.

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/sys_calls.h"
#include "platform/linux/sysfs_scan.h"

namespace kelm::linux_platform {

// Class directories under a SCSI device that name its nodes.
inline constexpr std::string_view kScsiGenericClass = "scsi_generic";  // its sgN
inline constexpr std::string_view kBlockClass = "block";                // its sdX or srN

// The SCSI device's directory as sysfs spells it. The path may have passed through an ASCII
// lower-casing; a component that differs only in case must then match exactly one entry.
// Nothing for a path outside <sys>/devices, through a link, or of a device that is gone.
std::optional<std::string> ResolveScsiDevice(const SystemRoots& roots, const std::string& path);

// A `dev` attribute, "major:minor", as a number of the kind given; nothing for other text.
std::optional<DeviceNumber> ParseDevAttribute(const std::string& text, DeviceNumber::Kind kind);

// The device's one node of a class: its name, where it lives under <dev>, and its number.
struct ClassNode {
  std::string name;     // "sg2", "sdb"
  std::string devNode;  // <dev>/sg2
  DeviceNumber number;
};
std::optional<ClassNode> ClassNodeOf(const SystemRoots& roots, const std::string& scsiDevice,
                                     std::string_view className);

// Opens the node of class `className` of the device at `path` with `flags`, and keeps it
// only when fstat shows that very node and the device still owns it afterwards.
// A descriptor, or -errno (-ENODEV for a path that names no such device, or no longer).
int OpenDeviceNode(SysCalls& sys, const SystemRoots& roots, const std::string& path,
                   std::string_view className, int flags);

// The device path of a node: /dev/sgN, or a disk or partition such as /dev/sdb1 (the SCSI
// device the disk belongs to), a link to one, or a bare kernel name ("sg2"). Nothing for any
// other name.
std::optional<std::string> DevicePathOfNode(const SystemRoots& roots, const std::string& devNode);

}  // namespace kelm::linux_platform
