#include <gtest/gtest.h>

#include <sstream>

#include "tests/sim/wire.h"

namespace kelm::sim {
namespace {

using testing::Bytes;
using testing::SerialCdb;

SimPlatform WithFaults(const std::string& faultsJson, const std::string& flash = "{}") {
  return SimPlatform(testing::FromJson(R"({"devices": [{"class": "disk", "path": "p", )" +
                                       faultsJson + R"(, "serial_flash": )" + flash + "}]}"));
}

TEST(Faults, FailHitsTheNthRequestOfItsCommandAndDoesNothing) {
  SimPlatform sim = WithFaults(R"("fail": [{"command": "WriteFlash", "nth": 2}])");
  testing::Wire wire(sim, "p");
  EXPECT_TRUE(wire.In(SerialCdb(0x10, 0), 4).ok());  // other commands do not count
  EXPECT_TRUE(wire.Out(SerialCdb(0x11, 0), {0xFE}).ok());
  const auto second = wire.Out(SerialCdb(0x11, 1), {0x00});
  EXPECT_FALSE(second.called);
  EXPECT_NE(second.lastError, 0u);
  EXPECT_EQ(second.transferred, 0u);
  EXPECT_EQ(sim.SerialFlash(0)[1], 0xFF);
  EXPECT_TRUE(wire.Out(SerialCdb(0x11, 2), {0x00}).ok());
  EXPECT_EQ(sim.RequestCount(0, "WriteFlash"), 3u);
  EXPECT_EQ(sim.RequestCount(0, "ReadFlash"), 1u);
}

TEST(Faults, WithoutNthEveryRequestFails) {
  SimPlatform sim = WithFaults(R"("fail": [{"command": "ReadFlash"}])");
  testing::Wire wire(sim, "p");
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(wire.In(SerialCdb(0x10, 0), 4).called);
}

TEST(Faults, CountsSurviveAReplugButFailedOpensDoNotCount) {
  SimPlatform sim = WithFaults(R"("fail": [{"command": "ReadFlash", "nth": 2}])");
  testing::Wire wire(sim, "p");
  EXPECT_TRUE(wire.In(SerialCdb(0x10, 0), 4).ok());
  sim.Unplug();
  EXPECT_FALSE(wire.In(SerialCdb(0x10, 0), 4).opened);
  sim.Plug();
  EXPECT_FALSE(wire.In(SerialCdb(0x10, 0), 4).called);
  EXPECT_TRUE(wire.In(SerialCdb(0x10, 0), 4).ok());
}

TEST(Faults, AFailedStatusReadUsesUpNoBusyPoll) {
  SimPlatform sim = WithFaults(R"("fail": [{"command": "ReadFlashStatus", "nth": 1}])",
                               R"({"busy_polls": 1})");
  testing::Wire wire(sim, "p");
  wire.Out(SerialCdb(0x11, 0), {0x00});
  EXPECT_FALSE(wire.In(SerialCdb(0x12, 0), 2).called);
  EXPECT_EQ(wire.In(SerialCdb(0x12, 0), 2).data, (Bytes{0x01, 0x00}));
  EXPECT_EQ(wire.In(SerialCdb(0x12, 0), 2).data, (Bytes{0x00, 0x00}));
}

TEST(Faults, LastErrorCarriesTheRequestOutButReportsFailure) {
  SimPlatform sim = WithFaults(R"("last_error": [{"command": "ReadFlash", "nth": 1},
                                                 {"command": "WriteFlash", "nth": 1}])",
                               R"({"size": 8, "content": {"fill": "5a"}})");
  testing::Wire wire(sim, "p");
  const auto read = wire.In(SerialCdb(0x10, 0), 8);
  EXPECT_TRUE(read.called);
  EXPECT_NE(read.lastError, 0u);
  EXPECT_FALSE(read.ok());
  EXPECT_EQ(read.transferred, 8u);
  EXPECT_EQ(read.data, Bytes(8, 0x5A));

