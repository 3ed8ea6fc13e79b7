#include "programs/fwupdate-linux/hardware_platform.h"

#include "platform/linux/image_folders.h"
#include "platform/linux/simulated_bus.h"

namespace kelm::hardware {

HardwarePlatform::HardwarePlatform(const linux_platform::SystemRoots& roots,
                                   const std::optional<std::string>& imagesDir)
    : backend(roots, boxes),
      images(flash::FindImages(flash::EmbeddedImages{}, imagesDir, linux_platform::ImageFolders(), files,
                               [roots](const std::string& path) {
                                 return linux_platform::OnSimulatedBus(roots, path);
                               })),
      services{backend.file, backend.setup, clock, debug, out, boxes, images, files},
      inhibitor("kelm-fwupdate", [this](const std::string& why) { debug.OutputDebugString(why + "\n"); }) {}

}  // namespace kelm::hardware
