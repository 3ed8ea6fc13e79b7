#pragma once
// The open-file dialog on Windows: GetOpenFileNameW, its answer as UTF-8.

#include "window/win32/windows_api.h"

#include "window/logic/window_environment.h"

namespace kelm::win32 {

class Win32FileDialog final : public ui::FileDialog {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  std::optional<std::string> GetOpenFileName(const std::string& initialDir,
                                             const std::string& filter) override;

 private:
  HWND owner_ = nullptr;
};

// "BinaryFile|*.bin|All Files|*.*" as the dialog takes it: NUL after each part, two at the end.
std::string DialogFilter(const std::string& filter);

}  // namespace kelm::win32
