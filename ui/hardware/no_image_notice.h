#pragma once
// A build without firmware images can identify bridges and back up their flash, but has
// nothing to update them with; the operator is told so once at start-up.

#include <span>
#include <string_view>

#include "flash/embedded_image_table.h"
#include "platform/host.h"

namespace kelm::hardware {

inline constexpr std::string_view kNoImageText =
    "This build carries no firmware image.\n\n"
    "It can identify bridges and back up their flash, but it cannot update them.\n\n"
    "To update bridges, build it with the vendor's images (FW352A.bin, FW352B.bin, FW339.bin):\n"
    "  cmake -DKELM_FIRMWARE_DIR=/path/to/images ...";

// Shows the message when the table holds no image; true when it did.
bool TellWhenNoImage(std::span<const flash::EmbeddedImage> images, platform::MessageBoxes& boxes);

}  // namespace kelm::hardware
