#include "device/commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/device/fake_device.h"

namespace kelm::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rig {
  FakeDeviceFile file;
  NullPorts ports;
  platform::NativeFileStore files;
  platform::Services io{file, ports, ports, ports, ports, ports, ports, files};
};

struct CdbCase {
  const char* name;
  std::function<void(const platform::Services&)> send;
  Bytes cdb;             // all 12 bytes, written out by hand
  int dataIn;
  std::uint32_t length;  // DataTransferLength asked
  Bytes dataOut;         // for data-out commands
};

std::vector<CdbCase> Cases() {
  static std::array<std::uint8_t, 64> buf{};
  static std::array<std::uint8_t, 4> four{};
  static const Bytes image = {1, 2, 3, 4, 5, 6};
  const std::string p = "dev";
  return {
      {"ProbeBridge", [=](auto& io) { device::ProbeBridge(io, p, std::span(buf).first(2)); },
       {0xDF, 0x10, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0xFF}, 1, 2, {}},
      {"Inquiry", [=](auto& io) { device::Inquiry(io, p, std::span(buf).first(40)); },
       {0x12, 0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0}, 1, 40, {}},
      {"ReadChipInfo", [=](auto& io) { device::ReadChipInfo(io, p, std::span(buf).first(16)); },
       {0xE0, 0xF4, 0xE7, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 16, {}},
      {"ReadChipModel", [=](auto& io) { device::ReadChipModel(io, p, std::span(buf).first(40)); },
       {0xFF, 0x04, 0x30, 0x08, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 40, {}},
      {"EnterCommand", [=](auto& io) { device::EnterCommand(io, p); },
       {0xFF, 0x04, 0x4A, 0x4D, 0x55, 0, 0, 0, 0, 0, 0, 0}, 0, 0, {}},
      {"LeaveCommand", [=](auto& io) { device::LeaveCommand(io, p); },
       {0xFF, 0x04, 0x4A, 0x4D, 0xAA, 0, 0, 0, 0, 0, 0, 0}, 0, 0, {}},
      {"ReadBusyByte", [=](auto& io) { std::uint8_t v; device::ReadBusyByte(io, p, v); },
       {0xFF, 0x04, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 2, {}},
      {"EraseParallelFlash", [=](auto& io) { device::EraseParallelFlash(io, p); },
       {0xFF, 0x04, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, {}},
      {"ProgramParallelFlash type 0", [=](auto& io) { device::ProgramParallelFlash(io, p, 0, image); },
       {0xFF, 0x04, 0x02, 0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0xAA, 0x55, 0xA0}, 0, 6, image},
      {"ProgramParallelFlash type 1", [=](auto& io) { device::ProgramParallelFlash(io, p, 1, image); },
       {0xFF, 0x04, 0x02, 0x55, 0x05, 0xAA, 0x02, 0x55, 0x05, 0xAA, 0x55, 0xA0}, 0, 6, image},
      {"ProgramParallelFlash type 2", [=](auto& io) { device::ProgramParallelFlash(io, p, 2, image); },
       {0xFF, 0x04, 0x02, 0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0xAA, 0x55, 0xA0}, 0, 6, image},
      {"ProgramParallelFlash type 3", [=](auto& io) { device::ProgramParallelFlash(io, p, 3, image); },
       {0xFF, 0x04, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 6, image},
      {"ReadParallelFlash", [=](auto& io) { device::ReadParallelFlash(io, p, 0x12345678, std::span(buf).first(8)); },
       {0xFF, 0x04, 0x03, 0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0, 0}, 1, 8, {}},
      {"PreEraseParallelFlash type 0", [=](auto& io) { device::PreEraseParallelFlash(io, p, 0); },
       {0xFF, 0x04, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 18,
       {0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0xAA, 0x55, 0x80, 0xAA, 0x55, 0x10}},
      {"PreEraseParallelFlash type 1", [=](auto& io) { device::PreEraseParallelFlash(io, p, 1); },
       {0xFF, 0x04, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 18,
       {0x55, 0x05, 0xAA, 0x02, 0x55, 0x05, 0x55, 0x05, 0xAA, 0x02, 0x55, 0x05, 0xAA, 0x55, 0x80, 0xAA, 0x55, 0x10}},
      {"PreEraseParallelFlash type 7", [=](auto& io) { device::PreEraseParallelFlash(io, p, 7); },
       {0xFF, 0x04, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 18, Bytes(18, 0)},
      {"SwitchToInternalRom", [=](auto& io) { device::SwitchToInternalRom(io, p); },
       {0xFF, 0x04, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, {}},
      {"ReadFlash", [=](auto& io) { device::ReadFlash(io, p, 0xABCDEF, std::span(buf).first(16)); },
       {0xFF, 0x04, 0x10, 0xAB, 0xCD, 0xEF, 0, 0, 0, 0, 0, 0}, 1, 16, {}},
      {"WriteFlash", [=](auto& io) { device::WriteFlash(io, p, 0x018000, image); },
       {0xFF, 0x04, 0x11, 0x01, 0x80, 0x00, 0, 0, 0, 0, 0, 0}, 0, 6, image},
      {"ReadFlashStatus", [=](auto& io) { std::uint8_t s; device::ReadFlashStatus(io, p, s); },
       {0xFF, 0x04, 0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 2, {}},
      {"EraseWholeFlash", [=](auto& io) { device::EraseWholeFlash(io, p); },
       {0xFF, 0x04, 0x13, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, {}},
      {"EraseFlashSector", [=](auto& io) { device::EraseFlashSector(io, p, 0x00F000); },
       {0xFF, 0x04, 0x14, 0x00, 0xF0, 0x00, 0, 0, 0, 0, 0, 0}, 0, 0, {}},
      {"ReadFlashIdentity", [=](auto& io) { device::ReadFlashIdentity(io, p, four); },
       {0xFF, 0x04, 0x23, 0x04, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 4, {}},
  };
}

TEST(Commands, EveryCdbDirectionAndLength) {
  for (const CdbCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    Rig rig;
    c.send(rig.io);
    ASSERT_EQ(rig.file.seen.size(), 1u);
    const auto& r = rig.file.seen[0].request;
    EXPECT_EQ(r.CdbLength, 12);
    EXPECT_EQ(Bytes(r.Cdb.begin(), r.Cdb.begin() + 12), c.cdb);
    EXPECT_EQ(r.DataIn, c.dataIn);
    EXPECT_EQ(r.DataTransferLength, c.length);
    if (!c.dataIn) {
      EXPECT_EQ(rig.file.seen[0].dataOut, c.dataOut);
    }
  }
}

TEST(Commands, InquiryPutsOnlyTheLowByteOfTheLengthIntoTheCdb) {
  Rig rig;
  std::vector<std::uint8_t> buf(300);
  device::Inquiry(rig.io, "dev", buf);
  EXPECT_EQ(rig.file.seen.at(0).request.Cdb[4], 300 & 0xFF);
}

TEST(Commands, IdentifyFlashSendsTheReadIdThenReadsItsReply) {
  Rig rig;
  rig.file.respond = Reply({0x7F, 0x37, 0x20, 0x12});
  EXPECT_EQ(device::IdentifyFlash(rig.io, "dev"), 1);
  ASSERT_EQ(rig.file.seen.size(), 2u);
  const auto& first = rig.file.seen[0].request;
  EXPECT_EQ(Bytes(first.Cdb.begin(), first.Cdb.begin() + 6),
            (Bytes{0xFF, 0x04, 0x20, 0x01, 0x01, 0x9F}));
  EXPECT_EQ(first.DataIn, 1);
  EXPECT_EQ(first.DataTransferLength, 0u);
  EXPECT_EQ(rig.file.seen[1].request.Cdb[2], 0x21);
  EXPECT_EQ(rig.file.seen[1].request.DataTransferLength, 4u);
}

TEST(Commands, IdentifyFlashCodes) {
  struct Case { Bytes reply; bool ok; std::int32_t code; };
  const std::vector<Case> cases = {
      {{0x7F, 0x37, 0x20, 0x12}, true, 1},  {{0x7F, 0x37, 0x20, 0x11}, true, 3},
      {{0x7F, 0x37, 0x20, 0x20}, true, 4},  {{0x7F, 0x37, 0x20, 0x10}, true, 5},
      {{0x7F, 0x37, 0x20, 0x21}, true, -1}, {{0x7F, 0x37, 0x20, 0x22}, true, -1},
      {{0x7F, 0x37, 0x20, 0x13}, true, -1}, {{0x7F, 0x37, 0x21, 0x12}, true, -1},
      {{0xEF, 0x37, 0x20, 0x12}, true, -1}, {{0x7F, 0x37, 0x20, 0x12}, false, -1},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.file.respond = Reply(c.reply, c.ok);
    EXPECT_EQ(device::IdentifyFlash(rig.io, "dev"), c.code)
        << std::hex << int(c.reply[0]) << " " << int(c.reply[3]) << " ok=" << c.ok;
  }
}

TEST(Commands, IdentifyFlashStopsWhenTheFirstStepFails) {
  Rig rig;
  rig.file.respond = Reply({0x7F, 0x37, 0x20, 0x12}, false);
  EXPECT_EQ(device::IdentifyFlash(rig.io, "dev"), -1);
  EXPECT_EQ(rig.file.seen.size(), 1u);
}

TEST(Commands, WaitFlashReadyGivesUpAfter501ReadsAnd500Pauses) {
  Rig rig;
  rig.file.respond = Reply({0x01, 0x00});
  EXPECT_FALSE(device::WaitFlashReady(rig.io, "dev"));
  EXPECT_EQ(rig.file.seen.size(), 501u);
  EXPECT_EQ(rig.ports.sleeps, std::vector<std::uint32_t>(500, 10));
}

TEST(Commands, WaitFlashReadyCountsAFailedReadAsBusy) {
  Rig rig;
  int reads = 0;
  rig.file.respond = [&](platform::PassThroughRequest& r) {
    static_cast<std::uint8_t*>(r.DataBuffer)[0] = 0x00;
    return ++reads > 3;  // three failed reads, then ready
  };
  EXPECT_TRUE(device::WaitFlashReady(rig.io, "dev"));
  EXPECT_EQ(reads, 4);
  EXPECT_EQ(rig.ports.sleeps.size(), 3u);
}

TEST(Commands, WaitFlashReadyReadyAtOnceNeedsNoPause) {
  Rig rig;
  rig.file.respond = Reply({0xFE, 0x00});  // only bit 0 means busy
  EXPECT_TRUE(device::WaitFlashReady(rig.io, "dev"));
  EXPECT_TRUE(rig.ports.sleeps.empty());
}

TEST(Commands, BridgeBusyOnFailureOrOne) {
  struct Case { Bytes reply; bool ok; bool busy; };
  for (const Case& c : std::vector<Case>{{{1, 0}, true, true}, {{0, 0}, true, false},
                                         {{2, 0}, true, false}, {{0, 0}, false, true}}) {
    Rig rig;
    rig.file.respond = Reply(c.reply, c.ok);
    EXPECT_EQ(device::BridgeBusy(rig.io, "dev"), c.busy) << int(c.reply[0]) << c.ok;
    EXPECT_EQ(rig.file.seen.at(0).request.DataTransferLength, 2u);
  }
}

}  // namespace
}  // namespace kelm::test
