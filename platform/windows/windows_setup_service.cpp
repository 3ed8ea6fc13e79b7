#include "platform/windows/windows_setup_service.h"

#include <cstring>

#include "platform/windows/interface_classes.h"
#include "platform/windows/win32_calls.h"

namespace kelm::windows {

namespace {

HDEVINFO ToSet(platform::DeviceInfoSet set) { return reinterpret_cast<HDEVINFO>(set); }

}  // namespace

platform::DeviceInfoSet WindowsSetupService::GetClassDevs(std::string_view interfaceClass) {
  const std::optional<GUID> guid = InterfaceClassGuid(interfaceClass);
  if (!guid) return platform::kInvalidDeviceInfoSet;
  const HDEVINFO set =
      calls_.SetupDiGetClassDevsA(&*guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return platform::kInvalidDeviceInfoSet;
  return reinterpret_cast<platform::DeviceInfoSet>(set);
}

bool WindowsSetupService::EnumDeviceInterfaces(platform::DeviceInfoSet set,
                                               std::string_view interfaceClass,
                                               std::uint32_t memberIndex,
                                               platform::DeviceInterfaceData& data) {
  const std::optional<GUID> guid = InterfaceClassGuid(interfaceClass);
  if (!guid) return false;
  SP_DEVICE_INTERFACE_DATA record{};
  record.cbSize = sizeof record;  // the native size; the port's field mirrors the 32-bit one
  if (!calls_.SetupDiEnumDeviceInterfaces(ToSet(set), nullptr, &*guid, memberIndex, &record)) {
    return false;
  }
  data.memberIndex = memberIndex;
  last_.set = set;
  last_.interfaceClass = std::string(interfaceClass);
  last_.memberIndex = memberIndex;
  last_.record.assign(reinterpret_cast<const std::uint8_t*>(&record),
                      reinterpret_cast<const std::uint8_t*>(&record) + sizeof record);
  return true;
}

bool WindowsSetupService::GetDeviceInterfacePath(platform::DeviceInfoSet set,
                                                 const platform::DeviceInterfaceData& data,
                                                 std::string& path) {
  if (last_.set != set || last_.memberIndex != data.memberIndex) {
    platform::DeviceInterfaceData again;
    if (!EnumDeviceInterfaces(set, last_.interfaceClass, data.memberIndex, again)) return false;
  }
  SP_DEVICE_INTERFACE_DATA record;
  std::memcpy(&record, last_.record.data(), sizeof record);

  // Its size first; the call fails with ERROR_INSUFFICIENT_BUFFER and says how much it needs.
  DWORD required = 0;
  calls_.SetupDiGetDeviceInterfaceDetailA(ToSet(set), &record, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return false;

  // Then the detail, in a buffer aligned for the record.
  std::vector<std::uint64_t> buffer(required / sizeof(std::uint64_t) + 1, 0);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!calls_.SetupDiGetDeviceInterfaceDetailA(ToSet(set), &record, detail, required, nullptr,
                                               nullptr)) {
    return false;
  }
  const char* text = detail->DevicePath;
  const std::size_t room = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  path.assign(text, strnlen(text, room));
  return true;
}

void WindowsSetupService::DestroyDeviceInfoList(platform::DeviceInfoSet set) {
  calls_.SetupDiDestroyDeviceInfoList(ToSet(set));
  if (last_.set == set) last_ = {};
}

}  // namespace kelm::windows
