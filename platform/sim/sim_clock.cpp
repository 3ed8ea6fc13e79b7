#include <chrono>
#include <thread>

#include "platform/sim/sim_platform.h"

namespace kelm::sim {

void SimClock::Sleep(std::uint32_t milliseconds) {
  elapsedMs_ += milliseconds;
  if (realTime_) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace kelm::sim
