// A refresh of the drive list with 16 enclosures attached, as the window runs it: discovery,
// identification of every drive, and for each JMB352 the inquiry, the enter command and the
// embedded-image check. Counts the commands and the host time, and the device time the
// timing profile gives them.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cctype>

#include "bench/bench_support.h"
#include "chip/bridge_models.h"
#include "chip/firmware_file.h"
#include "chip/identification.h"
#include "device/commands.h"
#include "device/discovery.h"

namespace kelm::bench {
namespace {

constexpr std::size_t kEnclosures = 16;
constexpr std::size_t kInquiryLength = 40;

// The drives that need the embedded image.
int RefreshDriveList(const platform::Services& io) {
  device::DevicePathTable paths;
  const int disks = device::EnumerateDiskDrives(io, paths);
  const int count = disks + device::EnumerateCdromDrives(io, paths, disks);
  int listed = 0;
  for (int i = 0; i < count; ++i) {
    std::string path = paths[static_cast<std::size_t>(i)];
    const chip::ChipCode code = chip::IdentifyBridgeChip(io, path);
    if (chip::Jmb352ImageName(code).empty()) continue;
    std::ranges::transform(path, path.begin(), [](unsigned char c) { return std::tolower(c); });
    std::array<std::uint8_t, kInquiryLength> inquiry{};
    device::Inquiry(io, path, inquiry);
    device::EnterCommand(io, path);
    if (!chip::IsEmbeddedImageCurrent(io, path)) ++listed;
  }
  for (int i = disks; i < count; ++i) device::EnterCommand(io, paths[static_cast<std::size_t>(i)]);
  return listed;
}

void BM_RefreshWith16Enclosures(benchmark::State& state) {
  test::Rig rig(Jmb352Enclosures(kEnclosures));
  ProfiledBridge bridge(rig.sim);
  const platform::Services io = ProfiledServices(rig, bridge);
  HostTimer timer;
  for (auto _ : state) {
    bridge.Reset();
    const int listed = timer.Measure([&] { return RefreshDriveList(io); });
    if (listed != static_cast<int>(kEnclosures)) state.SkipWithError("not every enclosure listed");
  }
  state.SetLabel("refresh_16_enclosures");
  state.counters["commands"] = static_cast<double>(bridge.Requests());
  state.counters["host_us"] = timer.TotalNs() / 1e3 / static_cast<double>(state.iterations());
  state.counters["device_ms"] = bridge.NowUs() / 1e3;
}
BENCHMARK(BM_RefreshWith16Enclosures)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelm::bench
