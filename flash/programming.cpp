// The programming procedure of the page-written serial-flash bridges: erase, blank check,
// page writes, verify; the engineering runs are chosen here too.

#include "flash/programming.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "device/commands.h"
#include "flash/engine_settings.h"
#include "flash/procedure_support.h"

namespace kelm::flash {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::string_view kImageName = "FW339";
constexpr std::uint32_t kPauseAfterEraseMs = 500;
constexpr std::uint32_t kPauseBeforeVerifyMs = 1000;
constexpr std::size_t kLargestSectorErasedImage = 65536;  // larger images erase the whole chip
constexpr std::size_t kOneUnitImage = 32768;              // larger images need a second unit
constexpr std::uint32_t kSecondUnitOffset = 0x8000;

// The parameter block that these makers keep at 0x8000 and that a one-unit image leaves.
constexpr std::string_view kParameterBlockMaker = "ST/MXIC";
constexpr std::uint32_t kParameterBlockAddress = 0x8000;
constexpr std::size_t kParameterBlockSize = 512;

enum class EraseScheme { BootSectors, Uniform, Unsupported };

struct FlashEraseScheme {
  std::int32_t flashCode;
  EraseScheme scheme;
};

// How each flash part is erased: the AMIC boot-sector parts unit by unit, the others from 0.
constexpr std::array<FlashEraseScheme, 5> kEraseSchemes = {{
    {1, EraseScheme::BootSectors},
    {3, EraseScheme::BootSectors},
    {5, EraseScheme::BootSectors},
    {4, EraseScheme::Uniform},
    {-1, EraseScheme::Uniform},
}};

// Unit starts of the boot-sector parts, in erase order.
constexpr std::array<std::uint32_t, 4> kBootSectorStarts = {0x0000, 0x1000, 0x3000, 0x7000};

EraseScheme SchemeFor(std::int32_t flashCode) {
  for (const auto& entry : kEraseSchemes) {
    if (entry.flashCode == flashCode) return entry.scheme;
  }
  return EraseScheme::Unsupported;
}

struct ParameterBlock {
  std::array<std::uint8_t, kParameterBlockSize> bytes{};
  bool saved = false;
};

// After an erase whose readiness matters: pause, wait, say so when the flash stays busy.
void PauseUntilReady(platform::Host& host, const std::string& path) {
  host.services().clock.Sleep(kPauseAfterEraseMs);
  if (!device::WaitFlashReady(host.services(), path)) {
    ShowStatus(host, "Not ready after Erase flash success");
  }
}

// After an erase whose readiness is not examined.
void PauseAndPoll(const platform::Services& io, const std::string& path) {
  io.clock.Sleep(kPauseAfterEraseMs);
  device::WaitFlashReady(io, path);
}

bool EraseSecondUnit(platform::Host& host, const std::string& path, std::uint32_t address) {
  if (!device::EraseFlashSector(host.services(), path, address)) {
    ShowStatus(host, "Erase command fail!!");
    return false;
  }
  PauseAndPoll(host.services(), path);
  return true;
}

bool EraseBootSectors(platform::Host& host, const std::string& path, std::size_t length) {
  for (std::uint32_t start : kBootSectorStarts) {
    // A unit that refuses the erase shows up in the blank check.
    if (device::EraseFlashSector(host.services(), path, start)) PauseUntilReady(host, path);
  }
  if (length > kOneUnitImage) {
    return EraseSecondUnit(host, path, kBootSectorStarts.back() + kSecondUnitOffset);
  }
  return true;
}

bool EraseUniform(platform::Host& host, const std::string& path, std::size_t length) {
  if (!device::EraseFlashSector(host.services(), path, 0)) {
    ShowStatus(host, "Erase command fail!!");
    return false;
  }
  host.AdvanceProgress(10);
  PauseUntilReady(host, path);
  if (length > kOneUnitImage) return EraseSecondUnit(host, path, kSecondUnitOffset);
  return true;
}

bool EraseWholeChip(platform::Host& host, const std::string& path) {
  if (!device::EraseWholeFlash(host.services(), path)) {
    ShowStatus(host, "Erase command fail!!");
    return false;
  }
  PauseUntilReady(host, path);
  return true;
}

bool RestoresParameterBlock(platform::Host& host, std::size_t length) {
  return length <= kOneUnitImage && host.options().sFlashTypeText == kParameterBlockMaker;
}

void SaveParameterBlock(const platform::Services& io, const std::string& path,
                        ParameterBlock& block) {
  block.saved = ReadFlashFully(io, path, kParameterBlockAddress, block.bytes);
  io.out.Write(block.saved ? "NVRAM O.K.\n" : "NVRAM fail\n");
}

// Only bytes that were really read go back: writing the zero-filled area would wipe the
// block, since a write only clears bits.
void RestoreParameterBlock(const platform::Services& io, const std::string& path,
                           const ParameterBlock& block) {
  if (!block.saved) return;
  const bool written = device::WriteFlash(io, path, kParameterBlockAddress, block.bytes);
  io.out.Write(written ? "write NVRAM O.K.\n" : "write NVRAM fail\n");
}

// Erases what the image will occupy; false after a failure that ends the procedure.
bool EraseForImage(platform::Host& host, const std::string& path, std::size_t length,
                   ParameterBlock& block) {
  if (length > kLargestSectorErasedImage) return EraseWholeChip(host, path);

  if (host.options().sFlashTypeText == kParameterBlockMaker) {
    SaveParameterBlock(host.services(), path, block);
  }
  switch (SchemeFor(host.options().flashCode)) {
    case EraseScheme::BootSectors:
      return EraseBootSectors(host, path, length);
    case EraseScheme::Uniform:
      return EraseUniform(host, path, length);
    case EraseScheme::Unsupported:
      break;
  }
  ShowStatus(host, "Not Support this AMIC Flash Type!!");
  return false;
}

// The expected flash contents: the image, then 0xFF up to the end of the last page.
std::uint8_t ExpectedByte(Bytes image, std::size_t offset) {
  return offset < image.size() ? image[offset] : 0xFF;
}

// Writes the pages in order and stops at the first that fails; true when all were written.
bool WritePages(platform::Host& host, const std::string& path, Bytes image, std::size_t pageSize,
                std::size_t pages) {
  std::vector<std::uint8_t> paddedPage;
  for (std::size_t page = 0; page < pages; ++page) {
    host.AdvanceProgress(10);
    const std::size_t offset = page * pageSize;
    Bytes data;
    if (offset + pageSize <= image.size()) {
      data = image.subspan(offset, pageSize);
    } else {
      paddedPage.assign(pageSize, 0xFF);
      std::copy(image.begin() + static_cast<std::ptrdiff_t>(offset), image.end(),
                paddedPage.begin());
      data = paddedPage;
    }
    if (!device::WriteFlash(host.services(), path, static_cast<std::uint32_t>(offset), data)) {
      return false;
    }
    AppendDot(host);
  }
  return true;
}

bool MatchesImage(Bytes readBack, Bytes image) {
  for (std::size_t offset = 0; offset < readBack.size(); ++offset) {
    if (readBack[offset] != ExpectedByte(image, offset)) return false;
  }
  return true;
}

std::uint32_t ProgramImage(platform::Host& host, const std::string& path) {
  const platform::Services& io = host.services();
  const Bytes image = io.images.TakeImageFor(kImageName, path);
  if (image.empty()) {
    ShowStatus(host, "Load defaut Fw file Error!!");
    return 0;
  }

  const std::size_t pageSize = TransferPageSize;
  if (!AdapterCarriesWrite(host, path, pageSize)) return 0;
  const std::size_t pages = (image.size() + pageSize - 1) / pageSize;
  const std::size_t length = pages * pageSize;
  auto readBack = AllocateZeroed(length);
  if (!readBack) {
    ShowStatus(host, "Allocate read buffer Error!!");
    return 0;
  }

  if (!device::WaitFlashReady(io, path)) {
    io.debug.OutputDebugString("0.1 Device initial not ready!!");
  }

  ParameterBlock parameterBlock;
  if (!EraseForImage(host, path, length, parameterBlock)) return 0;

  // The buffer is fresh and zero-filled, so bytes a short read did not deliver fail the check.
  if (!ReadFlashPieces(io, path, 0, *readBack).sent) {
    ShowStatus(host, "Read Back Erased Flash Error!!");
    return 0;
  }
  host.AdvanceProgress(5);
  if (!AllBytesErased(*readBack)) {
    ShowStatus(host, "Data not 0xff !!");
    return 0;
  }

  host.AdvanceProgress(10);
  const bool allPagesWritten = WritePages(host, path, image, pageSize, pages);
  host.AdvanceProgress(20);
  if (RestoresParameterBlock(host, length)) RestoreParameterBlock(io, path, parameterBlock);
  if (!allPagesWritten) {
    ShowStatus(host, "Programming Fail!!");
    host.AdvanceProgress(10);
    return 0;
  }

  io.clock.Sleep(kPauseBeforeVerifyMs);
  device::WaitFlashReady(io, path);
  // The buffer still holds the blank check's 0xFF bytes: a short read could match the padding.
  if (!ReadFlashFully(io, path, 0, *readBack)) {
    ShowStatus(host, "Read Fail!!\r\n");
    return 0;
  }
  host.AdvanceProgress(10);
  if (!MatchesImage(*readBack, image)) {
    host.SetStatus("Compare Fail!!\r\n\r\n");
    host.AdvanceProgress(10);
    return 0;
  }
  ShowStatus(host, "Programming Success!!");
  host.AdvanceProgress(10);
  return 1;
}

}  // namespace

std::uint32_t ProgramFirmware(platform::Host& host, const std::string& path) {
  const platform::Options options = host.options();
  if (options.rdCheckBox && options.eraseOnlyFlag) {
    if (EraseAllFlash(host, path) == 0) return 0;
    host.services().boxes.Show("Message", "Please Turn-Off the Power and Turn-On Again!",
                               platform::MessageIcon::None);
    return 1;
  }
  if (options.rdCheckBox && options.backupFwCheckBox) return BackupFirmware(host, path, 0);
  return ProgramImage(host, path);
}

}  // namespace kelm::flash
