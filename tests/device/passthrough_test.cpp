#include "device/passthrough.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/device/fake_device.h"

namespace kelm::test {
namespace {

using device::PassThroughIn;
using device::PassThroughOut;

const std::uint8_t kReadCdb[12] = {0xFF, 0x04, 0x10, 0x00, 0x10, 0x00};
const std::uint8_t kEraseAllCdb[12] = {0xFF, 0x04, 0x13};

void ExpectFixedFields(const platform::PassThroughRequest& r) {
  EXPECT_EQ(r.Length, 44);
  EXPECT_EQ(r.PathId, 0);
  EXPECT_EQ(r.TargetId, 1);
  EXPECT_EQ(r.Lun, 0);
  EXPECT_EQ(r.CdbLength, 12);
  EXPECT_EQ(r.SenseInfoLength, 0);
  EXPECT_EQ(r.SenseInfoOffset, 48u);
  EXPECT_NE(r.DataBuffer, nullptr);
}

struct LengthCase {
  std::int32_t n;
  std::uint32_t asked;     // DataTransferLength handed to the device
  bool callerBuffer;       // the caller's own memory, not the bounce buffer
};

class TransferLengths : public ::testing::TestWithParam<LengthCase> {};

TEST_P(TransferLengths, DataInAsksTheDeviceAndHandsBackExactlyN) {
  const LengthCase c = GetParam();
  FakeDeviceFile file;
  // The device fills what it was asked for and, for long transfers, reports one byte less.
  const auto reported = [](std::uint32_t asked) { return asked > 4 ? asked - 1 : asked; };
  file.respond = [&](platform::PassThroughRequest& r) {
    auto* p = static_cast<std::uint8_t*>(r.DataBuffer);
    for (std::uint32_t i = 0; i < r.DataTransferLength; ++i) p[i] = static_cast<std::uint8_t>(0xA0 + i);
    r.DataTransferLength = reported(r.DataTransferLength);
    return true;
  };
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(c.n) + 8, 0x55);
  std::uint32_t transferred = 12345;
  ASSERT_TRUE(PassThroughIn(file, "dev", kReadCdb, 12, buffer.data(), c.n, transferred));

  ASSERT_EQ(file.seen.size(), 1u);
  const auto& r = file.seen[0].request;
  ExpectFixedFields(r);
  EXPECT_EQ(r.DataIn, 1);
  EXPECT_EQ(r.DataTransferLength, c.asked);
  EXPECT_EQ(r.TimeOutValue, 20u);
  EXPECT_EQ(r.DataBuffer == buffer.data(), c.callerBuffer);
  EXPECT_EQ(file.seen[0].share, platform::ShareMode::Shared);
  for (std::int32_t i = 0; i < c.n; ++i) ASSERT_EQ(buffer[i], static_cast<std::uint8_t>(0xA0 + i)) << i;
  EXPECT_EQ(buffer[c.n], 0x55) << "one byte past n was written";
  // transferred is what the call left in the request, not n.
  EXPECT_EQ(transferred, reported(c.asked));
}

TEST_P(TransferLengths, DataOutSendsTheCallersBytes) {
  const LengthCase c = GetParam();
  FakeDeviceFile file;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(c.n));
  for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<std::uint8_t>(i + 1);
  std::uint32_t transferred = 12345;
  ASSERT_TRUE(PassThroughOut(file, "dev", kReadCdb, 12, c.n ? buffer.data() : nullptr, c.n,
                             transferred));
  const auto& seen = file.seen.at(0);
  ExpectFixedFields(seen.request);
  EXPECT_EQ(seen.request.DataIn, 0);
  EXPECT_EQ(seen.request.DataTransferLength, c.asked);
  EXPECT_EQ(seen.request.TimeOutValue, 10u);
  EXPECT_EQ(seen.share, platform::ShareMode::Exclusive);
  // The device sees the caller's bytes; the bounce buffer pads with zeros.
  std::vector<std::uint8_t> expected(buffer);
  expected.resize(c.asked, 0);
  EXPECT_EQ(seen.dataOut, expected);
  EXPECT_EQ(transferred, c.asked);
}

INSTANTIATE_TEST_SUITE_P(N, TransferLengths,
                         ::testing::Values(LengthCase{0, 0, false}, LengthCase{1, 2, false},
                                           LengthCase{2, 2, false}, LengthCase{3, 3, false},
                                           LengthCase{4, 4, true}, LengthCase{65536, 65536, true}));

