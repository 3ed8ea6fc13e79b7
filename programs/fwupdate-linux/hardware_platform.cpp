#include "programs/fwupdate-linux/hardware_platform.h"

namespace kelm::hardware {

HardwarePlatform::HardwarePlatform(const linux_platform::SystemRoots& roots)
    : backend(roots, boxes),
      services{backend.file, backend.setup, clock, debug, out, boxes, images, files},
      inhibitor("kelm-fwupdate", [this](const std::string& why) { debug.OutputDebugString(why + "\n"); }) {}

}  // namespace kelm::hardware
