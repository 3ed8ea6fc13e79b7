#pragma once
// Drives on Linux as users name them: an sg node, a block device (or a link to one, as under
// /dev/disk/by-id), or the SCSI device's sysfs path. All meet at the SCSI device in sysfs,
// whichever of these forms discovery's paths take.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/linux/sysfs_scan.h"

namespace kelm::linux_platform {

// Where a drive sits; a field is empty when sysfs does not tell.
struct DriveNodeNames {
  std::string sgNode;       // /dev/sgN
  std::string blockDevice;  // /dev/sdX
  std::string usbId;        // vvvv:pppp
};

// The SCSI device's sysfs folder (canonical) that a name leads to; nothing when none.
std::optional<std::filesystem::path> ScsiDeviceOf(const SystemRoots& roots, const std::string& name);

DriveNodeNames DescribeDrive(const SystemRoots& roots, const std::string& name);

// Only a drive on the simulated USB bus (dummy_hcd), the kernel-level bench's, may be handed a
// synthetic test image.
bool TakesSyntheticImages(const SystemRoots& roots, const std::string& name);

}  // namespace kelm::linux_platform
