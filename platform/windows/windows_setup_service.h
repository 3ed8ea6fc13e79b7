#pragma once
// The setup service port on Windows: SetupDiGetClassDevsA for the present interfaces of a
// class, SetupDiEnumDeviceInterfaces, SetupDiGetDeviceInterfaceDetailA (its size first, then
// the detail), SetupDiDestroyDeviceInfoList.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/setup_service.h"
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

class WindowsSetupService final : public platform::SetupService {
 public:
  explicit WindowsSetupService(const Win32Calls& calls = RealWin32Calls()) : calls_(calls) {}

  platform::DeviceInfoSet GetClassDevs(std::string_view interfaceClass) override;
  bool EnumDeviceInterfaces(platform::DeviceInfoSet set, std::string_view interfaceClass,
                            std::uint32_t memberIndex, platform::DeviceInterfaceData& data) override;
  bool GetDeviceInterfacePath(platform::DeviceInfoSet set, const platform::DeviceInterfaceData& data,
                              std::string& path) override;
  void DestroyDeviceInfoList(platform::DeviceInfoSet set) override;

 private:
  // The system's record of the interface last enumerated: the detail call needs it.
  struct Enumerated {
    platform::DeviceInfoSet set = platform::kInvalidDeviceInfoSet;
    std::string interfaceClass;
    std::uint32_t memberIndex = 0;
    std::vector<std::uint8_t> record;
  };

  const Win32Calls& calls_;
  Enumerated last_;
};

}  // namespace kelm::windows
