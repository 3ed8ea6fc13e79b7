// Every request of every update path, made to fail, to succeed with a last-error, or (for
// reads) to come back short: the procedure must never call a wrong flash a success, must
// keep a JMB352's parameter block, and must say what went wrong in its own words.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "flash/engine_settings.h"
#include "tests/faults/update_paths.h"

namespace kelm::test {
namespace {

namespace fs = std::filesystem;

struct RunOutcome {
  bool success = false;
  std::vector<std::uint8_t> flash;
  std::string status;
  std::string trace;
  bool backupWritten = false;
  std::vector<std::uint8_t> backup;
};

std::vector<std::uint8_t> ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Describe(const TracedRequest& request, FaultKind kind) {
  return request.command + " #" + std::to_string(request.nth) + " " +
         std::string(FaultKindName(kind));
}

class FaultMatrix : public ::testing::TestWithParam<UpdatePath> {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kelm-faults-" + std::string(GetParam().name) + "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_);
    context_.backupFile = dir_ / "backup.bin";
  }
  void TearDown() override {
    fs::remove_all(dir_);
    flash::FirmwareSize = 65536;
    flash::TransferPageSize = 16384;
  }

  RunOutcome Run(const sim::DeviceSpec& device) {
    const UpdatePath& path = GetParam();
    fs::remove(context_.backupFile);
    sim::Scenario scenario;
    scenario.devices.push_back(device);
    Rig rig(std::move(scenario));
    RecordingHost host(rig);
    path.prepare(rig, host, context_);
    std::ostringstream trace;
    rig.sim.SetTrace(&trace);

    RunOutcome outcome;
    outcome.success = path.run(host, rig.sim.DevicePath(0));
    rig.sim.SetTrace(nullptr);
    outcome.flash = path.flash == FlashKind::Serial ? rig.sim.SerialFlash(0) : rig.sim.ParallelFlash(0);
    outcome.status = host.Status();
    outcome.trace = trace.str();
    outcome.backupWritten = fs::exists(context_.backupFile);
    if (outcome.backupWritten) outcome.backup = ReadFile(context_.backupFile);
    expected_ = path.expectedFlash(original_, rig);
    return outcome;
  }

  std::vector<std::uint8_t> OriginalFlash(const sim::DeviceSpec& device) const {
    const auto& content = GetParam().flash == FlashKind::Serial ? device.serialFlash->content
                                                                 : device.parallelFlash->content;
    return content.file;
  }

  // What every run must satisfy, whatever misbehaved.
  void CheckSoundness(const RunOutcome& run) const {
    const UpdatePath& path = GetParam();
    if (run.success) {
      EXPECT_EQ(run.flash, expected_) << "reported success over a wrong flash";
    }
    if (path.writesBackup) {
      if (run.success) {
        const std::size_t size = std::min<std::size_t>(run.backup.size(), original_.size());
        EXPECT_TRUE(run.backupWritten);
        EXPECT_EQ(run.backup, std::vector<std::uint8_t>(original_.begin(), original_.begin() + size));
        EXPECT_GT(size, 0u);
      } else {
        EXPECT_FALSE(run.backupWritten) << "a failed backup left a file";
      }
    }
    if (path.keepsParameterBlock) {
      const std::vector<std::uint8_t> block(run.flash.begin(), run.flash.begin() + kParameterBlockSize);
      const std::vector<std::uint8_t> saved(original_.begin(), original_.begin() + kParameterBlockSize);
      const bool erased = std::ranges::all_of(block, [](std::uint8_t b) { return b == 0xFF; });
      EXPECT_TRUE(block == saved || erased)
          << "the parameter block holds bytes other than its own";
    }
  }

  void CheckExpectation(const RunOutcome& run, const Expectation& expectation) const {
    if (expectation.mustSucceed) {
      EXPECT_TRUE(run.success) << "a fault the procedure rides over ended the run (status \""
                               << run.status << "\")";
    }
    if (run.success) {
      EXPECT_EQ(run.status, expectation.successMessage.value_or(successStatus_));
      return;
    }
    EXPECT_NE(std::ranges::find(expectation.failureMessages, run.status),
              expectation.failureMessages.end())
        << "unexpected failure message \"" << run.status << "\"";
  }

  fs::path dir_;
  RunContext context_;
  std::vector<std::uint8_t> original_;
  std::vector<std::uint8_t> expected_;
  std::string successStatus_;
};

int totalCases = 0;

TEST_P(FaultMatrix, EveryRequestMisbehavingOnce) {
  const UpdatePath& path = GetParam();
  const sim::DeviceSpec device = path.device();
  original_ = OriginalFlash(device);

  const RunOutcome baseline = Run(device);
  ASSERT_TRUE(baseline.success) << baseline.status;
  ASSERT_EQ(baseline.flash, expected_);
  successStatus_ = baseline.status;
  CheckSoundness(baseline);
  const std::vector<TracedRequest> requests = ParseTrace(baseline.trace);
  ASSERT_FALSE(requests.empty());

  int cases = 0;
  for (const TracedRequest& request : requests) {
    for (FaultKind kind : {FaultKind::Fail, FaultKind::LastError, FaultKind::Short}) {
      if (kind == FaultKind::Short && (!request.dataIn || request.length < 2)) continue;
      SCOPED_TRACE(Describe(request, kind));
      sim::DeviceSpec faulty = device;
      InjectFault(faulty, request, kind);
      const RunOutcome run = Run(faulty);
      ASSERT_TRUE(FaultLanded(ParseTrace(run.trace), request, kind)) << "the fault missed its request";
      CheckSoundness(run);
      CheckExpectation(run, path.expect(request, kind));
      ++cases;
    }
  }
  totalCases += cases;
  std::printf("fault matrix: %s: %zu requests, %d cases (%d so far)\n",
              std::string(path.name).c_str(), requests.size(), cases, totalCases);
}

INSTANTIATE_TEST_SUITE_P(UpdatePaths, FaultMatrix, ::testing::ValuesIn(UpdatePaths()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelm::test
