#pragma once
// Holds SIGINT, SIGTERM, SIGHUP and SIGQUIT while a flash changes: the first one is told in
// one line on standard error, and the program ends after the procedure instead of amid it.

#include <array>
#include <csignal>
#include <string>

#include "platform/flash_hold_off.h"

namespace kelm::posix {

class InterruptHold final : public platform::FlashHoldOff {
 public:
  // `notice`: the line said when the first interrupt comes while held (without its end).
  explicit InterruptHold(std::string notice);
  ~InterruptHold() override;
  InterruptHold(const InterruptHold&) = delete;
  InterruptHold& operator=(const InterruptHold&) = delete;

  void Hold() override;
  // What the signals did before comes back, so a later one stops the program at once.
  void Release() override;
  bool interrupted() const override;

 private:
  std::string notice_;
  bool holding_ = false;
  std::array<struct sigaction, 4> previous_{};  // what each held signal did before
};

}  // namespace kelm::posix
