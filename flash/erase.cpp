// Block erase of a range and the engineering run that erases the whole flash.

#include "device/commands.h"
#include "flash/engine_settings.h"
#include "flash/procedure_support.h"
#include "flash/programming.h"

namespace kelm::flash {

namespace {
constexpr std::uint32_t kPauseAfterEraseMs = 500;
}

std::uint32_t EraseFlashBlocks(platform::Host& host, const std::string& path,
                               std::uint32_t byteCount) {
  const platform::Services& io = host.services();
  if (!device::WaitFlashReady(io, path)) {
    io.debug.OutputDebugString("0.1 Device initial not ready!!");
  }

  const std::uint32_t blockSize = TransferPageSize;
  const std::uint32_t blocks = byteCount / blockSize + (byteCount % blockSize != 0 ? 1 : 0);
  ShowStatus(host, "Erase...");

  for (std::uint32_t block = 0; block < blocks; ++block) {
    const std::uint32_t address = block * blockSize;
    device::WaitFlashReady(io, path);
    if (!device::EraseFlashSector(io, path, address)) return 0;
    if (!device::WaitFlashReady(io, path)) {
      io.debug.OutputDebugString("Not ready after Erase flash success");
    }
    AppendDot(host);
  }
  return blocks > 0 ? 1 : 0;
}

std::uint32_t EraseAllFlash(platform::Host& host, const std::string& path) {
  const platform::Services& io = host.services();
  ShowStatus(host, "Start Erase only!");
  const std::uint32_t size = FirmwareSize;
  device::WaitFlashReady(io, path);

  if (EraseFlashBlocks(host, path, size) == 0) {
    ShowStatus(host, "Erase command fail!!");
    return 0;
  }
  io.clock.Sleep(kPauseAfterEraseMs);
  if (!device::WaitFlashReady(io, path)) {
    ShowStatus(host, "Not ready after Erase flash cmd success");
  }

  auto readBack = AllocateZeroed(size);
  if (!readBack) {
    ShowStatus(host, "Allocate read buffer Error!!");
    return 0;
  }
  // The check runs over the whole zero-filled buffer, so a read that delivers fewer bytes
  // than asked fails it instead of passing unchecked like a failed read does.
  if (ReadFlashPieces(io, path, 0, *readBack).sent && !AllBytesErased(*readBack)) {
    ShowStatus(host, "Data not 0xff !!");
    return 0;
  }
  ShowStatus(host, "Erase flash all success!");
  return 1;
}

}  // namespace kelm::flash
