// Apart from the other bench ports, so a program on real enclosures links no simulator.

#include "programs/fwupdate-sim/bench_ports.h"

namespace kelm::bench {

void SimNotifications::Unplug() {
  sim_.Unplug();
  Send(platform::kDeviceRemoveComplete);
}

void SimNotifications::Plug() {
  sim_.Plug();
  Send(platform::kDeviceArrival);
}

void SimNotifications::Send(std::uint32_t eventCode) {
  if (handler_) handler_(eventCode);
}

}  // namespace kelm::bench
