#pragma once
// Tells the operator, once per run, which USB drives the program may not use and how to
// give it the access it needs; later refreshes meet the same drives in silence.

#include <string>
#include <utility>
#include <vector>

#include "platform/host.h"

namespace kelm::linux_platform {

struct UnusableDrive {
  std::string devNode;      // /dev/sgN
  std::string description;  // vendor and model, may be empty
};

class PermissionNotice {
 public:
  PermissionNotice(platform::MessageBoxes& boxes, std::string programPath)
      : boxes_(boxes), programPath_(std::move(programPath)) {}

  // Shows the message for these drives unless one was shown before; nothing for none.
  void Report(const std::vector<UnusableDrive>& drives);
  bool Told() const { return told_; }

  static std::string Text(const std::vector<UnusableDrive>& drives,
                          const std::string& programPath);

 private:
  platform::MessageBoxes& boxes_;
  std::string programPath_;
  bool told_ = false;
};

}  // namespace kelm::linux_platform
