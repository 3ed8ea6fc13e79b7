#pragma once
// The clock and the debugger output on Windows: Sleep and OutputDebugStringA.

#include "platform/system.h"
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

class WindowsClock final : public platform::Clock {
 public:
  explicit WindowsClock(const Win32Calls& calls = RealWin32Calls()) : calls_(calls) {}
  void Sleep(std::uint32_t milliseconds) override;

 private:
  const Win32Calls& calls_;
};

class WindowsDebugOutput final : public platform::DebugOutput {
 public:
  explicit WindowsDebugOutput(const Win32Calls& calls = RealWin32Calls()) : calls_(calls) {}
  void OutputDebugString(std::string_view text) override;

 private:
  const Win32Calls& calls_;
};

}  // namespace kelm::windows
