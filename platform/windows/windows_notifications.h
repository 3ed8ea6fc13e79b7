#pragma once
// USB device arrival and removal on Windows: RegisterDeviceNotificationA for the USB device
// interface class on a message-only window; WM_DEVICECHANGE arrival and removal reach the
// handler as the window's event codes while the thread pumps its messages.

#include <cstdint>

#include "platform/system.h"
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

class WindowsDeviceNotifications final : public platform::DeviceNotifications {
 public:
  explicit WindowsDeviceNotifications(const Win32Calls& calls = RealWin32Calls());
  ~WindowsDeviceNotifications() override;
  WindowsDeviceNotifications(const WindowsDeviceNotifications&) = delete;
  WindowsDeviceNotifications& operator=(const WindowsDeviceNotifications&) = delete;

  // Creates the window and registers on first use; a later call replaces the handler.
  void Register(Handler handler) override;
  // Whether the system took the registration.
  bool Registered() const { return notification_ != nullptr; }
  // Delivers what arrives within `milliseconds` (0: only what is already queued).
  void Pump(std::uint32_t milliseconds);

  // The window's message handling: a WM_DEVICECHANGE for a device interface becomes an event.
  // True when the message was one.
  bool OnMessage(std::uint32_t message, std::uintptr_t wParam, const void* lParam);

 private:
  const Win32Calls& calls_;
  Handler handler_;
  void* window_ = nullptr;
  void* notification_ = nullptr;
};

}  // namespace kelm::windows
