#pragma once
// A build without firmware images can identify bridges but has nothing to update them with;
// the operator is told so once at start-up, and where the backup and an update from a file
// are: kelmtool, since the window's engineering panel is never shown.

#include <string_view>

#include "platform/host.h"

namespace kelm::window {

inline constexpr std::string_view kNoImageText =
    "This build carries no firmware image.\n\n"
    "It can identify bridges, but it cannot update them.\n\n"
    "From a terminal, kelmtool backs up a bridge's flash and updates it from an image file:\n"
    "  kelmtool list\n"
    "  kelmtool backup DEVICE FILE\n"
    "  kelmtool update DEVICE --image FILE\n\n"
    "To update bridges from this window, build it with the vendor's images (FW352A.bin,\n"
    "FW352B.bin, FW339.bin):\n"
    "  cmake -DKELM_FIRMWARE_DIR=/path/to/images ...";

// Shows the message when the program carries none of the images; true when it did.
bool TellWhenNoImage(const platform::ImageSource& images, platform::MessageBoxes& boxes);

}  // namespace kelm::window
