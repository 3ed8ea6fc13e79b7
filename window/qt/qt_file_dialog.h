#pragma once
// The open-file dialog on a display. The window writes filters "Name|patterns|Name|patterns";
// Qt wants "Name (patterns);;Name (patterns)".

#include <optional>
#include <string>
#include <string_view>

#include "window/logic/window_environment.h"

namespace kelm::ui {

// "BinaryFile|*.bin|All Files|*.*" -> "BinaryFile (*.bin);;All Files (*.*)".
std::string QtFilterOf(std::string_view filter);

class QtFileDialog final : public FileDialog {
 public:
  std::optional<std::string> GetOpenFileName(const std::string& initialDir,
                                             const std::string& filter) override;
};

}  // namespace kelm::ui
