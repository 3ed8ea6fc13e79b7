#include "flash/jmb352_update.h"

#include <gtest/gtest.h>

#include "tests/flash/flash_rig.h"

namespace kelm::test {
namespace {

constexpr std::size_t kFlashSize = 65536;

// Old firmware: all zero except a recognisable parameter block, so every erase shows.
std::vector<std::uint8_t> OldFlash() {
  std::vector<std::uint8_t> bytes(kFlashSize, 0);
  const auto block = Pattern(4096, 9);
  std::copy(block.begin(), block.end(), bytes.begin());
  return bytes;
}

struct RevisionCase {
  int revision;
  const char* image;
  std::uint32_t erases, writes;
  std::size_t total;  // bytes written
};

class Jmb352Revision : public EngineTest, public ::testing::WithParamInterface<RevisionCase> {};

TEST_P(Jmb352Revision, KeepsParameterBlockAndWritesImageAfterIt) {
  const RevisionCase c = GetParam();
  Rig rig(OneDevice(Jmb352Device(c.revision, OldFlash())));
  RecordingHost host(rig);
  const auto image = rig.images.TakeImage(c.image);
  std::ostringstream trace;
  rig.sim.SetTrace(&trace);

  EXPECT_EQ(flash::UpdateJmb352(host, rig.sim.DevicePath(0)), 1u);

  EXPECT_EQ(TracedCdbs(trace, "ff0414").size(), c.erases);
  EXPECT_EQ(TracedCdbs(trace, "ff0411").size(), c.writes);
  // Expected flash: saved block, image from 4096, zero up to the written total, erased to
  // the end of the last 32 KiB block, untouched old firmware after that.
  std::vector<std::uint8_t> expected = OldFlash();
  std::copy(image.begin() + 4096, image.end(), expected.begin() + 4096);
  std::fill(expected.begin() + image.size(), expected.begin() + c.total, 0);
  std::fill(expected.begin() + c.total, expected.begin() + c.erases * 32768, 0xFF);
  EXPECT_EQ(rig.sim.SerialFlash(0), expected);
  EXPECT_TRUE(host.statusHistory.empty());
  // One message pass per erased block and per verified piece keeps the window responsive.
  EXPECT_EQ(host.messagePasses, static_cast<int>(c.erases + c.writes));
}

INSTANTIATE_TEST_SUITE_P(Images, Jmb352Revision,
                         ::testing::Values(RevisionCase{1, "FW352A", 1, 2, 32768},
                                           RevisionCase{2, "FW352B", 2, 3, 49152}));

TEST_F(EngineTest, Jmb352OfUnknownRevisionEndsSilently) {
  Rig rig(OneDevice(Jmb352Device(3, OldFlash())));
  RecordingHost host(rig);
  EXPECT_EQ(flash::UpdateJmb352(host, rig.sim.DevicePath(0)), 0u);
  EXPECT_TRUE(host.statusHistory.empty());
  EXPECT_TRUE(rig.recorder.boxes.empty());
  EXPECT_EQ(rig.sim.RequestCount(0, "EraseFlashSector"), 0u);
}

// A lost chip-name answer reads a revision 2 as revision 1; the wrong image must not be written.
TEST_F(EngineTest, Jmb352IdentificationsThatDisagreeEndSilently) {
  sim::DeviceSpec device = Jmb352Device(2, OldFlash());
  device.fail.push_back(FaultOn("ReadChipModel", 2));
  Rig rig(OneDevice(device));
  RecordingHost host(rig);
  EXPECT_EQ(flash::UpdateJmb352(host, rig.sim.DevicePath(0)), 0u);
  EXPECT_EQ(rig.sim.RequestCount(0, "EraseFlashSector"), 0u);
  EXPECT_TRUE(host.statusHistory.empty());
}

struct FaultCase {
  const char* name;
  const char* kind;  // "fail", "short" or "stuck"
  const char* command;
  std::uint32_t nth, bytes;
  std::string status;  // the last status text, empty for none
  std::uint32_t erases, writes;
};

class Jmb352Fault : public EngineTest, public ::testing::WithParamInterface<FaultCase> {};

// Read 1 saves the parameter block, reads 2 and 3 blank-check the first block (revision 1),
// read 4 verifies the first piece.
TEST_P(Jmb352Fault, FailsWithoutReportingSuccess) {
  const FaultCase c = GetParam();
  sim::DeviceSpec device = Jmb352Device(1, OldFlash());
  const std::string kind = c.kind;
  if (kind == "fail") device.fail.push_back(FaultOn(c.command, c.nth));
  if (kind == "short") device.shortReads.push_back(FaultOn(c.command, c.nth, c.bytes));
  if (kind == "stuck") device.serialFlash->stuck.push_back({0x5000, 0xFE});
  Rig rig(OneDevice(device));
  RecordingHost host(rig);

  EXPECT_EQ(flash::UpdateJmb352(host, rig.sim.DevicePath(0)), 0u);
  EXPECT_EQ(host.Status(), c.status);
  EXPECT_EQ(rig.sim.RequestCount(0, "EraseFlashSector"), c.erases);
  EXPECT_EQ(rig.sim.RequestCount(0, "WriteFlash"), c.writes);
  if (c.erases == 0) {
    EXPECT_EQ(rig.sim.SerialFlash(0), OldFlash());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, Jmb352Fault,
    ::testing::Values(
        FaultCase{"SaveFails", "fail", "ReadFlash", 1, 0, "Backup NVRAM command fail!", 0, 0},
        FaultCase{"SaveShort", "short", "ReadFlash", 1, 4095, "Backup NVRAM command fail!", 0, 0},
        FaultCase{"EraseFails", "fail", "EraseFlashSector", 1, 0, "", 1, 0},
        FaultCase{"BlankCheckFindsStuckByte", "stuck", "", 0, 0, "", 1, 0},
        // The second blank read reuses the buffer the first one filled with 0xFF.
        FaultCase{"SecondBlankReadShort", "short", "ReadFlash", 3, 8192, "", 1, 0},
        FaultCase{"WriteFails", "fail", "WriteFlash", 2, 0, "Write command fail!", 1, 2},
        FaultCase{"VerifyReadShort", "short", "ReadFlash", 4, 100, "Write command fail!", 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelm::test
