#pragma once
// Pieces the host-cost benchmarks share: the simulated enclosures, the core's services over
// the timing profile, and host time measured around exactly the code under test.

#include <chrono>
#include <cstdint>
#include <vector>

#include "bench/device_profile.h"
#include "tests/support/rig.h"

namespace kelm::bench {

inline std::vector<std::uint8_t> OldFirmware() {
  std::vector<std::uint8_t> bytes(65536);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

// `count` JMB352 revision 2 enclosures holding old firmware.
inline sim::Scenario Jmb352Enclosures(std::size_t count) {
  sim::Scenario scenario;
  for (std::size_t i = 0; i < count; ++i) scenario.devices.push_back(test::Jmb352Device(2, OldFirmware()));
  return scenario;
}

// The rig's services with the device file and the clock replaced by the timing profile.
inline platform::Services ProfiledServices(test::Rig& rig, ProfiledBridge& bridge) {
  return {bridge, rig.sim, bridge, rig.recorder, rig.recorder, rig.recorder, rig.images, rig.files};
}

class HostTimer {
 public:
  template <typename F>
  auto Measure(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    auto result = work();
    total_ += std::chrono::steady_clock::now() - start;
    return result;
  }
  double TotalNs() const { return std::chrono::duration<double, std::nano>(total_).count(); }

 private:
  std::chrono::steady_clock::duration total_{};
};

}  // namespace kelm::bench
