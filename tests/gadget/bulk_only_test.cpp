#include "programs/bridge-gadget/bulk_only.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelm::gadget {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A command block wrapper as usb-storage builds it.
Bytes Wrapper(std::uint32_t tag, std::uint32_t length, std::uint8_t flags, std::uint8_t lun,
              const Bytes& cdb) {
  Bytes bytes = {0x55, 0x53, 0x42, 0x43};
  for (std::uint32_t value : {tag, length}) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  bytes.push_back(flags);
  bytes.push_back(lun);
  bytes.push_back(static_cast<std::uint8_t>(cdb.size()));
  bytes.insert(bytes.end(), cdb.begin(), cdb.end());
  bytes.resize(kCbwSize, 0);
  return bytes;
}

TEST(BulkOnly, ReadsTheCommandOfAWrapper) {
  const Bytes cdb = {0xFF, 0x04, 0x10, 0x00, 0x40, 0x00, 0, 0, 0, 0, 0, 0};
  const auto cbw = ParseCbw(Wrapper(0x1234ABCD, 16384, 0x80, 1, cdb));
  ASSERT_TRUE(cbw);
  EXPECT_EQ(cbw->tag, 0x1234ABCDu);
  EXPECT_EQ(cbw->length, 16384u);
  EXPECT_TRUE(cbw->dataIn);
  EXPECT_EQ(cbw->lun, 1);
  EXPECT_EQ(cbw->cdbLength, 12);
  EXPECT_TRUE(std::equal(cdb.begin(), cdb.end(), cbw->cdb.begin()));
  EXPECT_EQ(cbw->cdb[12], 0);
}

TEST(BulkOnly, RefusesWrappersThatMeanNothing) {
  const Bytes cdb = {0x00, 0, 0, 0, 0, 0};
  Bytes shortWrapper = Wrapper(1, 0, 0, 0, cdb);
  shortWrapper.pop_back();
  Bytes badSignature = Wrapper(1, 0, 0, 0, cdb);
  badSignature[3] = 0x44;
  const std::vector<Bytes> wrappers = {
      shortWrapper,
      badSignature,
      Wrapper(1, 0, 0x40, 0, cdb),              // reserved direction bits
      Wrapper(1, 0, 0, 0x10, cdb),              // reserved LUN bits
      Wrapper(1, 0, 0, 0, {}),                  // no CDB
      Wrapper(1, 0, 0, 0, Bytes(17, 0)),       // a CDB longer than 16 bytes
  };
  for (const Bytes& bytes : wrappers) EXPECT_FALSE(ParseCbw(bytes)) << bytes.size();
}

TEST(BulkOnly, StatusWrapperCarriesTagResidueAndStatus) {
  const auto csw = EncodeCsw({0x01020304, 0x4000, CswStatus::PhaseError});
  const Bytes expected = {0x55, 0x53, 0x42, 0x53, 0x04, 0x03, 0x02, 0x01,
                          0x00, 0x40, 0x00, 0x00, 0x02};
  EXPECT_EQ(Bytes(csw.begin(), csw.end()), expected);
}

TEST(BulkOnly, AShortDataInEndsWithAStallOnlyOnAPacketBoundary) {
  struct Case {
    std::uint32_t asked, sent;
    bool stall;
  };
  for (const Case c : {Case{36, 36, false}, Case{16384, 1024, true}, Case{40, 0, true},
                       Case{40, 36, false}, Case{0, 0, false}}) {
    EXPECT_EQ(StallAfterDataIn(c.asked, c.sent, 64), c.stall) << c.asked << " " << c.sent;
  }
}

}  // namespace
}  // namespace kelm::gadget
