#include "programs/fwupdate-linux/no_image_notice.h"

namespace kelm::hardware {

bool TellWhenNoImage(std::span<const flash::EmbeddedImage> images, platform::MessageBoxes& boxes) {
  if (!images.empty()) return false;
  boxes.Show("Message", kNoImageText, platform::MessageIcon::None);
  return true;
}

}  // namespace kelm::hardware