  const auto write = wire.Out(SerialCdb(0x11, 0), {0x00, 0x00});
  EXPECT_TRUE(write.called);
  EXPECT_NE(write.lastError, 0u);
  EXPECT_EQ(write.transferred, 2u);
  EXPECT_EQ(sim.SerialFlash(0)[1], 0x00);

  EXPECT_TRUE(wire.In(SerialCdb(0x10, 0), 8).ok());
  EXPECT_EQ(sim.LastError(), 0u);
}

// As a disk on another maker's bridge answers a vendor command: the call succeeds with
// last-error 0, the status is CHECK CONDITION, nothing moves and nothing is done.
TEST(Faults, CheckConditionRefusesTheRequestWithoutFailingTheCall) {
  SimPlatform sim = WithFaults(R"("check_condition": [{"command": "WriteFlash", "nth": 1},
                                                      {"command": "ProbeBridge"}])",
                               R"({"size": 8, "content": {"fill": "5a"}})");
  std::ostringstream trace;
  sim.SetTrace(&trace);
  testing::Wire wire(sim, "p");
  const auto write = wire.Out(SerialCdb(0x11, 0), {0x00, 0x00});
  EXPECT_TRUE(write.called);
  EXPECT_EQ(write.lastError, 0u);
  EXPECT_EQ(write.scsiStatus, platform::kScsiStatusCheckCondition);
  EXPECT_EQ(write.transferred, 0u);
  EXPECT_EQ(sim.SerialFlash(0), Bytes(8, 0x5A));
  EXPECT_TRUE(wire.Out(SerialCdb(0x11, 0), {0x00}).ok());

  const auto probe = wire.In(testing::Cdb({0xDF, 0x10, 0x00, 0x00, 0x02}), 2);
  EXPECT_EQ(probe.scsiStatus, platform::kScsiStatusCheckCondition);
  EXPECT_EQ(probe.transferred, 0u);
  EXPECT_EQ(trace.str(), "out\tff0411000000000000000000\t2\t10\tcheck\t0\t41d912ff\tp\n"
                         "out\tff0411000000000000000000\t1\t10\tok\t1\td202ef8d\tp\n"
                         "in\tdf1000000200000000000000\t2\t20\tcheck\t0\t-\tp\n");
}

TEST(Faults, ShortLimitsDataInAndOnlyTheCountOfDataOut) {
  SimPlatform sim = WithFaults(R"("short": [{"command": "ReadFlash", "nth": 1, "bytes": 3},
                                            {"command": "ReadFlash", "nth": 2, "bytes": 100},
                                            {"command": "WriteFlash", "bytes": 1}])",
                               R"({"size": 8, "content": {"fill": "5a"}})");
  testing::Wire wire(sim, "p");
  const auto cut = wire.In(SerialCdb(0x10, 0), 8);
  EXPECT_TRUE(cut.ok());
  EXPECT_EQ(cut.transferred, 3u);
  EXPECT_EQ(cut.data, Bytes(3, 0x5A));
  const auto whole = wire.In(SerialCdb(0x10, 0), 8);
  EXPECT_EQ(whole.transferred, 8u);

  const auto write = wire.Out(SerialCdb(0x11, 0), {0x00, 0x00, 0x00, 0x00});
  EXPECT_TRUE(write.ok());
  EXPECT_EQ(write.transferred, 1u);
  EXPECT_EQ(sim.SerialFlash(0), (Bytes{0, 0, 0, 0, 0x5A, 0x5A, 0x5A, 0x5A}));
}

TEST(Faults, ShortDataInLeavesTheRestOfTheBufferAlone) {
  SimPlatform sim = WithFaults(R"("short": [{"command": "ReadFlash", "bytes": 2}])",
                               R"({"size": 8, "content": {"fill": "00"}})");
  const platform::Handle handle = sim.Open("p", platform::ShareMode::Shared);
  Bytes buffer(8, 0xEE);
  auto request = testing::Request(SerialCdb(0x10, 0), true, buffer.data(), 8, 20);
  EXPECT_TRUE(sim.Control(handle, platform::kIoctlScsiPassThroughDirect, request));
  sim.Close(handle);
  EXPECT_EQ(buffer, (Bytes{0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
}

}  // namespace
}  // namespace kelm::sim
