#pragma once
// Whether this process can send the bridge's commands to a node: it must open the node for
// reading and writing, and the sg driver passes vendor-specific commands only to a process
// holding CAP_SYS_RAWIO.

#include <string>
#include <string_view>
#include <utility>

#include "platform/linux/sys_calls.h"

namespace kelm::linux_platform {

enum class AccessProblem { None, NoReadWrite, NoRawIo };

// Whether a /proc/<pid>/status text grants CAP_SYS_RAWIO in the effective set. A text without
// a readable CapEff line counts as granted: only a known lack is reported.
bool StatusGrantsRawIo(std::string_view procStatus);

class NodeAccess {
 public:
  explicit NodeAccess(SysCalls& sys, std::string procStatusPath = "/proc/self/status")
      : sys_(sys), procStatusPath_(std::move(procStatusPath)) {}
  AccessProblem Check(const std::string& devNode) const;

 private:
  SysCalls& sys_;
  std::string procStatusPath_;
};

}  // namespace kelm::linux_platform
