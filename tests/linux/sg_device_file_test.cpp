// The transport's requests as the sg driver receives them, through the core's own
// PassThroughIn/PassThroughOut over the sg device file.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <vector>

#include "device/passthrough.h"
#include "fake_kernel.h"
#include "platform/linux/sg_device_file.h"
#include "platform/linux/sg_request.h"
#include "sysfs_tree.h"

namespace kelm {
namespace {

using linux_platform::SgDeviceFile;

// One USB disk, sg2, in a sysfs tree of its own.
struct SgBench {
  SgBench() { tree.Add({.sg = 2}); }
  test::SysfsTree tree;
  test::FakeKernel kernel;
  SgDeviceFile file{kernel, tree.roots()};
  std::string Path() const { return tree.DevicePath(2); }
};

struct MappingCase {
  bool dataIn;
  int n;
  std::uint8_t subOpcode;  // CDB byte 2
  int direction;
  unsigned dxferLen;
  unsigned timeoutMs;
  bool callerBuffer;  // the caller's memory goes to the driver (else the bounce buffer)
};

class SgMapping : public ::testing::TestWithParam<MappingCase> {};

TEST_P(SgMapping, RequestReachesTheDriverAsSgIoHeader) {
  const MappingCase& c = GetParam();
  SgBench bench;
  test::FakeKernel& kernel = bench.kernel;
  SgDeviceFile& file = bench.file;
  const std::string path = bench.Path();
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::max(c.n, 1)), 0x5A);
  const std::array<std::uint8_t, 12> cdb = {0xFF, 0x04, c.subOpcode, 0x01, 0x02, 0x03};
  std::uint32_t transferred = 0xDEAD;

  const bool ok = c.dataIn ? device::PassThroughIn(file, path, cdb.data(), 12, buffer.data(), c.n, transferred)
                           : device::PassThroughOut(file, path, cdb.data(), 12, buffer.data(), c.n, transferred);

  ASSERT_TRUE(ok);
  ASSERT_EQ(kernel.calls.size(), 1u);
  const sg_io_hdr& h = kernel.calls[0].header;
  EXPECT_EQ(h.interface_id, 'S');
  EXPECT_EQ(h.dxfer_direction, c.direction);
  EXPECT_EQ(h.dxfer_len, c.dxferLen);
  EXPECT_EQ(h.timeout, c.timeoutMs);
  EXPECT_EQ(h.cmd_len, 12);
  EXPECT_EQ(kernel.calls[0].cdb, std::vector<std::uint8_t>(cdb.begin(), cdb.end()));
  EXPECT_EQ(h.mx_sb_len, 0);
  EXPECT_EQ(h.sbp, nullptr);
  EXPECT_NE(h.dxferp, nullptr);
  EXPECT_EQ(h.dxferp == buffer.data(), c.callerBuffer);
  if (!c.dataIn && c.n > 0) {
    // The device receives the caller's bytes (a short write padded with zeros).
    for (int i = 0; i < c.n; ++i) EXPECT_EQ(kernel.calls[0].out[i], 0x5A) << i;
  }
  EXPECT_EQ(transferred, c.dxferLen);
  EXPECT_EQ(kernel.openCount(), 0) << "the handle is closed after the command";
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, SgMapping,
    ::testing::Values(
        MappingCase{true, 0, 0x20, SG_DXFER_NONE, 0, 20000, false},
        MappingCase{true, 1, 0x12, SG_DXFER_FROM_DEV, 2, 20000, false},
        MappingCase{true, 2, 0x10, SG_DXFER_FROM_DEV, 2, 20000, false},
        MappingCase{true, 3, 0x10, SG_DXFER_FROM_DEV, 3, 20000, false},
        MappingCase{true, 4, 0x21, SG_DXFER_FROM_DEV, 4, 20000, true},
        MappingCase{true, 65536, 0x10, SG_DXFER_FROM_DEV, 65536, 20000, true},
        // A data-in whole-flash-erase opcode keeps the data-in time-out.
        MappingCase{true, 4, 0x13, SG_DXFER_FROM_DEV, 4, 20000, true},
        MappingCase{false, 0, 0x14, SG_DXFER_NONE, 0, 10000, false},
        MappingCase{false, 1, 0x11, SG_DXFER_TO_DEV, 2, 10000, false},
        MappingCase{false, 3, 0x11, SG_DXFER_TO_DEV, 3, 10000, false},
        MappingCase{false, 4, 0x11, SG_DXFER_TO_DEV, 4, 10000, true},
        MappingCase{false, 65536, 0x11, SG_DXFER_TO_DEV, 65536, 10000, true},
        MappingCase{false, 0, 0x13, SG_DXFER_NONE, 0, 100000, false}),
    [](const auto& info) {
      const MappingCase& c = info.param;
      return std::string(c.dataIn ? "in_" : "out_") + std::to_string(c.n) + "_sub" +
             std::to_string(c.subOpcode);
    });

