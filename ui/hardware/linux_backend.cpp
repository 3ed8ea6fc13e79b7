#include "ui/hardware/linux_backend.h"

namespace kelm::hardware {

LinuxBackend::LinuxBackend(linux_platform::SystemRoots systemRoots, platform::MessageBoxes& boxes)
    : roots(std::move(systemRoots)),
      file(sys, roots),
      diskClaim(sys, roots),
      permissionNotice(boxes),
      setup(roots, access, &permissionNotice),
      notifications(monitor, roots, sys, nodeWaitClock) {}

}  // namespace kelm::hardware
