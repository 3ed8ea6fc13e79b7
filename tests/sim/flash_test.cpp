#include <gtest/gtest.h>

#include "platform/sim/sim_commands.h"
#include "tests/sim/wire.h"

namespace kelm::sim {
namespace {

using testing::Bytes;
using testing::Cdb;
using testing::SerialCdb;

constexpr std::uint8_t kRead = 0x10, kWrite = 0x11, kStatus = 0x12, kEraseAll = 0x13,
                       kEraseSector = 0x14;

SimPlatform Serial(const std::string& flashJson) {
  return SimPlatform(testing::FromJson(
      R"({"devices": [{"class": "disk", "path": "p", "serial_flash": )" + flashJson + "}]}"));
}

TEST(SerialFlash, ReadsWhatIsStoredAndProgrammingOnlyClearsBits) {
  SimPlatform sim = Serial(R"({"size": 8, "content": {"fill": "3c"}})");
  testing::Wire wire(sim, "p");
  EXPECT_TRUE(wire.Out(SerialCdb(kWrite, 2), {0xF0, 0xFF, 0x00}).ok());
  EXPECT_TRUE(wire.Out(SerialCdb(kWrite, 3), {0xC3}).ok());
  const auto read = wire.In(SerialCdb(kRead, 1), 4);
  EXPECT_TRUE(read.ok());
  EXPECT_EQ(read.transferred, 4u);
  EXPECT_EQ(read.data, (Bytes{0x3C, 0x30, 0x00, 0x00}));
}

TEST(SerialFlash, AnAccessPastTheEndFailsAndChangesNothing) {
  SimPlatform sim = Serial(R"({"size": 16, "content": {"fill": "aa"}})");
  testing::Wire wire(sim, "p");
  EXPECT_FALSE(wire.In(SerialCdb(kRead, 14), 4).called);
  EXPECT_FALSE(wire.Out(SerialCdb(kWrite, 14), {0, 0, 0, 0}).called);
  EXPECT_FALSE(wire.Out(SerialCdb(kEraseSector, 16)).called);
  EXPECT_EQ(sim.SerialFlash(0), Bytes(16, 0xAA));
  EXPECT_TRUE(wire.In(SerialCdb(kRead, 12), 4).ok());
}

struct UnitCase {
  const char* eraseUnit;
  std::uint32_t address;
  std::uint32_t begin, end;  // the bytes that come back erased
};

class EraseUnit : public ::testing::TestWithParam<UnitCase> {};

TEST_P(EraseUnit, ErasesTheUnitHoldingTheAddress) {
  const UnitCase& c = GetParam();
  SimPlatform sim = Serial(std::string(R"({"size": 16, "content": {"fill": "00"}, "erase_unit": )") +
                           c.eraseUnit + "}");
  ASSERT_TRUE(testing::Wire(sim, "p").Out(SerialCdb(kEraseSector, c.address)).ok());
  Bytes expected(16, 0x00);
  std::fill(expected.begin() + c.begin, expected.begin() + c.end, 0xFF);
  EXPECT_EQ(sim.SerialFlash(0), expected);
}

INSTANTIATE_TEST_SUITE_P(Units, EraseUnit,
                         ::testing::Values(UnitCase{"4", 5, 4, 8}, UnitCase{"4", 0, 0, 4},
                                           UnitCase{"6", 13, 12, 16},  // a short last unit
                                           UnitCase{"[0, 2, 10]", 0, 0, 2},
                                           UnitCase{"[0, 2, 10]", 9, 2, 10},
                                           UnitCase{"[0, 2, 10]", 10, 10, 16},
                                           UnitCase{"[0, 2, 10]", 15, 10, 16}));

TEST(SerialFlash, StuckBytesReadTheirValueAfterAnyErase) {
  SimPlatform sim = Serial(R"({"size": 16, "erase_unit": 8, "content": {"fill": "00"},
                              "stuck": [{"address": 3, "value": 90}, {"address": 12, "value": 0}]})");
  testing::Wire wire(sim, "p");
  EXPECT_EQ(sim.SerialFlash(0), Bytes(16, 0x00));  // until an erase they hold their content
  ASSERT_TRUE(wire.Out(SerialCdb(kEraseSector, 1)).ok());
  Bytes expected(16, 0x00);
  std::fill(expected.begin(), expected.begin() + 8, 0xFF);
  expected[3] = 90;
  EXPECT_EQ(sim.SerialFlash(0), expected);