TEST(SgDeviceFile, OneByteReadGivesTheCallerOnlyTheFirstByte) {
  SgBench bench;
  test::FakeKernel& kernel = bench.kernel;
  SgDeviceFile& file = bench.file;
  const std::string path = bench.Path();
  kernel.answers.push_back({.data = {0xAB, 0xCD}});
  std::array<std::uint8_t, 2> buffer = {0x11, 0x22};
  const std::array<std::uint8_t, 12> cdb = {0xFF, 0x04, 0x12};
  std::uint32_t transferred = 0;

  ASSERT_TRUE(device::PassThroughIn(file, path, cdb.data(), 12, buffer.data(), 1, transferred));
  EXPECT_EQ(buffer[0], 0xAB);
  EXPECT_EQ(buffer[1], 0x22);
}

struct ResultCase {
  const char* name;
  unsigned dxferLen;
  int resid;
  unsigned short host, driver;
  std::uint32_t length;
  int error;
  unsigned char status = 0;       // as the driver reports it
  std::uint8_t scsiStatus = 0;    // as the request carries it on
};

class SgResult : public ::testing::TestWithParam<ResultCase> {};

TEST_P(SgResult, LengthAndTransportStatus) {
  const ResultCase& c = GetParam();
  sg_io_hdr header{};
  header.dxfer_len = c.dxferLen;
  header.resid = c.resid;
  header.host_status = c.host;
  header.driver_status = c.driver;
  header.status = c.status;
  platform::PassThroughRequest request;
  request.DataTransferLength = c.dxferLen;

  EXPECT_EQ(linux_platform::ApplySgResult(header, request), c.error);
  EXPECT_EQ(request.DataTransferLength, c.length);
  EXPECT_EQ(request.ScsiStatus, c.scsiStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SgResult,
    ::testing::Values(ResultCase{"complete", 40, 0, 0, 0, 40, 0},
                      ResultCase{"short", 40, 24, 0, 0, 16, 0},
                      ResultCase{"residue_beyond_length", 40, 64, 0, 0, 0, 0},
                      ResultCase{"negative_residue", 40, -8, 0, 0, 40, 0},
                      // CHECK CONDITION with sense: the transport is fine, the device said
                      // no; the status goes on to the transport, which fails the request.
                      ResultCase{"check_condition", 40, 40, 0, 0x08, 0, 0, 0x02, 0x02},
                      ResultCase{"sense_without_status", 40, 40, 0, 0x08, 0, 0, 0x00, 0x02},
                      ResultCase{"busy", 40, 40, 0, 0, 0, 0, 0x08, 0x08},
                      ResultCase{"host_error", 40, 0, 0x07, 0, 40, EIO},
                      ResultCase{"host_timeout", 40, 40, 0x03, 0, 0, EIO},
                      ResultCase{"driver_error", 40, 0, 0, 0x04, 40, EIO},
                      ResultCase{"driver_error_with_sense", 40, 0, 0, 0x0C, 40, EIO, 0, 0x02}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SgDeviceFile, FailuresReportFalseWithTheLastError) {
  const std::array<std::uint8_t, 12> cdb = {0xFF, 0x04, 0x10};
  struct Case {
    test::SgAnswer answer;
    std::uint32_t lastError;
    std::uint32_t transferred;
  };
  const std::array<Case, 4> cases = {{
      {{.result = -ENODEV}, ENODEV, 40},  // the device went away with the request
      {{.resid = 8, .hostStatus = 0x01}, EIO, 32},  // DID_NO_CONNECT: unplugged mid-command
      {{.driverStatus = 0x06}, EIO, 40},
      // A bridge of another maker refuses the vendor command: no error, CHECK CONDITION.
      {{.resid = 40, .status = 0x02, .driverStatus = 0x08}, 0, 0},
  }};
  for (const Case& c : cases) {
    SgBench bench;
    test::FakeKernel& kernel = bench.kernel;
    SgDeviceFile& file = bench.file;
    const std::string path = bench.Path();
    kernel.answers.push_back(c.answer);
    std::array<std::uint8_t, 40> buffer{};
    std::uint32_t transferred = 0;
    EXPECT_FALSE(device::PassThroughIn(file, path, cdb.data(), 12, buffer.data(), 40, transferred));
    EXPECT_EQ(file.LastError(), c.lastError);
    EXPECT_EQ(transferred, c.transferred) << "transferred is written once the call was made";
    EXPECT_EQ(kernel.openCount(), 0);
  }
}

TEST(SgDeviceFile, OpenFailureLeavesTransferredAlone) {
  SgBench bench;
  test::FakeKernel& kernel = bench.kernel;
  SgDeviceFile& file = bench.file;
  const std::string path = bench.Path();
  kernel.denied.insert(bench.tree.DevNode(2));
  const std::array<std::uint8_t, 12> cdb = {0xDF, 0x10};
  std::array<std::uint8_t, 2> buffer{};
  std::uint32_t transferred = 77;
  EXPECT_FALSE(device::PassThroughIn(file, path, cdb.data(), 12, buffer.data(), 2, transferred));
  EXPECT_EQ(transferred, 77u);
  EXPECT_EQ(file.LastError(), static_cast<std::uint32_t>(EACCES));
  EXPECT_TRUE(kernel.calls.empty());
}

TEST(SgDeviceFile, OpensReadWriteWithoutWaitingThenClearsNonBlocking) {
  SgBench bench;
  test::FakeKernel& kernel = bench.kernel;
  SgDeviceFile& file = bench.file;
  const std::string path = bench.Path();
  const platform::Handle shared = file.Open(path, platform::ShareMode::Shared);
  ASSERT_NE(shared, platform::kInvalidHandle);
  file.Close(shared);
  const platform::Handle exclusive = file.Open(path, platform::ShareMode::Exclusive);
  ASSERT_NE(exclusive, platform::kInvalidHandle);
  file.Close(exclusive);

  ASSERT_EQ(kernel.openFlags.size(), 2u);
  for (int flags : kernel.openFlags) {
    EXPECT_EQ(flags & O_ACCMODE, O_RDWR);
    EXPECT_TRUE(flags & O_NONBLOCK);
  }
  EXPECT_FALSE(kernel.openFlags[0] & O_EXCL);
  EXPECT_TRUE(kernel.openFlags[1] & O_EXCL);
  // Each descriptor is put back to blocking before any command goes out.
  ASSERT_EQ(kernel.statusFlags.size(), 2u);
  EXPECT_EQ(kernel.statusFlags[0], std::make_pair(static_cast<int>(shared), 0));
  EXPECT_EQ(kernel.statusFlags[1], std::make_pair(static_cast<int>(exclusive), 0));
}

TEST(SgDeviceFile, ExclusiveOpenFailsAtOnceWhileAnotherHandleIsOpen) {
  SgBench bench;
  test::FakeKernel& kernel = bench.kernel;
  SgDeviceFile other(kernel, bench.tree.roots());
  SgDeviceFile& file = bench.file;
  const std::string path = bench.Path();
  const platform::Handle held = other.Open(path, platform::ShareMode::Shared);
  ASSERT_NE(held, platform::kInvalidHandle);

  const std::array<std::uint8_t, 12> enter = {0xFF, 0x04, 0x4A, 0x4D, 0x55};
  std::uint32_t transferred = 5;
  EXPECT_FALSE(device::PassThroughOut(file, path, enter.data(), 12, nullptr, 0, transferred));
  EXPECT_EQ(file.LastError(), static_cast<std::uint32_t>(EBUSY));
  EXPECT_EQ(transferred, 5u);
  EXPECT_FALSE(kernel.wouldHaveBlocked);
  EXPECT_TRUE(kernel.calls.empty());

  other.Close(held);
  EXPECT_TRUE(device::PassThroughOut(file, path, enter.data(), 12, nullptr, 0, transferred));
}

TEST(SgDeviceFile, RefusesRequestsTheDriverCannotTake) {
  SgBench bench;
  test::FakeKernel& kernel = bench.kernel;
  SgDeviceFile& file = bench.file;
  const std::string path = bench.Path();
  const platform::Handle handle = file.Open(path, platform::ShareMode::Shared);
  std::array<std::uint8_t, 8> data{};
  struct Case {
    std::uint32_t code;
    std::uint8_t cdbLength;
    std::uint32_t length;
    void* buffer;
  };
  const std::array<Case, 4> cases = {{
      {0x12345678, 12, 8, data.data()},                          // another control code
      {platform::kIoctlScsiPassThroughDirect, 17, 8, data.data()},  // past the 16-byte Cdb
      {platform::kIoctlScsiPassThroughDirect, 0, 8, data.data()},
      {platform::kIoctlScsiPassThroughDirect, 12, 8, nullptr},   // data without a buffer
  }};
  for (const Case& c : cases) {
    platform::PassThroughRequest request;
    request.CdbLength = c.cdbLength;
    request.DataTransferLength = c.length;
    request.DataBuffer = c.buffer;
    EXPECT_FALSE(file.Control(handle, c.code, request));
    EXPECT_EQ(file.LastError(), static_cast<std::uint32_t>(EINVAL));
  }
  EXPECT_TRUE(kernel.calls.empty());
  file.Close(handle);
}

// A stop and continue, a debugger or the freezer interrupts the wait: the request went to the
// driver once, and only the wait for its answer is repeated.
TEST(SgDeviceFile, InterruptedWaitsNeverSubmitAgain) {
  SgBench bench;
  bench.kernel.interruptionsPerWait = 3;
  bench.kernel.answers.push_back({.data = {0x5A, 0xA5}});
  const std::array<std::uint8_t, 12> erase = {0xFF, 0x04, 0x13};
  std::array<std::uint8_t, 2> buffer{};
  std::uint32_t transferred = 0;

  ASSERT_TRUE(device::PassThroughIn(bench.file, bench.Path(), erase.data(), 12, buffer.data(), 2,
                                    transferred));
  EXPECT_EQ(bench.kernel.calls.size(), 1u);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 2>{0x5A, 0xA5}));
  EXPECT_EQ(bench.kernel.collects, 4) << "three interrupted reads, then the answer";
  EXPECT_GT(bench.kernel.waits, 3);
}

