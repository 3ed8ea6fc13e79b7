// A storage adapter as strict as real ones: it fails a data buffer off its alignment mask as
// an invalid parameter and carries at most 32 KiB in one command. The JM20336 bench behind it
// answers what gets through.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "chip/jm20336_update.h"
#include "tests/flash/flash_rig.h"
// After the bench's headers: the system's headers rename OutputDebugString (the Win32 table's
// header takes the macro back).
#include "platform/windows/pass_through_record.h"
#include "platform/windows/windows_device_file.h"
#include "tests/windows/fake_windows.h"

namespace kelm::test {
namespace {

constexpr std::size_t kFlashSize = 65536;

struct Adapter {
  BOOL answersQuery;
  DWORD alignmentMask;
  DWORD largestTransfer;
};

// The window's part of the procedure: the status line and the options.
class StatusHost final : public platform::Host {
 public:
  explicit StatusHost(const platform::Services& io) : io_(io) {}
  const platform::Services& services() override { return io_; }
  void SetStatus(std::string_view text) override { status_ = std::string(text); }
  std::string Status() const override { return status_; }
  void ProcessMessages() override {}
  void AdvanceProgress(std::int32_t) override {}
  platform::Options options() const override { return opts; }
  platform::Options opts;

 private:
  const platform::Services& io_;
  std::string status_;
};

class StrictAdapter : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ResetFake();
    rig.images.Set("FW339", Pattern(kFlashSize, 9));
  }

  // Installs the adapter: the property query, then each pass-through checked and sent on.
  void Use(Adapter adapter) {
    Fake().answer = [this, adapter](HANDLE handle, DWORD code, void* in, void* out, DWORD outSize,
                                    DWORD* returned) -> BOOL {
      Fake().lastError = 0;
      if (code == IOCTL_STORAGE_QUERY_PROPERTY) {
        ++queries;
        if (!adapter.answersQuery || outSize < sizeof(STORAGE_ADAPTER_DESCRIPTOR)) return FALSE;
        STORAGE_ADAPTER_DESCRIPTOR descriptor{};
        descriptor.Version = descriptor.Size = sizeof descriptor;
        descriptor.MaximumTransferLength = adapter.largestTransfer;
        descriptor.MaximumPhysicalPages = 0x11;
        descriptor.AlignmentMask = adapter.alignmentMask;
        std::memcpy(out, &descriptor, sizeof descriptor);
        *returned = sizeof descriptor;
        return TRUE;
      }
      auto* record = static_cast<SCSI_PASS_THROUGH_DIRECT*>(in);
      const auto address = reinterpret_cast<std::uintptr_t>(record->DataBuffer);
      if (record->DataTransferLength > 0) pageAligned = pageAligned && address % 4096 == 0;
      if ((address & adapter.alignmentMask) != 0 ||
          record->DataTransferLength > adapter.largestTransfer) {
        Fake().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
      }
      return SendToBench(Fake().opens.at(reinterpret_cast<std::uintptr_t>(handle) - 0x100).path,
                         *record);
    };
  }

  BOOL SendToBench(const std::string& path, SCSI_PASS_THROUGH_DIRECT& record) {
    platform::PassThroughRequest request;
    request.Length = platform::kPassThroughRequestLength;
    request.TargetId = record.TargetId;
    request.CdbLength = record.CdbLength;
    request.DataIn = record.DataIn;
    request.DataTransferLength = record.DataTransferLength;
    request.TimeOutValue = record.TimeOutValue;
    request.DataBuffer = record.DataBuffer;
    request.SenseInfoOffset = record.SenseInfoOffset;
    std::copy_n(record.Cdb, request.Cdb.size(), request.Cdb.begin());
    const platform::Handle bench = rig.sim.Open(path, platform::ShareMode::Shared);
    const bool sent = rig.sim.Control(bench, platform::kIoctlScsiPassThroughDirect, request);
    rig.sim.Close(bench);
    record.ScsiStatus = request.ScsiStatus;
    record.DataTransferLength = request.DataTransferLength;
    return sent ? TRUE : FALSE;
  }

  bool Run() { return chip::UpdateJm20336(host, rig.sim.DevicePath(0), 0); }
  std::uint32_t Count(const std::string& command) const { return rig.sim.RequestCount(0, command); }

  const std::vector<std::uint8_t> oldFirmware = Pattern(kFlashSize, 5);
  Rig rig{OneDevice(ParallelFlashDevice(oldFirmware))};
  windows::WindowsDeviceFile windowsFile{FakeCalls()};
  platform::Services io{windowsFile, rig.sim,      rig.clock,  rig.recorder,
                        rig.recorder, rig.recorder, rig.images, rig.files};
  StatusHost host{io};
  int queries = 0;
  bool pageAligned = true;
};

TEST_F(StrictAdapter, ReadsInPiecesItCarriesAndRefusesAProgramItCannotBeforeTheErase) {
  Use({TRUE, 3, 32768});
  host.opts.backupFwCheckBox = true;
  host.opts.backupFileName = "backup.bin";
  EXPECT_TRUE(Run());
  EXPECT_EQ(host.Status(), "Read flash and backup success!");
  EXPECT_EQ(Count("ReadParallelFlash"), 2u);
  std::ifstream file("backup.bin", std::ios::binary);
  EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {}), oldFirmware);

  host.opts.backupFwCheckBox = false;
  EXPECT_FALSE(Run());
  EXPECT_EQ(host.Status(),
            "The disk's USB adapter carries at most 32768 bytes in one command, and the flash is "
            "written 65536 at a time: nothing was erased.");
  EXPECT_EQ(Count("PreEraseParallelFlash") + Count("EraseParallelFlash"), 0u);
  EXPECT_EQ(rig.sim.ParallelFlash(0), oldFirmware);

  EXPECT_TRUE(pageAligned);
  EXPECT_EQ(queries, 1);  // once for the device, however often the procedures ask
}

TEST_F(StrictAdapter, WhoseLimitsCannotBeAskedGetsWhatItAlwaysGot) {
  Use({FALSE, 0, 65536});
  EXPECT_TRUE(Run());
  EXPECT_EQ(host.Status(), "Programming & Compare Success!!");
  EXPECT_EQ(Count("ReadParallelFlash"), 2u);  // the erase check and the read-back, whole
  EXPECT_EQ(rig.sim.ParallelFlash(0), Pattern(kFlashSize, 9));
}

}  // namespace
}  // namespace kelm::test
