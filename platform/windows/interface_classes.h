#pragma once
// The interface classes the program asks the system about, as the port spells them and as
// the setup service takes them.

#include <windows.h>

#include <optional>
#include <string_view>

#include "platform/setup_service.h"

namespace kelm::windows {

struct InterfaceClass {
  std::string_view text;
  GUID guid;
};

inline constexpr InterfaceClass kInterfaceClasses[] = {
    {platform::kDiskInterfaceClass,
     {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}}},
    {platform::kCdromInterfaceClass,
     {0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}}},
    {platform::kUsbDeviceInterfaceClass,
     {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}}},
};

inline std::optional<GUID> InterfaceClassGuid(std::string_view text) {
  for (const InterfaceClass& entry : kInterfaceClasses) {
    if (entry.text == text) return entry.guid;
  }
  return std::nullopt;
}

}  // namespace kelm::windows