// The enclosure re-enumerates under another sg number while a second one takes its old
// number: the old path reaches neither.
TEST(SgDeviceFile, StalePathReachesNoOtherDevice) {
  SgBench bench;
  const std::string old = bench.Path();
  bench.tree.Remove(2);
  bench.tree.Add({.sg = 2, .host = 7});  // the second enclosure, on another port
  bench.tree.Add({.sg = 4, .host = 8});  // the first one again, as a new SCSI device

  const std::array<std::uint8_t, 12> write = {0xFF, 0x04, 0x11};
  std::array<std::uint8_t, 4> data{};
  std::uint32_t transferred = 0;
  EXPECT_FALSE(device::PassThroughOut(bench.file, old, write.data(), 12, data.data(), 4, transferred));
  EXPECT_EQ(bench.file.LastError(), static_cast<std::uint32_t>(ENODEV));
  EXPECT_TRUE(bench.kernel.openFlags.empty()) << "no node was even opened";
  EXPECT_TRUE(bench.kernel.calls.empty());
}

// The path is walked once for the commands of a run; once the enclosure is pulled, a second
// one that takes its number, its SCSI host number (the kernel hands freed ones out again) and
// so the very H:C:T:L, on another port, gets nothing; the first one plugged back into its own
// port is found again.
TEST(SgDeviceFile, KeptPathServesItsDeviceAloneAcrossTakeOvers) {
  SgBench bench;
  const std::string old = bench.Path();
  const std::array<std::uint8_t, 12> read = {0xFF, 0x04, 0x20};
  std::array<std::uint8_t, 2> data{};
  std::uint32_t transferred = 0;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(device::PassThroughIn(bench.file, old, read.data(), 12, data.data(), 2, transferred));
  }
  EXPECT_EQ(bench.file.resolutions(), 1);

  bench.tree.Remove(2);
  bench.tree.Add({.sg = 2, .usbController = "pci0000:00/0000:00:1d.0", .host = 2});
  ASSERT_NE(bench.tree.DevicePath(2), old);
  EXPECT_FALSE(device::PassThroughIn(bench.file, old, read.data(), 12, data.data(), 2, transferred));
  EXPECT_EQ(bench.file.LastError(), static_cast<std::uint32_t>(ENODEV));
  EXPECT_EQ(bench.kernel.calls.size(), 3u) << "nothing reached the enclosure that took over";

  bench.tree.Remove(2);
  bench.tree.Add({.sg = 2});
  ASSERT_EQ(bench.tree.DevicePath(2), old);
  EXPECT_TRUE(device::PassThroughIn(bench.file, old, read.data(), 12, data.data(), 2, transferred));
  EXPECT_EQ(bench.kernel.calls.size(), 4u);
  EXPECT_EQ(bench.kernel.openCount(), 0);
}

