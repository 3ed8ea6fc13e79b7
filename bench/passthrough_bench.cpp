// Host cost of one pass-through request: through the simulated bridge (transport, fault and
// trace bookkeeping, the bridge's decode), and through a device file that does nothing, which
// leaves the transport's own work.

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>

#include "bench/bench_support.h"
#include "device/commands.h"

namespace kelm::bench {
namespace {

// Completes every request at once, moving no data.
class NullDeviceFile final : public platform::DeviceFile {
 public:
  platform::Handle Open(const std::string&, platform::ShareMode) override { return 1; }
  bool Control(platform::Handle, std::uint32_t, platform::PassThroughRequest&) override { return true; }
  std::uint32_t LastError() const override { return 0; }
  void Close(platform::Handle) override {}
};

// Timed around the whole loop: a clock read per request would cost as much as the request.
template <typename Request>
void MeasureRequests(benchmark::State& state, Request&& request, const char* label) {
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(request());
  const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
  state.SetLabel(label);
  state.counters["host_ns_per_request"] = elapsed.count() / static_cast<double>(state.iterations());
}

void BM_StatusReadOnTheSimulatedBridge(benchmark::State& state) {
  test::Rig rig(Jmb352Enclosures(1));
  const std::string path = rig.sim.DevicePath(0);
  std::uint8_t status = 0;
  MeasureRequests(state, [&] { return device::ReadFlashStatus(rig.io, path, status); }, "passthrough");
}
BENCHMARK(BM_StatusReadOnTheSimulatedBridge);

void BM_StatusReadTransportAlone(benchmark::State& state) {
  test::Rig rig(Jmb352Enclosures(1));
  NullDeviceFile file;
  const platform::Services io{file, rig.sim, rig.clock, rig.recorder, rig.recorder, rig.recorder, rig.images, rig.files};
  const std::string path = rig.sim.DevicePath(0);
  std::uint8_t status = 0;
  MeasureRequests(state, [&] { return device::ReadFlashStatus(io, path, status); },
                  "passthrough_transport_alone");
}
BENCHMARK(BM_StatusReadTransportAlone);

void BM_PieceReadOnTheSimulatedBridge(benchmark::State& state) {
  test::Rig rig(Jmb352Enclosures(1));
  const std::string path = rig.sim.DevicePath(0);
  std::vector<std::uint8_t> piece(16384);
  MeasureRequests(state, [&] { return device::ReadFlash(rig.io, path, 0x4000, piece); },
                  "passthrough_16k_read");
}
BENCHMARK(BM_PieceReadOnTheSimulatedBridge);

}  // namespace
}  // namespace kelm::bench
