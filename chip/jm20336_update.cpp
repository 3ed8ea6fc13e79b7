// The JM20336 family's update of its 64 KiB parallel flash, with the erase-only and
// backup-only engineering runs.

#include "chip/jm20336_update.h"

#include <algorithm>
#include <cstddef>
#include <span>
#include <string_view>

#include "device/commands.h"
#include "flash/backup_file.h"
#include "flash/procedure_support.h"

namespace kelm::chip {

namespace {

using flash::ShowStatus;

constexpr std::size_t kFlashSize = 65536;
constexpr std::string_view kImageName = "FW339";
constexpr int kBusyReadRounds = 100;
constexpr int kBusyReadsPerRound = 500;

// How the erase went; only a refused pre-erase and a flash left unerased end the update.
enum class EraseOutcome {
  PreEraseFailed,
  EraseFailed,
  StatusTimeout,
  ReadFailed,
  NotErased,
  Erased
};

EraseOutcome EraseAndCheck(platform::Host& host, const std::string& path, std::int32_t flashType,
                           std::span<std::uint8_t> readBuffer) {
  const platform::Services& io = host.services();
  if (!device::PreEraseParallelFlash(io, path, flashType)) return EraseOutcome::PreEraseFailed;
  if (!device::EraseParallelFlash(io, path)) return EraseOutcome::EraseFailed;
  if (!WaitProgramReady(io, path)) {
    ShowStatus(host, "Erase command ok,status fail!!");
    return EraseOutcome::StatusTimeout;
  }
  ShowStatus(host, "Erase command ok!!");
  if (!flash::ReadParallelFlashPieces(io, path, 0, readBuffer).sent) return EraseOutcome::ReadFailed;
  // The buffer is fresh and zero-filled: bytes a short read did not deliver fail the check.
  return flash::AllBytesErased(readBuffer) ? EraseOutcome::Erased : EraseOutcome::NotErased;
}

}  // namespace

bool WaitProgramReady(const platform::Services& io, const std::string& path) {
  for (int round = 0; round < kBusyReadRounds; ++round) {
    for (int read = 0; read < kBusyReadsPerRound; ++read) {
      if (!device::BridgeBusy(io, path)) return true;
    }
  }
  return false;
}

bool EraseOnlyJm20336(platform::Host& host, const std::string& path, std::int32_t flashType) {
  const platform::Services& io = host.services();
  ShowStatus(host, "Start Erase only!");
  if (!device::PreEraseParallelFlash(io, path, flashType)) {
    ShowStatus(host, "Error pre-erase command!!");
    return false;
  }
  // The old firmware is still there; calling that a finished erase would be a lie.
  if (!device::EraseParallelFlash(io, path)) {
    ShowStatus(host, "Erase command fail!!");
    return false;
  }
  if (!WaitProgramReady(io, path)) {
    ShowStatus(host, "Erase command ok,status fail!!");
    return true;
  }
  ShowStatus(host, "Erase command ok!!");
  auto readBuffer = flash::AllocateZeroed(kFlashSize);
  if (!readBuffer) {
    ShowStatus(host, "Allocate read buffer Error!!");
    return false;
  }
  // Fresh zero-filled buffer: a short read fails the 0xFF check rather than passing it.
  if (!flash::ReadParallelFlashPieces(io, path, 0, *readBuffer).sent) {
    ShowStatus(host, "Read Back after Erase fail!!");
    return true;
  }
  if (!flash::AllBytesErased(*readBuffer)) {
    ShowStatus(host, "Not Erase correctly!");
    return false;
  }
  ShowStatus(host, "Erase All success!!");
  return true;
}

bool BackupOnlyJm20336(platform::Host& host, const std::string& path) {
  const platform::Services& io = host.services();
  std::string fileName = host.options().backupFileName;
  if (fileName.empty()) {
    fileName = flash::kDefaultBackupFileName;
    io.boxes.Show("Message", "Default backup firmware as OldFalsh.bak!",
                  platform::MessageIcon::None);
  }
  // A device node, pipe or folder of that name is never replaced; said before the ROM is read.
  if (!io.files.MayReplace(fileName)) {
    ShowStatus(host, "Open Backup File Error!!");
    return false;
  }
  ShowStatus(host, "Backup ...");
  auto contents = flash::AllocateZeroed(kFlashSize);
  if (!contents) {
    ShowStatus(host, "Allocate read buffer Error!!");
    return false;
  }
  // A short read would put zero bytes into the file that the flash never held.
  if (!flash::ReadParallelFlashFully(io, path, 0, *contents)) {
    ShowStatus(host, "Read ROM fail!!");
    return false;
  }
  if (!io.files.WriteWholeFile(fileName, *contents)) {
    ShowStatus(host, "Read ROM Suceess, but save to file fail!!");
    return false;
  }
  ShowStatus(host, "Read flash and backup success!");
  return true;
}

bool UpdateJm20336(platform::Host& host, const std::string& path, std::int32_t flashType) {
  const platform::Services& io = host.services();
  const platform::Options options = host.options();
  if (!options.a1ChipCheck && !device::SwitchToInternalRom(io, path)) {
    ShowStatus(host, "Can't switch to internal ROM");
    return false;
  }
  if (options.eraseOnlyFlag) return EraseOnlyJm20336(host, path, flashType);
  if (options.backupFwCheckBox) return BackupOnlyJm20336(host, path);

  // Taken before anything is erased: without a fitting image the old firmware stays.
  const std::span<const std::uint8_t> image = io.images.TakeImageFor(kImageName, path);
  if (image.empty() || image.size() > kFlashSize) {
    ShowStatus(host, "Load defaut Fw file Error!!");
    return false;
  }
  // The whole image is programmed by one command, which the adapter must carry.
  if (!flash::AdapterCarriesWrite(host, path, image.size())) return false;

  auto readBuffer = flash::AllocateZeroed(kFlashSize);
  if (!readBuffer) {
    ShowStatus(host, "Allocate read buffer Error!!");
    return false;
  }

  switch (EraseAndCheck(host, path, flashType, *readBuffer)) {
    case EraseOutcome::PreEraseFailed:
      ShowStatus(host, "Error pre-erase command!!");
      return false;
    case EraseOutcome::NotErased:
      ShowStatus(host, "Not Erase correctly!");
      return false;
    case EraseOutcome::EraseFailed:
    case EraseOutcome::StatusTimeout:
    case EraseOutcome::ReadFailed:
    case EraseOutcome::Erased:
      break;  // the compare after programming decides
  }

  WaitProgramReady(io, path);
  if (!device::ProgramParallelFlash(io, path, flashType, image)) {
    ShowStatus(host, "Programming Fail!!");
    return false;
  }
  ShowStatus(host, "Programming Success!!");
  WaitProgramReady(io, path);
  const std::span<std::uint8_t> readBack(readBuffer->data(), image.size());
  // The buffer may still hold the erase check's 0xFF bytes, so every byte must arrive.
  if (!flash::ReadParallelFlashFully(io, path, 0, readBack)) {
    ShowStatus(host, "Read Fail!!");
    return false;
  }
  if (!std::equal(image.begin(), image.end(), readBack.begin())) {
    ShowStatus(host, "Compare Fail!!");
    return false;
  }
  ShowStatus(host, "Programming & Compare Success!!");
  return true;
}

}  // namespace kelm::chip
