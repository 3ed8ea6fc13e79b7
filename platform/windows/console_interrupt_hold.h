#pragma once
// Holds Ctrl+C and Ctrl+Break of a console program while a flash changes: the first is told,
// and the program ends after the procedure instead of amid it. A closed console window allows
// a few seconds only, so its event is left to the system.

#include <functional>

#include "platform/flash_hold_off.h"
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

class ConsoleInterruptHold final : public platform::FlashHoldOff {
 public:
  // `tell` is called once, on the console's handler thread, at the first held interrupt.
  ConsoleInterruptHold(const Win32Calls& calls, std::function<void()> tell);
  ~ConsoleInterruptHold() override;
  ConsoleInterruptHold(const ConsoleInterruptHold&) = delete;
  ConsoleInterruptHold& operator=(const ConsoleInterruptHold&) = delete;

  void Hold() override;
  void Release() override;
  bool interrupted() const override;

 private:
  const Win32Calls& calls_;
  std::function<void()> tell_;
  bool holding_ = false;
};

}  // namespace kelm::windows
