#pragma once
// The setup service port: enumeration of the present device interfaces of a class.

#include <cstdint>
#include <string>
#include <string_view>

namespace kelm::platform {

using DeviceInfoSet = std::intptr_t;
inline constexpr DeviceInfoSet kInvalidDeviceInfoSet = -1;

// Interface class identifiers, in the form the operating system spells them.
inline constexpr std::string_view kDiskInterfaceClass = "{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}";
inline constexpr std::string_view kCdromInterfaceClass = "{53F56308-B6BF-11D0-94F2-00A0C91EFB8B}";
inline constexpr std::string_view kUsbDeviceInterfaceClass = "{A5DCBF10-6530-11D2-901F-00C04FB951ED}";

// One enumerated interface; the size field mirrors the 32-bit record the enumeration fills.
struct DeviceInterfaceData {
  std::uint32_t cbSize = 28;
  std::uint32_t memberIndex = 0;
};

class SetupService {
 public:
  virtual ~SetupService() = default;
  // The present device interfaces of the class; kInvalidDeviceInfoSet on failure.
  virtual DeviceInfoSet GetClassDevs(std::string_view interfaceClass) = 0;
  // Member `memberIndex` of the set; false past the end of the list (or on failure).
  virtual bool EnumDeviceInterfaces(DeviceInfoSet set, std::string_view interfaceClass,
                                    std::uint32_t memberIndex, DeviceInterfaceData& data) = 0;
  // The interface's device path; false when the detail call fails.
  virtual bool GetDeviceInterfacePath(DeviceInfoSet set, const DeviceInterfaceData& data,
                                      std::string& path) = 0;
  virtual void DestroyDeviceInfoList(DeviceInfoSet set) = 0;

  // Whether a listed path names a USB mass-storage device. Device interface paths of USB
  // storage hold "usbsto" (case-sensitive); a backend whose paths are named otherwise
  // answers from what it knows of the device.
  virtual bool IsUsbStoragePath(std::string_view path) const {
    return path.find("usbsto") != std::string_view::npos;
  }
};

}  // namespace kelm::platform
