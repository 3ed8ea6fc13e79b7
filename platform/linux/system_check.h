#pragma once
// What the machine lacks for finding enclosures or hearing of them, said once at start-up
// instead of leaving the operator with a bare "No device found!!".

#include <string>
#include <vector>

#include "platform/linux/sysfs_scan.h"

namespace kelm::linux_platform {

// Where udev's daemon keeps its control socket while it runs.
inline constexpr const char* kUdevRunDir = "/run/udev";

struct SystemCheck {
  bool sysfsMounted = true;
  bool sgDriverLoaded = true;  // <sys>/class/scsi_generic exists
  bool udevRunning = true;     // <udev run dir>/control exists
};

SystemCheck CheckSystem(const SystemRoots& roots, const std::string& udevRunDir = kUdevRunDir);

// One line per problem, each ending in a line break; `monitorWorks` tells whether the
// program's udev monitor could be set up.
std::vector<std::string> ProblemLines(const SystemCheck& check, bool monitorWorks);

}  // namespace kelm::linux_platform
