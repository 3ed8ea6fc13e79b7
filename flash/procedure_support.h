#pragma once
// Small helpers every update procedure shares: the status line, working buffers and reads
// that must deliver every byte asked for. Header-only so the parallel-flash procedure in
// chip/ can use them without a link dependency on this library.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/commands.h"
#include "platform/host.h"

namespace kelm::flash {

// Replaces the status text and lets the window repaint.
inline void ShowStatus(platform::Host& host, std::string_view text) {
  host.SetStatus(text);
  host.ProcessMessages();
}

// Appends one progress dot and lets the window repaint.
inline void AppendDot(platform::Host& host) {
  host.AppendStatus(".");
  host.ProcessMessages();
}

// A zero-filled buffer, or nothing when the memory is not there (the caller reports it).
inline std::optional<std::vector<std::uint8_t>> AllocateZeroed(std::size_t size) {
  try {
    return std::vector<std::uint8_t>(size, 0);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

// Flash reads go out in pieces of at most 64 KiB, the address advancing: one larger request
// exceeds what a USB 2.0 mass-storage queue accepts in one command (120 KiB) and fails on
// real machines. A read of 64 KiB or less stays one request, unless the disk's adapter
// carries less in one command: then the pieces are what it carries.
inline constexpr std::size_t kMaxFlashReadPiece = 65536;

// The size of each piece a read from the device at `path` goes out in.
inline std::size_t ReadPieceSize(const platform::Services& io, const std::string& path) {
  const std::size_t largest = io.file.LargestTransfer(path);
  return largest == 0 ? kMaxFlashReadPiece : std::min(kMaxFlashReadPiece, largest);
}

// Whether the adapter carries `size` bytes to the device in one command. A write cannot be
// split as a read can (the bridge programs what one command brings), so when it does not
// fit the status says why and the caller stops before anything is erased.
inline bool AdapterCarriesWrite(platform::Host& host, const std::string& path, std::size_t size) {
  const std::uint32_t largest = host.services().file.LargestTransfer(path);
  if (largest == 0 || size <= largest) return true;
  ShowStatus(host, "The disk's USB adapter carries at most " + std::to_string(largest) +
                       " bytes in one command, and the flash is written " + std::to_string(size) +
                       " at a time: nothing was erased.");
  return false;
}

struct PieceReadResult {
  bool sent = true;      // every piece's command succeeded
  bool complete = true;  // and each delivered at least what it asked for
};

// A one-byte read goes out as a two-byte request and reports 2: at least what was asked is
// a whole read. Stops at the first piece whose command fails.
template <typename ReadCommand>
PieceReadResult ReadInPieces(ReadCommand read, std::size_t pieceSize, std::uint32_t address,
                             std::span<std::uint8_t> data) {
  PieceReadResult result;
  std::size_t offset = 0;
  do {
    const std::size_t size = std::min(pieceSize, data.size() - offset);
    std::uint32_t transferred = 0;
    if (!read(static_cast<std::uint32_t>(address + offset), data.subspan(offset, size),
              transferred)) {
      result.sent = false;
      return result;
    }
    if (transferred < size) result.complete = false;
    offset += size;
  } while (offset < data.size());
  return result;
}

inline PieceReadResult ReadFlashPieces(const platform::Services& io, const std::string& path,
                                       std::uint32_t address, std::span<std::uint8_t> data) {
  return ReadInPieces(
      [&](std::uint32_t at, std::span<std::uint8_t> piece, std::uint32_t& transferred) {
        return device::ReadFlash(io, path, at, piece, &transferred);
      },
      ReadPieceSize(io, path), address, data);
}

// A read that reports success but delivers fewer bytes than asked counts as failed: the
// rest of a reused buffer would still hold the bytes of an earlier read.
inline bool ReadFlashFully(const platform::Services& io, const std::string& path,
                           std::uint32_t address, std::span<std::uint8_t> data) {
  const PieceReadResult result = ReadFlashPieces(io, path, address, data);
  return result.sent && result.complete;
}

inline PieceReadResult ReadParallelFlashPieces(const platform::Services& io,
                                               const std::string& path, std::uint32_t address,
                                               std::span<std::uint8_t> data) {
  return ReadInPieces(
      [&](std::uint32_t at, std::span<std::uint8_t> piece, std::uint32_t& transferred) {
        return device::ReadParallelFlash(io, path, at, piece, &transferred);
      },
      ReadPieceSize(io, path), address, data);
}

inline bool ReadParallelFlashFully(const platform::Services& io, const std::string& path,
                                   std::uint32_t address, std::span<std::uint8_t> data) {
  const PieceReadResult result = ReadParallelFlashPieces(io, path, address, data);
  return result.sent && result.complete;
}

inline bool AllBytesErased(std::span<const std::uint8_t> data) {
  for (std::uint8_t byte : data) {
    if (byte != 0xFF) return false;
  }
  return true;
}

}  // namespace kelm::flash
