#pragma once
// Tells the operator, once per run, which USB drives the program may not use and the one way
// to give it access (the udev rule that comes with it); later refreshes meet the same drives
// in silence.

#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace kelm::linux_platform {

// The udev rule that gives the user at the seat read-write access to these enclosures alone.
inline constexpr std::string_view kUdevRuleName = "70-kelm-fwupdate.rules";

struct UnusableDrive {
  std::string devNode;      // /dev/sgN
  std::string description;  // vendor and model, may be empty
};

class PermissionNotice {
 public:
  explicit PermissionNotice(platform::MessageBoxes& boxes) : boxes_(boxes) {}

  // Shows the message for these drives unless one was shown before; nothing for none.
  void Report(const std::vector<UnusableDrive>& drives);
  bool Told() const { return told_; }

  static std::string Text(const std::vector<UnusableDrive>& drives);

 private:
  platform::MessageBoxes& boxes_;
  bool told_ = false;
};

}  // namespace kelm::linux_platform