TEST(SgDeviceFile, NodeOfAnotherDeviceNumberIsRefused) {
  SgBench bench;
  bench.kernel.numbers[bench.tree.DevNode(2)] = {linux_platform::DeviceNumber::Kind::Character, 21, 5};
  EXPECT_EQ(bench.file.Open(bench.Path(), platform::ShareMode::Shared), platform::kInvalidHandle);
  EXPECT_EQ(bench.file.LastError(), static_cast<std::uint32_t>(ENODEV));
  EXPECT_EQ(bench.kernel.openFlags.size(), 1u);
  EXPECT_EQ(bench.kernel.openCount(), 0) << "the wrong node is closed again";
}

// The refresh lower-cases paths in ASCII; a controller named in capitals still resolves.
TEST(SgDeviceFile, LowerCasedPathStillOpensItsDevice) {
  test::SysfsTree tree;
  tree.Add({.sg = 3, .usbController = "platform/PNP0D10:00"});
  test::FakeKernel kernel;
  SgDeviceFile file(kernel, tree.roots());
  std::string path = tree.DevicePath(3);
  for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  ASSERT_NE(path, tree.DevicePath(3));

  const platform::Handle handle = file.Open(path, platform::ShareMode::Shared);
  ASSERT_NE(handle, platform::kInvalidHandle);
  file.Close(handle);
  EXPECT_EQ(file.Open(tree.DevNode(3), platform::ShareMode::Shared), platform::kInvalidHandle)
      << "an sg node is no device path";
}

}  // namespace
}  // namespace kelm
