#pragma once
// Whether this process may use a node: the bridge's commands need nothing but a read-write
// descriptor of it, since the sg driver filters commands only on nodes opened read-only.

#include <string>

#include "platform/linux/sys_calls.h"

namespace kelm::linux_platform {

class NodeAccess {
 public:
  explicit NodeAccess(SysCalls& sys) : sys_(sys) {}
  // True when the kernel refuses a read-write open of the node (EACCES or EPERM). A node that
  // is busy or gone is no access problem: the refresh says what it finds.
  bool Refused(const std::string& devNode) const;

 private:
  SysCalls& sys_;
};

}  // namespace kelm::linux_platform