TEST(PassThrough, OnlyTheWholeFlashEraseGetsTheLongTimeOut) {
  FakeDeviceFile file;
  std::uint32_t t = 0;
  PassThroughOut(file, "dev", kEraseAllCdb, 12, nullptr, 0, t);
  PassThroughIn(file, "dev", kEraseAllCdb, 12, nullptr, 0, t);
  EXPECT_EQ(file.seen[0].request.TimeOutValue, 100u);
  EXPECT_EQ(file.seen[1].request.TimeOutValue, 20u);
}

TEST(PassThrough, OpenFailureLeavesTransferredUntouched) {
  FakeDeviceFile file;
  file.openFails = true;
  std::uint8_t byte = 0;
  std::uint32_t transferred = 777;
  EXPECT_FALSE(PassThroughIn(file, "dev", kReadCdb, 12, &byte, 1, transferred));
  EXPECT_FALSE(PassThroughOut(file, "dev", kReadCdb, 12, &byte, 1, transferred));
  EXPECT_EQ(transferred, 777u);
  EXPECT_TRUE(file.seen.empty());
}

TEST(PassThrough, SuccessWithLastErrorIsFailureAndStillReportsTransferred) {
  FakeDeviceFile file;
  file.lastErrorAfterCall = 31;
  file.respond = [](platform::PassThroughRequest& r) { r.DataTransferLength = 3; return true; };
  std::uint8_t data[8] = {};
  std::uint32_t transferred = 0;
  EXPECT_FALSE(PassThroughIn(file, "dev", kReadCdb, 12, data, 8, transferred));
  EXPECT_EQ(transferred, 3u);
}

// A bridge of another maker ends a vendor command it does not know with CHECK CONDITION while
// the call itself succeeds: that, like any status but GOOD, is a failed request.
TEST(PassThrough, AStatusOtherThanGoodFailsTheRequestThoughTheCallSucceeded) {
  for (const std::uint8_t status : {platform::kScsiStatusCheckCondition, std::uint8_t{0x08}}) {
    FakeDeviceFile file;
    file.respond = [status](platform::PassThroughRequest& r) {
      r.ScsiStatus = status;
      r.DataTransferLength = 0;
      return true;
    };
    std::uint8_t data[2] = {0x11, 0x22};
    std::uint32_t transferred = 99;
    EXPECT_FALSE(PassThroughIn(file, "dev", kReadCdb, 12, data, 2, transferred)) << int{status};
    EXPECT_EQ(transferred, 0u);
    EXPECT_FALSE(PassThroughOut(file, "dev", kReadCdb, 12, data, 2, transferred)) << int{status};
  }
}

TEST(PassThrough, FailedCallStillClosesAndReportsTransferred) {
  FakeDeviceFile file;
  file.respond = [](platform::PassThroughRequest& r) { r.DataTransferLength = 0; return false; };
  std::uint8_t data[8] = {};
  std::uint32_t transferred = 99;
  EXPECT_FALSE(PassThroughOut(file, "dev", kReadCdb, 12, data, 8, transferred));
  EXPECT_EQ(transferred, 0u);
  EXPECT_EQ(file.events, (std::vector<std::string>{"open", "control", "lasterror", "close"}));
}

TEST(PassThrough, CopiesOnlyCdbLengthBytesAndTheLowByteOfTheLength) {
  FakeDeviceFile file;
  const std::uint8_t cdb[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  std::uint32_t t = 0;
  PassThroughIn(file, "dev", cdb, 6, nullptr, 0, t);
  const auto& r = file.seen.at(0).request;
  EXPECT_EQ(r.CdbLength, 6);
  EXPECT_EQ(r.Cdb[5], 6);
  EXPECT_EQ(r.Cdb[6], 0);
  EXPECT_EQ(file.lastCode, platform::kIoctlScsiPassThroughDirect);
}

TEST(PassThrough, RefusesLengthsTheRequestCannotCarryWithoutOpening) {
  FakeDeviceFile file;
  std::uint8_t data[4] = {};
  std::uint32_t t = 5;
  EXPECT_FALSE(PassThroughIn(file, "dev", kReadCdb, 12, data, -1, t));
  EXPECT_FALSE(PassThroughIn(file, "dev", kReadCdb, 17, data, 4, t));
  EXPECT_FALSE(PassThroughIn(file, "dev", kReadCdb, 12, nullptr, 8, t));
  EXPECT_TRUE(file.events.empty());
  EXPECT_EQ(t, 5u);
}

}  // namespace
}  // namespace kelm::test
