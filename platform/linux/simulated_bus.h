#pragma once
// The simulated USB bus: drives served as USB gadgets through dummy_hcd, as the kernel-level
// bench does. Programs that may hand a drive the synthetic test images ask this first, so a
// real enclosure on the same machine never gets one.

#include <string>

#include "platform/linux/sysfs_scan.h"

namespace kelm::linux_platform {

// Whether the drive's SCSI device (its sysfs device path) hangs below a dummy_hcd host
// controller in sysfs.
bool OnSimulatedBus(const SystemRoots& roots, const std::string& devicePath);

}  // namespace kelm::linux_platform
