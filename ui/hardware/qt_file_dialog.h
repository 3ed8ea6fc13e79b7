#pragma once
// The open-file dialog on a display, its filter given as "Name|patterns|Name|patterns".

#include <string>
#include <string_view>

#include "ui/window_environment.h"

namespace kelm::hardware {

// "BinaryFile|*.bin|All Files|*.*" as Qt writes it: "BinaryFile (*.bin);;All Files (*.*)".
std::string QtFilterOf(std::string_view filter);

class QtFileDialog final : public ui::FileDialog {
 public:
  std::optional<std::string> GetOpenFileName(const std::string& initialDir,
                                             const std::string& filter) override;
};

}  // namespace kelm::hardware
