#include <gtest/gtest.h>

#include <sstream>

#include "tests/sim/wire.h"

namespace kelm::sim {
namespace {

using testing::Bytes;
using testing::Cdb;
using testing::SerialCdb;

constexpr char kPath[] = "\\\\?\\usbstor#trace";

// The data phases carry "123456789" (CRC-32 cbf43926) or its first four bytes (9be3e0a3).
TEST(Trace, OneLinePerRequestInTheFixedFormat) {
  SimPlatform sim(testing::FromJson(R"({"devices": [{"class": "disk",
      "path": "\\\\?\\USBSTOR#Trace",
      "answers": {"Inquiry": "31 32 33 34 35 36 37 38 39"},
      "last_error": [{"command": "Inquiry", "nth": 2}],
      "short": [{"command": "ReadFlash", "bytes": 4}],
      "serial_flash": {"size": 4096}}]})"));
  std::ostringstream trace;
  sim.SetTrace(&trace);
  testing::Wire wire(sim, kPath);
  const Bytes digits = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};

  wire.In(Cdb({0x12, 0x00, 0x00, 0x00, 0x28}), 40);
  wire.Out(SerialCdb(0x11, 0x000100), digits);
  EXPECT_EQ(sim.Open("\\\\?\\nope", platform::ShareMode::Exclusive), platform::kInvalidHandle);
  EXPECT_EQ(sim.Open("\\\\?\\nope", platform::ShareMode::Shared), platform::kInvalidHandle);

  const platform::Handle handle = sim.Open(kPath, platform::ShareMode::Shared);
  std::uint8_t status[2] = {};
  auto request = testing::Request(SerialCdb(0x12, 0), true, status, 2, 20);
  request.TargetId = 0;
  EXPECT_FALSE(sim.Control(handle, platform::kIoctlScsiPassThroughDirect, request));
  sim.Close(handle);

  wire.Out(Cdb({0xAB}));
  wire.In(SerialCdb(0x10, 0x000100), 9);
  wire.In(Cdb({0x12, 0x00, 0x00, 0x00, 0x28}), 40);

  const std::string path = kPath;
  EXPECT_EQ(trace.str(),
            "in\t120000002800000000000000\t40\t20\tok\t9\tcbf43926\t" + path + "\n" +
                "out\tff0411000100000000000000\t9\t10\tok\t9\tcbf43926\t" + path + "\n" +
                "open-fail\tout\t\\\\?\\nope\n"
                "open-fail\tin\t\\\\?\\nope\n"
                "in\tff0412000000000000000000\t2\t20\tbad-request\t0\t-\t" + path + "\n" +
                "out\tab0000000000000000000000\t0\t10\tfail\t0\t-\t" + path + "\n" +
                "in\tff0410000100000000000000\t9\t20\tok\t4\t9be3e0a3\t" + path + "\n" +
                "in\t120000002800000000000000\t40\t20\tfail\t9\tcbf43926\t" + path + "\n");

  const std::string before = trace.str();
  sim.SetTrace(nullptr);
  wire.In(Cdb({0x12, 0x00, 0x00, 0x00, 0x28}), 40);
  EXPECT_EQ(trace.str(), before);
}

TEST(Trace, OutRequestsShowTheBytesSentEvenWhenTheyFail) {
  SimPlatform sim(testing::FromJson(R"({"devices": [{"class": "disk", "path": "p",
      "fail": [{"command": "WriteFlash"}], "serial_flash": {}}]})"));
  std::ostringstream trace;
  sim.SetTrace(&trace);
  testing::Wire(sim, "p").Out(SerialCdb(0x11, 0), {'1', '2', '3', '4'});
  EXPECT_EQ(trace.str(), "out\tff0411000000000000000000\t4\t10\tfail\t0\t9be3e0a3\tp\n");
}

}  // namespace
}  // namespace kelm::sim
