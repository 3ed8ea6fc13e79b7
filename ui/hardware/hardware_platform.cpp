#include "ui/hardware/hardware_platform.h"

namespace kelm::hardware {

HardwarePlatform::HardwarePlatform(linux_platform::SystemRoots roots,
                                   const std::string& programPath)
    : backend(std::move(roots), boxes, programPath),
      services{backend.file, backend.setup, clock, debug, out, boxes, images} {}

}  // namespace kelm::hardware
