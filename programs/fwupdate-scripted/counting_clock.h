#pragma once
// The scripted program's clock: it sleeps for real, since the enclosures are real, but adds up
// the waits the program asked for, so the transcript's time is the simulator's virtual time.

#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/system.h"

namespace kelm::hardware {

class CountingClock final : public platform::Clock {
 public:
  void Sleep(std::uint32_t milliseconds) override {
    elapsedMs_ += milliseconds;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
  std::uint64_t ElapsedMs() const { return elapsedMs_; }

 private:
  std::uint64_t elapsedMs_ = 0;
};

}  // namespace kelm::hardware
