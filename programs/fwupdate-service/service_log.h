#pragma once
// The service's log: one line on standard error, which the journal keeps.

#include <cstdio>
#include <string>

#include "platform/system.h"

namespace kelm::service {

inline void Log(const std::string& line) {
  std::fprintf(stderr, "kelm-fwupdated: %s\n", line.c_str());
  std::fflush(stderr);
}

// The core's debugger lines and standard output, into the log.
class LogOutput final : public platform::DebugOutput, public platform::StandardOutput {
 public:
  void OutputDebugString(std::string_view text) override { Write(text); }
  void Write(std::string_view text) override {
    while (text.ends_with('\n')) text.remove_suffix(1);
    if (!text.empty()) Log(std::string(text));
  }
};

}  // namespace kelm::service
