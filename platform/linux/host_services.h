#pragma once
// The small real services of a program on a desktop: a sleeping clock, the debugger output
// on standard error, standard output.

#include <chrono>
#include <cstdio>
#include <string_view>
#include <thread>

#include "platform/system.h"

namespace kelm::linux_platform {

class ThreadClock final : public platform::Clock {
 public:
  void Sleep(std::uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

class StderrDebugOutput final : public platform::DebugOutput {
 public:
  void OutputDebugString(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (!text.ends_with('\n')) std::fputc('\n', stderr);
  }
};

class StdoutOutput final : public platform::StandardOutput {
 public:
  void Write(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
};

}  // namespace kelm::linux_platform
