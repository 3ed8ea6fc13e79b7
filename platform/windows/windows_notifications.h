#pragma once
// Device arrival and removal on Windows: RegisterDeviceNotificationA for device interface
// classes on a message-only window; WM_DEVICECHANGE arrival and removal reach the handler as
// the window's event codes while the thread pumps its messages. Windows starts a USB device's
// interface first and its disk's seconds later, once the disk driver has the drive, so the
// disk and CD-ROM classes are asked for besides the USB device's: a re-plug ends with the
// drive's own arrival.

#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

#include "platform/setup_service.h"
#include "platform/system.h"
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

// The classes the window follows: the USB device's, and the drives' that come after it.
inline constexpr std::string_view kUsbAndDriveClasses[] = {
    platform::kUsbDeviceInterfaceClass, platform::kDiskInterfaceClass,
    platform::kCdromInterfaceClass};
// The drives' classes alone: an arrival of one is a drive the system can talk to.
inline constexpr std::string_view kDriveClasses[] = {platform::kDiskInterfaceClass,
                                                     platform::kCdromInterfaceClass};

class WindowsDeviceNotifications final : public platform::DeviceNotifications {
 public:
  explicit WindowsDeviceNotifications(const Win32Calls& calls = RealWin32Calls(),
                                      std::vector<std::string_view> classes = {
                                          std::begin(kUsbAndDriveClasses),
                                          std::end(kUsbAndDriveClasses)});
  ~WindowsDeviceNotifications() override;
  WindowsDeviceNotifications(const WindowsDeviceNotifications&) = delete;
  WindowsDeviceNotifications& operator=(const WindowsDeviceNotifications&) = delete;

  // Creates the window and registers on first use; a later call replaces the handler.
  void Register(Handler handler) override;
  // Whether the system took the registration of every class.
  bool Registered() const { return registered_; }
  // Delivers what arrives within `milliseconds` (0: only what is already queued).
  void Pump(std::uint32_t milliseconds);

  // The window's message handling: a WM_DEVICECHANGE for a device interface becomes an event.
  // True when the message was one.
  bool OnMessage(std::uint32_t message, std::uintptr_t wParam, const void* lParam);

 private:
  const Win32Calls& calls_;
  std::vector<std::string_view> classes_;
  Handler handler_;
  void* window_ = nullptr;
  std::vector<void*> notifications_;
  bool registered_ = false;
};

}  // namespace kelm::windows
