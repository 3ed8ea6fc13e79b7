#pragma once
// Told once at start-up, over the window: when no firmware image was found anywhere, which
// files to put where; and which image files were found but not used, and why. The program
// carries none of the vendor's images unless it was built with them, and where the vendor
// publishes them is not ours to say.

#include <string>

#include "flash/image_folders.h"
#include "platform/host.h"

namespace kelm::window {

// The notice for what `images` found; empty when there is nothing to tell.
std::string ImageNoticeText(const flash::FoundImages& images);

// Shows that notice, if any, with the information icon; true when it did.
bool TellAboutImages(const flash::FoundImages& images, platform::MessageBoxes& boxes);

}  // namespace kelm::window
