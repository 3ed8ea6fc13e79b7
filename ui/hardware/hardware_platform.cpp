#include "ui/hardware/hardware_platform.h"

namespace kelm::hardware {

HardwarePlatform::HardwarePlatform(const linux_platform::SystemRoots& roots)
    : file(sys, roots),
      diskClaim(sys, roots),
      permissionNotice(boxes),
      setup(roots, access, &permissionNotice),
      notifications(monitor, roots, sys, clock),
      services{file, setup, clock, debug, out, boxes, images, files} {}

}  // namespace kelm::hardware
