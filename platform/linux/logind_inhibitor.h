#pragma once
// Holds off shutdown and sleep while a flash changes, as the system's update services do: a
// logind inhibitor lock ("shutdown:sleep", mode "block") taken over the system bus, held while
// its descriptor stays open.

#include <functional>
#include <string>
#include <string_view>

#include "platform/flash_hold_off.h"

namespace kelm::linux_platform {

inline constexpr std::string_view kInhibitReason = "Updating the firmware of an enclosure";

class LogindInhibitor final : public platform::FlashHoldOff {
 public:
  // `who`: the program's name as logind lists it. `tell` hears, once, why the lock could not
  // be taken (no system bus, no logind); the run goes on without it.
  LogindInhibitor(std::string who, std::function<void(const std::string&)> tell);
  ~LogindInhibitor() override;
  LogindInhibitor(const LogindInhibitor&) = delete;
  LogindInhibitor& operator=(const LogindInhibitor&) = delete;

  void Hold() override;
  void Release() override;
  bool held() const { return lock_ >= 0; }

 private:
  std::string who_;
  std::function<void(const std::string&)> tell_;
  bool told_ = false;
  int lock_ = -1;
};

}  // namespace kelm::linux_platform
