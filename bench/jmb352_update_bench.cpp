// Host CPU time of a JMB352 update (FW352B) on the simulated bridge: per update, and per
// pass-through request. The goal is at most 5 us of host time per request beyond moving
// the data; BM_DataCopy moves the same bytes as one update, as the baseline to subtract.

#include <benchmark/benchmark.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "flash/jmb352_update.h"
#include "tests/support/rig.h"

namespace {

using namespace kelm;

constexpr int kRevisionTakingFw352B = 2;

struct RunShape {
  std::size_t requests = 0;
  std::size_t bytesMoved = 0;
};

sim::Scenario BenchScenario() {
  sim::Scenario scenario;
  scenario.devices.push_back(
      test::Jmb352Device(kRevisionTakingFw352B, std::vector<std::uint8_t>(65536, 0)));
  return scenario;
}

// Requests and data bytes of one update, read from the request trace (one line each,
// the data length in the third field).
RunShape MeasureShape(test::Rig& rig, const std::vector<std::uint8_t>& oldFlash) {
  std::ostringstream trace;
  rig.sim.SetSerialFlash(0, oldFlash);
  rig.sim.SetTrace(&trace);
  test::RecordingHost host(rig);
  flash::UpdateJmb352(host, rig.sim.DevicePath(0));
  rig.sim.SetTrace(nullptr);

  RunShape shape;
  std::istringstream lines(trace.str());
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string direction, cdb;
    std::size_t length = 0;
    fields >> direction >> cdb >> length;
    ++shape.requests;
    shape.bytesMoved += length;
  }
  return shape;
}

void BM_Jmb352Update(benchmark::State& state) {
  test::Rig rig(BenchScenario());
  const std::vector<std::uint8_t> oldFlash(65536, 0);
  const RunShape shape = MeasureShape(rig, oldFlash);
  const std::string path = rig.sim.DevicePath(0);

  for (auto _ : state) {
    state.PauseTiming();
    rig.sim.SetSerialFlash(0, oldFlash);
    test::RecordingHost host(rig);
    state.ResumeTiming();
    if (flash::UpdateJmb352(host, path) != 1) state.SkipWithError("update failed");
  }
  state.counters["requests"] = static_cast<double>(shape.requests);
  state.counters["cpu_per_request"] = benchmark::Counter(
      static_cast<double>(shape.requests),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * shape.bytesMoved));
}
BENCHMARK(BM_Jmb352Update)->Unit(benchmark::kMicrosecond);

void BM_DataCopy(benchmark::State& state) {
  test::Rig rig(BenchScenario());
  const RunShape shape = MeasureShape(rig, std::vector<std::uint8_t>(65536, 0));
  std::vector<std::uint8_t> from(shape.bytesMoved, 0x5A), to(shape.bytesMoved);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * shape.bytesMoved));
}
BENCHMARK(BM_DataCopy)->Unit(benchmark::kMicrosecond);

}  // namespace
