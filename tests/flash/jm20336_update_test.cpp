#include "chip/jm20336_update.h"

#include <gtest/gtest.h>

#include "device/commands.h"
#include "tests/flash/flash_rig.h"

namespace kelm::test {
namespace {

constexpr std::size_t kFlashSize = 65536;
const std::vector<std::uint8_t> kOldFirmware(kFlashSize, 0);

// A JM20336 bridge holding zero firmware, with an FW339 image unless `imageSize` is 0.
struct Jm20336Bench {
  explicit Jm20336Bench(std::size_t imageSize,
                        sim::DeviceSpec device = ParallelFlashDevice(kOldFirmware))
      : rig(OneDevice(std::move(device))), host(rig), image(Pattern(imageSize)) {
    if (imageSize > 0) rig.images.Set("FW339", image);
  }
  bool Run() { return chip::UpdateJm20336(host, rig.sim.DevicePath(0), 0); }
  std::uint32_t Count(const std::string& command) const { return rig.sim.RequestCount(0, command); }

  Rig rig;
  RecordingHost host;
  std::vector<std::uint8_t> image;
};

TEST_F(EngineTest, Jm20336UpdateSwitchesToInternalRomUnlessA1) {
  for (bool a1 : {false, true}) {
    Jm20336Bench bench(40000);
    bench.host.opts.a1ChipCheck = a1;

    EXPECT_TRUE(bench.Run());
    EXPECT_EQ(bench.Count("SwitchToInternalRom"), a1 ? 0u : 1u);
    EXPECT_EQ(bench.host.Status(), "Programming & Compare Success!!");
    std::vector<std::uint8_t> expected(kFlashSize, 0xFF);
    std::copy(bench.image.begin(), bench.image.end(), expected.begin());
    EXPECT_EQ(bench.rig.sim.ParallelFlash(0), expected);
  }
}

TEST_F(EngineTest, Jm20336EraseOnlyWinsOverBackupOnly) {
  Jm20336Bench bench(40000);
  bench.host.opts.eraseOnlyFlag = bench.host.opts.backupFwCheckBox = true;

  EXPECT_TRUE(bench.Run());
  EXPECT_EQ(bench.host.statusHistory.front(), "Start Erase only!");
  EXPECT_EQ(bench.host.Status(), "Erase All success!!");
  EXPECT_TRUE(bench.rig.recorder.boxes.empty());
  EXPECT_EQ(bench.Count("ProgramParallelFlash"), 0u);
}

struct RefusalCase {
  const char* name;
  bool eraseOnly;
  std::size_t imageSize;
  const char* fault;  // "", "stuck", or a command that fails once
  std::string status;
};

class Jm20336Refusal : public EngineTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Jm20336Refusal, ProgramsNothing) {
  const RefusalCase c = GetParam();
  sim::DeviceSpec device = ParallelFlashDevice(kOldFirmware);
  const std::string fault = c.fault;
  if (fault == "stuck") device.parallelFlash->stuck.push_back({0x1234, 0xFE});
  if (!fault.empty() && fault != "stuck") device.fail.push_back(FaultOn(fault, 1));
  Jm20336Bench bench(c.imageSize, device);
  bench.host.opts.eraseOnlyFlag = c.eraseOnly;

  EXPECT_FALSE(bench.Run());
  EXPECT_EQ(bench.host.Status(), c.status);
  EXPECT_EQ(bench.Count("ProgramParallelFlash"), 0u);
  // Without a fitting image the old firmware is left alone.
  if (c.status == "Load defaut Fw file Error!!") {
    EXPECT_EQ(bench.Count("PreEraseParallelFlash"), 0u);
    EXPECT_EQ(bench.rig.sim.ParallelFlash(0), kOldFirmware);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, Jm20336Refusal,
    ::testing::Values(RefusalCase{"NotErased", false, 40000, "stuck", "Not Erase correctly!"},
                      RefusalCase{"EraseOnlyNotErased", true, 0, "stuck", "Not Erase correctly!"},
                      RefusalCase{"NoSwitch", false, 40000, "SwitchToInternalRom",
                                  "Can't switch to internal ROM"},
                      RefusalCase{"PreEraseFails", false, 40000, "PreEraseParallelFlash",
                                  "Error pre-erase command!!"},
                      RefusalCase{"EraseOnlyEraseFails", true, 0, "EraseParallelFlash",
                                  "Erase command fail!!"},
                      RefusalCase{"NoImage", false, 0, "", "Load defaut Fw file Error!!"},
                      RefusalCase{"ImageTooLarge", false, 65537, "",
                                  "Load defaut Fw file Error!!"}),
    [](const auto& info) { return std::string(info.param.name); });

// A failed erase does not stop the update; the compare after programming catches it.
TEST_F(EngineTest, Jm20336FailedEraseIsCaughtByTheCompare) {
  sim::DeviceSpec device = ParallelFlashDevice(kOldFirmware);
  device.fail.push_back(FaultOn("EraseParallelFlash", 1));
  Jm20336Bench bench(40000, device);
  EXPECT_FALSE(bench.Run());
  EXPECT_EQ(bench.Count("ProgramParallelFlash"), 1u);
  EXPECT_EQ(bench.host.Status(), "Compare Fail!!");
}

// The image ends in erased bytes, which the read buffer still holds from the erase check.
TEST_F(EngineTest, Jm20336ShortReadBackIsAReadFailure) {
  sim::DeviceSpec device = ParallelFlashDevice(kOldFirmware);
  device.shortReads.push_back(FaultOn("ReadParallelFlash", 2, 32768));
  Jm20336Bench bench(0, device);
  std::vector<std::uint8_t> image = Pattern(kFlashSize);
  std::fill(image.begin() + 32768, image.end(), 0xFF);
  bench.rig.images.Set("FW339", image);

  EXPECT_FALSE(bench.Run());
  EXPECT_EQ(bench.host.Status(), "Read Fail!!");
}

TEST_F(EngineTest, WaitProgramReadyGivesUpAfter50000BusyReads) {
  struct Case {
    std::uint32_t busyReads;
    bool stuck, ready;
    std::uint32_t reads;
  };
  for (const Case c :
       {Case{0, false, true, 1}, Case{3, false, true, 4}, Case{0, true, false, 50000}}) {
    sim::DeviceSpec device = ParallelFlashDevice({});
    device.parallelFlash->busyReads = c.busyReads;
    device.parallelFlash->stuckBusy = c.stuck;
    Rig rig(OneDevice(device));
    const std::string path = rig.sim.DevicePath(0);
    if (c.busyReads) {  // busy reads follow an erase
      kelm::device::PreEraseParallelFlash(rig.io, path, 0);
      kelm::device::EraseParallelFlash(rig.io, path);
    }
    EXPECT_EQ(chip::WaitProgramReady(rig.io, path), c.ready);
    EXPECT_EQ(rig.sim.RequestCount(0, "ReadBusyByte"), c.reads);
    EXPECT_EQ(rig.clock.ElapsedMs(), 0u);
  }
}

}  // namespace
}  // namespace kelm::test
