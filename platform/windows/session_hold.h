#pragma once
// Holds off sleep while a flash changes and, for a window, the end of the session: the
// window's reason why shutdown must wait is registered meanwhile (the window also answers the
// system's query to end the session with FALSE then).

#include "platform/flash_hold_off.h"
#include "platform/windows/win32_calls_fwd.h"

struct HWND__;

namespace kelm::windows {

inline constexpr wchar_t kShutdownBlockReason[] = L"Updating the firmware of an enclosure";

class SessionHold final : public platform::FlashHoldOff {
 public:
  explicit SessionHold(const Win32Calls& calls);
  ~SessionHold() override;
  SessionHold(const SessionHold&) = delete;
  SessionHold& operator=(const SessionHold&) = delete;

  // The window whose shutdown-block reason is registered; none for a console program.
  void SetWindow(HWND__* window) { window_ = window; }

  void Hold() override;
  void Release() override;

 private:
  const Win32Calls& calls_;
  HWND__* window_ = nullptr;
  bool held_ = false;
};

}  // namespace kelm::windows
