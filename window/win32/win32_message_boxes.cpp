#include "window/win32/win32_message_boxes.h"

#include <string>

#include "window/win32/wide_text.h"

namespace kelm::win32 {

namespace {
// The window's texts are UTF-8; the A call reads the system's code page.
std::string Ansi(std::string_view text) { return Narrow(Wide(text), CP_ACP); }
}  // namespace

void Win32MessageBoxes::Show(std::string_view caption, std::string_view text,
                             platform::MessageIcon icon) {
  UINT type = MB_OK;
  if (icon == platform::MessageIcon::Error) type |= MB_ICONERROR;
  if (icon == platform::MessageIcon::Information) type |= MB_ICONINFORMATION;
  MessageBoxA(IsWindow(owner_) ? owner_ : nullptr, Ansi(text).c_str(), Ansi(caption).c_str(), type);
}

}  // namespace kelm::win32
