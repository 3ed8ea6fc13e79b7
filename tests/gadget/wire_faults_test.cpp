#include "programs/bridge-gadget/wire_faults.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/sim/sim_device.h"

namespace kelm::gadget {
namespace {

std::array<std::uint8_t, 16> Cdb(std::initializer_list<std::uint8_t> leading) {
  std::array<std::uint8_t, 16> cdb{};
  std::copy(leading.begin(), leading.end(), cdb.begin());
  return cdb;
}

// One enclosure's faults as a scenario states them, and what each request then looks like
// on the wire: the request the host must see fail gets a phase error, a cut data phase a
// residue.
TEST(WireFaults, ScenarioFaultsBecomeWhatTheHostSeesOnTheWire) {
  sim::DeviceSpec bridge;
  bridge.answers["ReadChipInfo"] = std::vector<std::uint8_t>(16, 0xE7);
  bridge.fail = {{"WriteFlash", 1, 0}};
  bridge.lastError = {{"ReadChipInfo", 2, 0}};
  bridge.shortReads = {{"ReadFlash", 1, 1024}, {"WriteFlash", 2, 100}};
  bridge.checkCondition = {{"WriteFlash", 3, 0}, {"ReadFlash", 3, 0}};
  bridge.serialFlash = sim::SerialFlashSpec{};
  sim::SimDevice device(bridge, "bridge");

  struct Step {
    const char* what;
    std::array<std::uint8_t, 16> cdb;
    bool dataIn;
    std::uint32_t asked;
    WireReply expected;
  };
  const auto readFlash = Cdb({0xFF, 0x04, 0x10, 0x00, 0x00, 0x00});
  const auto writeFlash = Cdb({0xFF, 0x04, 0x11, 0x00, 0x00, 0x00});
  const auto chipInfo = Cdb({0xE0, 0xF4, 0xE7});
  const std::vector<Step> steps = {
      {"short read", readFlash, true, 16384, {1024, 15360, CswStatus::Passed}},
      {"whole read", readFlash, true, 16384, {16384, 0, CswStatus::Passed}},
      {"failed write", writeFlash, false, 256, {0, 256, CswStatus::PhaseError}},
      {"short write", writeFlash, false, 256, {0, 156, CswStatus::Passed}},
      {"answer cut to the request", chipInfo, true, 40, {16, 24, CswStatus::Passed}},
      {"last error", chipInfo, true, 16, {16, 0, CswStatus::PhaseError}},
      {"unknown command", Cdb({0xFF, 0x04, 0x7E}), true, 4, {0, 4, CswStatus::PhaseError}},
      // Refused as a bridge of another maker refuses a command: "command failed", no data.
      {"refused read", readFlash, true, 512, {0, 512, CswStatus::Failed}},
      {"refused write", writeFlash, false, 256, {0, 256, CswStatus::Failed}},
  };
  for (const Step& step : steps) {
    std::vector<std::uint8_t> data(step.asked, 0x00);
    // A CDB the bridge does not know never reaches the device: it fails as such.
    const auto op = sim::DecodeCdb(step.cdb);
    const sim::Response response =
        op ? device.Handle(*op, step.cdb, step.dataIn, data) : sim::Response{};
    const WireReply reply = MapResponse(response, step.dataIn, step.asked);
    EXPECT_EQ(reply.dataBytes, step.expected.dataBytes) << step.what;
    EXPECT_EQ(reply.residue, step.expected.residue) << step.what;
    EXPECT_EQ(reply.status, step.expected.status) << step.what;
  }
  // The short write was carried out in full all the same.
  EXPECT_EQ(device.serial()->bytes()[0], 0x00);
}

TEST(WireFaults, OnlyTheHostProgramsTwelveByteCommandsGoToTheBridge) {
  EXPECT_TRUE(IsBridgeCommand(12, 0x12));   // the program's INQUIRY
  EXPECT_FALSE(IsBridgeCommand(6, 0x12));   // the kernel's
  EXPECT_FALSE(IsBridgeCommand(12, 0xA1));  // udev's ATA PASS-THROUGH(12)
  EXPECT_TRUE(IsBridgeCommand(12, 0xFF));
  EXPECT_FALSE(IsBridgeCommand(10, 0x28));
}

TEST(WireFaults, WireOnlyFaultsNameAKnownCommandAndItsCount) {
  const auto stall = ParseWireFault(WireFault::Kind::Stall, "WriteFlash:3");
  ASSERT_TRUE(stall);
  EXPECT_EQ(stall->command, "WriteFlash");
  EXPECT_EQ(stall->nth, 3u);
  EXPECT_EQ(ParseWireFault(WireFault::Kind::Pull, "EraseFlashSector")->nth, 1u);
  for (const char* bad : {"Format:1", "WriteFlash:0", "WriteFlash:x", "WriteFlash:", ""}) {
    EXPECT_FALSE(ParseWireFault(WireFault::Kind::Stall, bad)) << bad;
  }
}

}  // namespace
}  // namespace kelm::gadget
