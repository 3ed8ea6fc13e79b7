// Scenario text of any shape: the loader either gives a scenario the simulated platform can
// be built from, or a ScenarioError. Any other exception or a crash is a fault.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "chip/identification.h"
#include "fuzz/fuzz_services.h"
#include "platform/sim/scenario.h"

namespace {

using namespace kelm;

// "file" fields resolve here; the folder holds nothing, so every one of them is unreadable
// unless it names an absolute path.
const std::string& EmptyFolder() {
  static const std::string dir = [] {
    const auto path = std::filesystem::temp_directory_path() / "kelm-fuzz-scenario-empty";
    std::filesystem::create_directories(path);
    return path.string();
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view json(reinterpret_cast<const char*>(data), size);
  sim::Scenario scenario;
  try {
    scenario = sim::ParseScenario(json, "fuzz.json", EmptyFolder());
  } catch (const sim::ScenarioError&) {
    return 0;
  }
  // A scenario that parsed must run: build the bench and identify its first enclosure.
  try {
    fuzz::FuzzServices services(std::move(scenario));
    if (services.sim.DeviceCount() > 0) {
      chip::IdentifyBridgeChip(services.io, services.sim.DevicePath(0));
    }
  } catch (const sim::ScenarioError&) {
  }
  return 0;
}
