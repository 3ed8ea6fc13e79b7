// The transport over the Windows device file: the record the device is handed, byte for byte
// at the platform's own field offsets (the 32-bit build's 44-byte record among them).

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "device/passthrough.h"
#include "platform/windows/pass_through_record.h"
#include "platform/windows/windows_device_file.h"
#include "tests/windows/fake_windows.h"

namespace kelm::test {
namespace {

template <typename T>
T At(const std::vector<std::uint8_t>& record, std::size_t offset) {
  T value{};
  std::memcpy(&value, record.data() + offset, sizeof value);
  return value;
}
#define FIELD(record, name) At<decltype(SCSI_PASS_THROUGH_DIRECT::name)>(record, offsetof(SCSI_PASS_THROUGH_DIRECT, name))

class WindowsTransport : public ::testing::Test {
 protected:
  void SetUp() override { ResetFake(); }
  windows::WindowsDeviceFile file{FakeCalls()};
  const std::string path = "\\\\?\\usbstor#disk&ven_kelm#1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
};

#ifndef _WIN64
// Checked when the 32-bit suite is built, so the layout is proven even where no 32-bit Wine runs.
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 44);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataIn) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, TimeOutValue) == 16);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 20);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == 28);
#endif

TEST_F(WindowsTransport, ADataInCommandOpensSharedAndHandsOverTheWholeRecordThenClosesTheHandle) {
  const std::uint8_t cdb[12] = {0xFF, 0x04, 0x10, 0x00, 0x10, 0x00};
  std::uint8_t buffer[16] = {};
  std::uint32_t transferred = 0;
  ASSERT_TRUE(device::PassThroughIn(file, path, cdb, 12, buffer, 16, transferred));

  EXPECT_EQ(Fake().calls, (std::vector<std::string>{"CreateFileA", "DeviceIoControl", "GetLastError", "CloseHandle"}));
  ASSERT_EQ(Fake().opens.size(), 1u);
  EXPECT_EQ(Fake().opens[0].path, path);
  EXPECT_EQ(Fake().opens[0].access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(Fake().opens[0].share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_EQ(Fake().opens[0].disposition, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(Fake().closed, std::vector<HANDLE>{FakeHandle(0)});

  const FakeWindows::Control& call = Fake().controls.at(0);
  EXPECT_EQ(call.handle, FakeHandle(0));
  EXPECT_EQ(call.code, 0x0004D014u);
  EXPECT_EQ(call.code, static_cast<DWORD>(IOCTL_SCSI_PASS_THROUGH_DIRECT));
  const std::vector<std::uint8_t>& r = call.in;
  ASSERT_EQ(r.size(), sizeof(SCSI_PASS_THROUGH_DIRECT));
  EXPECT_EQ(FIELD(r, Length), sizeof(SCSI_PASS_THROUGH_DIRECT));
  EXPECT_EQ(FIELD(r, PathId), 0);
  EXPECT_EQ(FIELD(r, TargetId), 1);
  EXPECT_EQ(FIELD(r, Lun), 0);
  EXPECT_EQ(FIELD(r, CdbLength), 12);
  EXPECT_EQ(FIELD(r, SenseInfoLength), 0);
  EXPECT_EQ(FIELD(r, DataIn), 1);
  EXPECT_EQ(FIELD(r, DataTransferLength), 16u);
  EXPECT_EQ(FIELD(r, TimeOutValue), 20u);
  // The data travel in the port's page-aligned copy, which meets any adapter's alignment.
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(FIELD(r, DataBuffer)) % 4096, 0u);
  EXPECT_EQ(FIELD(r, SenseInfoOffset), 48u);
  EXPECT_EQ(std::memcmp(r.data() + offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb), cdb, 12), 0);
}

struct Direction {
  bool dataIn;
  std::uint8_t subOpcode;
  DWORD share;
  std::uint32_t timeout;
};

class Directions : public WindowsTransport, public ::testing::WithParamInterface<Direction> {};

TEST_P(Directions, SetTheShareModeAndTheTimeOut) {
  const Direction d = GetParam();
  const std::uint8_t cdb[12] = {0xFF, 0x04, d.subOpcode};
  std::uint32_t transferred = 0;
  const bool sent = d.dataIn ? device::PassThroughIn(file, path, cdb, 12, nullptr, 0, transferred)
                             : device::PassThroughOut(file, path, cdb, 12, nullptr, 0, transferred);
  ASSERT_TRUE(sent);
  EXPECT_EQ(Fake().opens.at(0).share, d.share);
  EXPECT_EQ(FIELD(Fake().controls.at(0).in, TimeOutValue), d.timeout);
  EXPECT_EQ(FIELD(Fake().controls.at(0).in, DataIn), d.dataIn ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(WindowsTransport, Directions,
                         ::testing::Values(Direction{true, 0x12, FILE_SHARE_READ | FILE_SHARE_WRITE, 20},
                                           Direction{false, 0x13, 0, 100},
                                           Direction{false, 0x14, 0, 10}));

class ShortReads : public WindowsTransport, public ::testing::WithParamInterface<int> {};

TEST_P(ShortReads, GoThroughTheBounceBufferAndNeverAskForOneByte) {
  const int n = GetParam();
  Fake().answer = [](HANDLE, DWORD, void* in, void*, DWORD, DWORD*) {
    SCSI_PASS_THROUGH_DIRECT record;
    std::memcpy(&record, in, sizeof record);
    std::memset(record.DataBuffer, 0xA5, record.DataTransferLength);
    return TRUE;
  };
  const std::uint8_t cdb[12] = {0xFF, 0x04, 0x12};
  std::uint8_t buffer[4] = {0, 0, 0, 0};
  std::uint32_t transferred = 0;
  ASSERT_TRUE(device::PassThroughIn(file, path, cdb, 12, buffer, n, transferred));

  const std::vector<std::uint8_t>& r = Fake().controls.at(0).in;
  const std::uint32_t asked[] = {0, 2, 2, 3};
  EXPECT_EQ(FIELD(r, DataTransferLength), asked[n]);
  EXPECT_NE(FIELD(r, DataBuffer), nullptr);
  EXPECT_NE(FIELD(r, DataBuffer), static_cast<void*>(buffer));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(buffer[i], i < n ? 0xA5 : 0) << i;
}

INSTANTIATE_TEST_SUITE_P(WindowsTransport, ShortReads, ::testing::Values(0, 1, 2, 3));

TEST_F(WindowsTransport, ALastErrorAfterASucceededCallFailsItAndARefusedOpenSendsNothing) {
  Fake().answer = [](HANDLE, DWORD, void*, void*, DWORD, DWORD*) {
    Fake().lastError = ERROR_SEM_TIMEOUT;
    return TRUE;
  };
  const std::uint8_t cdb[12] = {0xFF, 0x04, 0x21};
  std::uint8_t buffer[4] = {};
  std::uint32_t transferred = 7;
  EXPECT_FALSE(device::PassThroughIn(file, path, cdb, 12, buffer, 4, transferred));
  EXPECT_EQ(transferred, 4u);
  EXPECT_FALSE(file.AccessWasDenied());

  Fake().refuseOpen = [](const std::string&) -> DWORD { return ERROR_ACCESS_DENIED; };
  transferred = 7;
  EXPECT_FALSE(device::PassThroughOut(file, path, cdb, 12, nullptr, 0, transferred));
  EXPECT_EQ(transferred, 7u);
  EXPECT_EQ(Fake().controls.size(), 1u);
  EXPECT_TRUE(file.AccessWasDenied());
}

// A disk on another maker's bridge ends the probe with CHECK CONDITION: the call succeeds with
// last-error 0 and the record's ScsiStatus alone says no.
TEST_F(WindowsTransport, ACheckConditionInTheRecordFailsTheSucceededCall) {
  Fake().answer = [](HANDLE, DWORD, void*, void* out, DWORD, DWORD*) {
    auto* record = static_cast<SCSI_PASS_THROUGH_DIRECT*>(out);
    record->ScsiStatus = 0x02;
    record->DataTransferLength = 0;
    Fake().lastError = 0;
    return TRUE;
  };
  const std::uint8_t probe[12] = {0xDF, 0x10, 0x00, 0x00, 0x02, 0, 0, 0, 0, 0, 0, 0xFF};
  std::uint8_t reply[2] = {};
  std::uint32_t transferred = 7;
  EXPECT_FALSE(device::PassThroughIn(file, path, probe, 12, reply, 2, transferred));
  EXPECT_EQ(transferred, 0u);
}

}  // namespace
}  // namespace kelm::test
