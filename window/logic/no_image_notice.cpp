#include "window/logic/no_image_notice.h"

#include <array>

namespace kelm::window {

bool TellWhenNoImage(const platform::ImageSource& images, platform::MessageBoxes& boxes) {
  for (std::string_view name : std::array<std::string_view, 3>{"FW352A", "FW352B", "FW339"}) {
    if (!images.TakeImage(name).empty()) return false;
  }
  boxes.Show("Message", kNoImageText, platform::MessageIcon::None);
  return true;
}

}  // namespace kelm::window
