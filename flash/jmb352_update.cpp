// The JMB352 update: save the parameter block (first 4 KiB), erase and blank-check 32 KiB
// blocks, then write the saved block and the image in 16 KiB pieces, each read back at once.

#include "flash/jmb352_update.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "chip/bridge_models.h"
#include "chip/identification.h"
#include "device/commands.h"
#include "flash/procedure_support.h"

namespace kelm::flash {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kParameterBlockSize = 4096;
constexpr std::size_t kPieceSize = 16384;
constexpr std::size_t kBlockSize = 32768;

// The image for the bridge behind the path; empty for any other bridge or revision.
// One lost chip-name answer turns a revision 2 into a revision 1 (the product record counts
// revisions from 0), which would write the other image; two readings must agree.
Bytes ImageForBridge(const platform::Services& io, const std::string& path) {
  const chip::ChipCode code = chip::IdentifyBridgeChip(io, path);
  if (chip::IdentifyBridgeChip(io, path) != code) return {};
  const std::string_view name = chip::Jmb352ImageName(code);
  if (name.empty()) return {};
  return io.images.TakeImageFor(name, path);
}

bool ReadErased(const platform::Services& io, const std::string& path, std::uint32_t address,
                std::span<std::uint8_t> buffer) {
  device::WaitFlashReady(io, path);
  return ReadFlashFully(io, path, address, buffer) && AllBytesErased(buffer);
}

bool EraseAndBlankCheck(platform::Host& host, const std::string& path, std::size_t blocks,
                        std::span<std::uint8_t> buffer) {
  const platform::Services& io = host.services();
  for (std::size_t block = 0; block < blocks; ++block) {
    const auto address = static_cast<std::uint32_t>(block * kBlockSize);
    host.AdvanceProgress(10);
    device::WaitFlashReady(io, path);
    if (!device::EraseFlashSector(io, path, address)) return false;
    if (!ReadErased(io, path, address, buffer)) return false;
    if (!ReadErased(io, path, address + kPieceSize, buffer)) return false;
    host.ProcessMessages();  // the window stays responsive through the update
  }
  return true;
}

// The saved parameter block, then the image from byte 4096 on; zero up to the end.
void BuildWriteBuffer(std::span<std::uint8_t> out, Bytes saved, Bytes image) {
  std::fill(out.begin(), out.end(), 0);
  std::copy(saved.begin(), saved.end(), out.begin());
  if (image.size() > kParameterBlockSize) {
    std::copy(image.begin() + kParameterBlockSize, image.end(), out.begin() + kParameterBlockSize);
  }
}

bool WriteAndVerify(platform::Host& host, const std::string& path, Bytes contents,
                    std::span<std::uint8_t> verify) {
  const platform::Services& io = host.services();
  for (std::size_t offset = 0; offset < contents.size(); offset += kPieceSize) {
    const auto address = static_cast<std::uint32_t>(offset);
    const Bytes piece = contents.subspan(offset, kPieceSize);
    host.AdvanceProgress(10);
    device::WaitFlashReady(io, path);
    if (!device::WriteFlash(io, path, address, piece)) {
      host.SetStatus("Write command fail!");
      return false;
    }
    device::WaitFlashReady(io, path);
    if (!ReadFlashFully(io, path, address, verify)) {
      host.SetStatus("Write command fail!");
      return false;
    }
    host.AdvanceProgress(10);
    if (!std::equal(piece.begin(), piece.end(), verify.begin())) return false;
    host.ProcessMessages();
  }
  return true;
}

}  // namespace

std::uint32_t UpdateJmb352(platform::Host& host, const std::string& path) {
  const platform::Services& io = host.services();
  auto saved = AllocateZeroed(kParameterBlockSize);
  if (!saved) {
    host.SetStatus("Allocate buffers Error!!");
    return 0;
  }
  device::WaitFlashReady(io, path);
  // Nothing is erased unless the whole block was saved.
  if (!ReadFlashFully(io, path, 0, *saved)) {
    host.SetStatus("Backup NVRAM command fail!");
    return 0;
  }

  const Bytes image = ImageForBridge(io, path);
  if (image.empty()) return 0;
  if (!AdapterCarriesWrite(host, path, kPieceSize)) return 0;

  const std::size_t imageSize = std::max(image.size(), kPieceSize);
  const std::size_t total = (imageSize + kPieceSize - 1) / kPieceSize * kPieceSize;
  const std::size_t blocks = (total + kBlockSize - 1) / kBlockSize;

  auto verify = AllocateZeroed(kPieceSize);
  auto contents = AllocateZeroed(total);
  if (!verify || !contents) {
    host.SetStatus("Allocate buffers Error!!");
    return 0;
  }

  if (!EraseAndBlankCheck(host, path, blocks, *verify)) return 0;

  host.AdvanceProgress(10);
  BuildWriteBuffer(*contents, *saved, image);

  if (!WriteAndVerify(host, path, *contents, *verify)) return 0;
  host.AdvanceProgress(20);
  return 1;
}

}  // namespace kelm::flash
