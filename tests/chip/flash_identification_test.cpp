#include "flash/flash_identification.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/chip/bridge_answers.h"
#include "tests/support/rig.h"

namespace kelm::test {
namespace {

struct FlashCase {
  const char* name;
  sim::DeviceSpec device;
  std::int32_t code;
  std::string maker;
  std::vector<std::string> requests;
  std::uint64_t size;  // from the reply's capacity byte; 0 where it tells none
};
void PrintTo(const FlashCase& c, std::ostream* os) { *os << c.name; }

class SerialFlashIdentification : public ::testing::TestWithParam<FlashCase> {};

TEST_P(SerialFlashIdentification, GivesCodeAndMaker) {
  const FlashCase& c = GetParam();
  Rig rig(OneDevice(c.device));
  std::ostringstream trace;
  rig.sim.SetTrace(&trace);
  const flash::SerialFlashIdentity identity =
      flash::IdentifySerialFlash(rig.io, rig.sim.DevicePath(0));
  EXPECT_EQ(identity.flashCode, c.code);
  EXPECT_EQ(identity.makerText, c.maker);
  EXPECT_EQ(identity.sizeBytes, c.size);
  EXPECT_EQ(Requests(trace.str()), c.requests);
}

sim::DeviceSpec Flash(ByteVector reply, ByteVector maker) {
  std::map<std::string, ByteVector> answers;
  if (!reply.empty()) answers["IdentifyFlashStep2"] = std::move(reply);
  if (!maker.empty()) answers["ReadFlashIdentity"] = std::move(maker);
  return Bridge(std::move(answers));
}

const std::vector<std::string> kAmicProbe = {kIdentifyFlashStep1, kIdentifyFlashStep2};
const std::vector<std::string> kProbeThenMaker = {kIdentifyFlashStep1, kIdentifyFlashStep2,
                                                  kFlashIdentity};

INSTANTIATE_TEST_SUITE_P(
    Replies, SerialFlashIdentification,
    ::testing::Values(
        FlashCase{"Amic11", Flash({0x7F, 0x37, 0x20, 0x11}, {6, 0, 0, 0}), 3, "AMIC", kAmicProbe, 131072},
        FlashCase{"Amic12", Flash({0x7F, 0x37, 0x20, 0x12}, {}), 1, "AMIC", kAmicProbe, 262144},
        FlashCase{"Amic10", Flash({0x7F, 0x37, 0x20, 0x10}, {}), 5, "AMIC", kAmicProbe, 65536},
        // 0x20 names a part, not a capacity.
        FlashCase{"Amic20", Flash({0x7F, 0x37, 0x20, 0x20}, {}), 4, "AMIC", kAmicProbe, 0},
        FlashCase{"AmicUnknownPartReadsMaker", Flash({0x7F, 0x37, 0x20, 0x13}, {6, 1, 2, 3}), -1,
                  "WINBOND", kProbeThenMaker, 524288},
        FlashCase{"OtherMakerReply", Flash({0xEF, 0x40, 0x13, 0x00}, {2, 0, 0, 0}), -1, "SST",
                  kProbeThenMaker, 524288},
        FlashCase{"FailedProbeReadsMaker", Flash({}, {4, 0, 0, 0}), -1, "ATMEL",
                  kProbeThenMaker, 0},
        FlashCase{"MakerCodeZero", Flash({}, {0, 0, 0, 0}), -1, "Unknown", kProbeThenMaker, 0},
        FlashCase{"MakerCodeSeven", Flash({}, {7, 0, 0, 0}), -1, "AMIC", kProbeThenMaker, 0},
        FlashCase{"MakerCodeBeyondTable", Flash({}, {8, 0, 0, 0}), -1, "Unknown",
                  kProbeThenMaker, 0},
        FlashCase{"MakerCodeFF", Flash({}, {0xFF, 0, 0, 0}), -1, "Unknown", kProbeThenMaker, 0},
        FlashCase{"FailedMakerReadLeavesFieldEmpty", Flash({0x7F, 0x37, 0x20, 0x13}, {}), -1, "",
                  kProbeThenMaker, 524288}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelm::test