  ASSERT_TRUE(wire.Out(SerialCdb(kEraseAll, 0)).ok());
  expected.assign(16, 0xFF);
  expected[3] = 90;
  expected[12] = 0;
  EXPECT_EQ(sim.SerialFlash(0), expected);
}

TEST(SerialFlash, StatusReportsBusyForTheGivenPollsAfterEachWriteOrErase) {
  SimPlatform sim = Serial(R"({"size": 16, "busy_polls": 2})");
  testing::Wire wire(sim, "p");
  auto statuses = [&](int count) {
    Bytes seen;
    for (int i = 0; i < count; ++i) {
      const auto status = wire.In(SerialCdb(kStatus, 0), 2);
      EXPECT_EQ(status.transferred, 2u);
      EXPECT_EQ(status.data.at(1), 0x00);
      seen.push_back(status.data.at(0));
    }
    return seen;
  };
  EXPECT_EQ(statuses(1), (Bytes{0x00}));
  wire.Out(SerialCdb(kWrite, 0), {0x00});
  EXPECT_EQ(statuses(3), (Bytes{0x01, 0x01, 0x00}));
  wire.Out(SerialCdb(kEraseSector, 0));
  EXPECT_EQ(statuses(3), (Bytes{0x01, 0x01, 0x00}));
  wire.Out(SerialCdb(kEraseAll, 0));
  EXPECT_EQ(statuses(3), (Bytes{0x01, 0x01, 0x00}));

  SimPlatform stuck = Serial(R"({"stuck_busy": true})");
  testing::Wire stuckWire(stuck, "p");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(stuckWire.In(SerialCdb(kStatus, 0), 2).data.at(0), 0x01);
}

// --- parallel flash ---

const Bytes kReadBusy = Cdb({0xFF, 0x04, 0x00});
const Bytes kErase = Cdb({0xFF, 0x04, 0x01});
const Bytes kPreErase = Cdb({0xFF, 0x04, 0x04});

Bytes ProgramCdb(const std::array<std::uint8_t, 9>& sequence) {
  Bytes cdb = Cdb({0xFF, 0x04, 0x02});
  std::copy(sequence.begin(), sequence.end(), cdb.begin() + 3);
  return cdb;
}

Bytes EraseSequence(int type) {
  return Bytes(kChipEraseSequences[type].begin(), kChipEraseSequences[type].end());
}

SimPlatform Parallel(const std::string& flashJson) {
  return SimPlatform(testing::FromJson(
      R"({"devices": [{"class": "disk", "path": "p", "parallel_flash": )" + flashJson + "}]}"));
}

TEST(ParallelFlash, SequencesAreTheDocumentedBytes) {
  // Written out by hand so a slip in the shared table shows.
  EXPECT_EQ(EraseSequence(0), (Bytes{0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0x55, 0x55, 0xAA, 0x2A,
                                     0x55, 0x55, 0xAA, 0x55, 0x80, 0xAA, 0x55, 0x10}));
  EXPECT_EQ(EraseSequence(1), (Bytes{0x55, 0x05, 0xAA, 0x02, 0x55, 0x05, 0x55, 0x05, 0xAA, 0x02,
                                     0x55, 0x05, 0xAA, 0x55, 0x80, 0xAA, 0x55, 0x10}));
  EXPECT_EQ(EraseSequence(2), EraseSequence(0));
  EXPECT_EQ(ProgramCdb(kProgramSequences[1]),
            (Bytes{0xFF, 0x04, 0x02, 0x55, 0x05, 0xAA, 0x02, 0x55, 0x05, 0xAA, 0x55, 0xA0}));
  EXPECT_EQ(kProgramSequences[0], kProgramSequences[2]);
}

class ParallelType : public ::testing::TestWithParam<int> {};

TEST_P(ParallelType, OnlyItsOwnChipEraseSequenceArmsTheErase) {
  const int type = GetParam();
  const int foreign = type == 1 ? 0 : 1;
  SimPlatform sim = Parallel(R"({"type": )" + std::to_string(type) + R"(, "content": {"fill": "00"}})");
  testing::Wire wire(sim, "p");
  Bytes shortSequence = EraseSequence(type);
  shortSequence.pop_back();

  EXPECT_TRUE(wire.Out(kErase).ok());  // not armed: accepted, does nothing
  EXPECT_TRUE(wire.Out(kPreErase, EraseSequence(foreign)).ok());
  EXPECT_TRUE(wire.Out(kPreErase, shortSequence).ok());
  EXPECT_TRUE(wire.Out(kErase).ok());
  EXPECT_EQ(sim.ParallelFlash(0), Bytes(65536, 0x00));

  EXPECT_TRUE(wire.Out(kPreErase, EraseSequence(type)).ok());
  EXPECT_TRUE(wire.Out(kPreErase, EraseSequence(foreign)).ok());  // does not disarm
  EXPECT_TRUE(wire.Out(kErase).ok());
  EXPECT_EQ(sim.ParallelFlash(0), Bytes(65536, 0xFF));

  // The erase disarmed: after programming, a second erase leaves the data.
  EXPECT_TRUE(wire.Out(ProgramCdb(kProgramSequences[type]), {0x12}).ok());
  EXPECT_TRUE(wire.Out(kErase).ok());
  EXPECT_EQ(sim.ParallelFlash(0)[0], 0x12);
}

TEST_P(ParallelType, ProgramsFromZeroOnlyWithItsOwnSequence) {
  const int type = GetParam();
  const int foreign = type == 1 ? 0 : 1;
  SimPlatform sim = Parallel(R"({"type": )" + std::to_string(type) + R"(, "content": {"fill": "f0"}})");
  testing::Wire wire(sim, "p");
  const auto foreignProgram = wire.Out(ProgramCdb(kProgramSequences[foreign]), {0x00, 0x00});
  EXPECT_TRUE(foreignProgram.ok());
  EXPECT_EQ(foreignProgram.transferred, 2u);
  EXPECT_EQ(sim.ParallelFlash(0), Bytes(65536, 0xF0));

  EXPECT_TRUE(wire.Out(ProgramCdb(kProgramSequences[type]), {0x3C, 0xFF, 0x0F}).ok());
  Bytes expected(65536, 0xF0);
  expected[0] = 0x30;
  expected[2] = 0x00;
  EXPECT_EQ(sim.ParallelFlash(0), expected);
}

INSTANTIATE_TEST_SUITE_P(Types, ParallelType, ::testing::Values(0, 1, 2));

TEST(ParallelFlash, BusyByteAfterEraseAndProgramOnly) {
  SimPlatform sim = Parallel(R"({"busy_reads": 2})");
  testing::Wire wire(sim, "p");
  auto busy = [&](int count) {
    Bytes seen;
    for (int i = 0; i < count; ++i) {
      const auto answer = wire.In(kReadBusy, 2);
      EXPECT_EQ(answer.transferred, 2u);
      EXPECT_EQ(answer.data.at(1), 0x00);
      seen.push_back(answer.data.at(0));
    }
    return seen;
  };
  EXPECT_EQ(busy(1), (Bytes{0}));
  wire.Out(kErase);  // not armed
  wire.Out(ProgramCdb(kProgramSequences[1]), {0x00});  // foreign sequence
  EXPECT_EQ(busy(1), (Bytes{0}));
  wire.Out(kPreErase, EraseSequence(0));
  wire.Out(kErase);
  EXPECT_EQ(busy(3), (Bytes{1, 1, 0}));
  wire.Out(ProgramCdb(kProgramSequences[0]), {0x00});
  EXPECT_EQ(busy(3), (Bytes{1, 1, 0}));

  SimPlatform stuck = Parallel(R"({"stuck_busy": true})");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(testing::Wire(stuck, "p").In(kReadBusy, 2).data.at(0), 1);
}

TEST(ParallelFlash, StuckBytesReadTheirValueAfterAnErase) {
  SimPlatform sim = Parallel(R"({"content": {"fill": "00"}, "stuck": [{"address": 40000, "value": 7}]})");
  testing::Wire wire(sim, "p");
  wire.Out(kPreErase, EraseSequence(0));
  wire.Out(kErase);
  Bytes expected(65536, 0xFF);
  expected[40000] = 7;
  EXPECT_EQ(sim.ParallelFlash(0), expected);
}

TEST(ParallelFlash, ReadsAtALittleEndianAddressWithinTheChip) {
  SimPlatform sim = Parallel(R"({"content": {"fill": "00"}})");
  Bytes content(65536, 0);
  content[0x1234] = 0xAB;
  content[0x1235] = 0xCD;
  content[0xFFFF] = 0xEF;
  sim.SetParallelFlash(0, content);
  testing::Wire wire(sim, "p");
  EXPECT_EQ(wire.In(testing::ParallelReadCdb(0x1234), 2).data, (Bytes{0xAB, 0xCD}));
  EXPECT_EQ(wire.In(testing::ParallelReadCdb(0xFFFF), 1).data, (Bytes{0xEF}));
  EXPECT_EQ(wire.In(testing::ParallelReadCdb(0), 65536).data, content);
  EXPECT_FALSE(wire.In(testing::ParallelReadCdb(0xFFFF), 2).called);
  EXPECT_FALSE(wire.In(testing::ParallelReadCdb(0x01000000), 1).called);
  EXPECT_FALSE(wire.Out(ProgramCdb(kProgramSequences[0]), Bytes(65537, 0)).called);
  EXPECT_EQ(sim.ParallelFlash(0), content);
}

}  // namespace
}  // namespace kelm::sim
