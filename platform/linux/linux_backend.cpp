#include "platform/linux/linux_backend.h"

namespace kelm::linux_platform {

LinuxBackend::LinuxBackend(SystemRoots systemRoots, platform::MessageBoxes& boxes)
    : roots(std::move(systemRoots)),
      file(sys, roots),
      diskClaim(sys, roots),
      permissionNotice(boxes),
      setup(roots, access, &permissionNotice),
      notifications(monitor, roots, sys, nodeWaitClock) {}

}  // namespace kelm::linux_platform
