#include "ui/hardware/linux_backend.h"

namespace kelm::hardware {

LinuxBackend::LinuxBackend(linux_platform::SystemRoots systemRoots, platform::MessageBoxes& boxes,
                           const std::string& programPath)
    : roots(std::move(systemRoots)),
      permissionNotice(boxes, programPath),
      setup(roots, access, &permissionNotice),
      notifications(monitor, roots, sys, nodeWaitClock) {}

}  // namespace kelm::hardware
