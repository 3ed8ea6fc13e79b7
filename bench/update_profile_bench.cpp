// The FW352B update of a JMB352 revision 2 under the timing profile of a real enclosure:
// the time the update takes (device time plus the host's own) against the time the device
// alone needs, and how long the window goes without a message-pump pass meanwhile.

#include <benchmark/benchmark.h>

#include <algorithm>

#include "bench/bench_support.h"
#include "flash/jmb352_update.h"

namespace kelm::bench {
namespace {

constexpr int kRevisionTakingFw352B = 2;

// A window stand-in that notes, in device time, the longest stretch without a message pass
// and the longest without a progress repaint (AdvanceProgress repaints at once).
class PumpWatch final : public platform::Host {
 public:
  PumpWatch(const platform::Services& io, const ProfiledBridge& clock) : io_(io), clock_(clock) {}

  const platform::Services& services() override { return io_; }
  void SetStatus(std::string_view text) override { status_ = text; }
  std::string Status() const override { return status_; }
  void ProcessMessages() override {
    ++passes;
    Mark(lastPassUs_, longestPassGapUs);
  }
  void AdvanceProgress(std::int32_t step) override {
    progress_ = std::min(100, progress_ + step);
    Mark(lastRepaintUs_, longestRepaintGapUs);
  }
  platform::Options options() const override { return {}; }

  // The stretch from the last pass (or repaint) to the end of the update counts too.
  void Finish() {
    Mark(lastPassUs_, longestPassGapUs);
    Mark(lastRepaintUs_, longestRepaintGapUs);
  }

  int passes = 0;
  double longestPassGapUs = 0;
  double longestRepaintGapUs = 0;

 private:
  void Mark(double& last, double& longest) {
    longest = std::max(longest, clock_.NowUs() - last);
    last = clock_.NowUs();
  }

  const platform::Services& io_;
  const ProfiledBridge& clock_;
  std::string status_;
  int progress_ = 0;
  double lastPassUs_ = 0;
  double lastRepaintUs_ = 0;
};

struct UpdateFigures {
  double hostNs = 0, deviceUs = 0, boundUs = 0, requests = 0;
  double longestPassGapUs = 0, longestRepaintGapUs = 0, passes = 0;
};

UpdateFigures RunUpdates(benchmark::State& state) {
  test::Rig rig(Jmb352Enclosures(1));
  ProfiledBridge bridge(rig.sim);
  const platform::Services io = ProfiledServices(rig, bridge);
  const std::string path = rig.sim.DevicePath(0);
  const std::vector<std::uint8_t> old = OldFirmware();
  HostTimer timer;
  UpdateFigures figures;
  for (auto _ : state) {
    state.PauseTiming();
    rig.sim.SetSerialFlash(0, old);
    bridge.Reset();
    PumpWatch host(io, bridge);
    state.ResumeTiming();
    if (timer.Measure([&] { return flash::UpdateJmb352(host, path); }) != 1) {
      state.SkipWithError("update failed");
      break;
    }
    host.Finish();
    figures.deviceUs = bridge.NowUs();
    figures.boundUs = bridge.DeviceBoundUs();
    figures.requests = static_cast<double>(bridge.Requests());
    figures.longestPassGapUs = host.longestPassGapUs;
    figures.longestRepaintGapUs = host.longestRepaintGapUs;
    figures.passes = host.passes;
  }
  figures.hostNs = timer.TotalNs() / static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
  return figures;
}

void BM_Fw352bUpdateUnderTheProfile(benchmark::State& state) {
  const UpdateFigures f = RunUpdates(state);
  const double wallUs = f.deviceUs + f.hostNs / 1e3;
  state.SetLabel("fw352b_update");
  state.counters["requests"] = f.requests;
  state.counters["host_ms"] = f.hostNs / 1e6;
  state.counters["device_ms"] = f.deviceUs / 1e3;
  state.counters["device_bound_ms"] = f.boundUs / 1e3;
  state.counters["wall_to_device_bound"] = wallUs / f.boundUs;
}
BENCHMARK(BM_Fw352bUpdateUnderTheProfile)->Unit(benchmark::kMillisecond);

void BM_Fw352bUpdateMessagePump(benchmark::State& state) {
  const UpdateFigures f = RunUpdates(state);
  state.SetLabel("fw352b_message_pump");
  state.counters["pump_passes"] = f.passes;
  state.counters["longest_pump_gap_ms"] = f.longestPassGapUs / 1e3;
  state.counters["longest_repaint_gap_ms"] = f.longestRepaintGapUs / 1e3;
}
BENCHMARK(BM_Fw352bUpdateMessagePump)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelm::bench
