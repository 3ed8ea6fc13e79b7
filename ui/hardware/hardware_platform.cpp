#include "ui/hardware/hardware_platform.h"

namespace kelm::hardware {

HardwarePlatform::HardwarePlatform(linux_platform::SystemRoots roots,
                                   const std::string& programPath)
    : permissionNotice(boxes, programPath),
      setup(roots, access, &permissionNotice),
      notifications(monitor, roots, sys, clock),
      services{file, setup, clock, debug, out, boxes, images, files} {}

}  // namespace kelm::hardware
