#pragma once
// Message boxes on Windows: MessageBoxA, owned by the main window once there is one.

#include "window/win32/windows_api.h"

#include "platform/host.h"

namespace kelm::win32 {

class Win32MessageBoxes final : public platform::MessageBoxes {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  void Show(std::string_view caption, std::string_view text, platform::MessageIcon icon) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace kelm::win32
