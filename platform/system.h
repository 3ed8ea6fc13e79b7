#pragma once
// Small ports: the clock, the debugger output, standard output, device notifications.

#include <cstdint>
#include <functional>
#include <string_view>

namespace kelm::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

class DebugOutput {
 public:
  virtual ~DebugOutput() = default;
  virtual void OutputDebugString(std::string_view text) = 0;
};

class StandardOutput {
 public:
  virtual ~StandardOutput() = default;
  virtual void Write(std::string_view text) = 0;
};

// Device-change event codes as the window receives them.
inline constexpr std::uint32_t kDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;

// USB device arrival and removal notifications, delivered on the window's thread.
class DeviceNotifications {
 public:
  using Handler = std::function<void(std::uint32_t eventCode)>;
  virtual ~DeviceNotifications() = default;
  virtual void Register(Handler handler) = 0;
};

}  // namespace kelm::platform
