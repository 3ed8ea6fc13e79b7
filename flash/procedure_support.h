#pragma once
// Small helpers every update procedure shares: the status line, working buffers and reads
// that must deliver every byte asked for. Header-only so the parallel-flash procedure in
// chip/ can use them without a link dependency on this library.

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

// A read that reports success but delivers fewer bytes than asked counts as failed: the
// rest of a reused buffer would still hold the bytes of an earlier read.
inline bool ReadFlashFully(const platform::Services& io, const std::string& path,
                           std::uint32_t address, std::span<std::uint8_t> data) {
  std::uint32_t transferred = 0;
  return device::ReadFlash(io, path, address, data, &transferred) && transferred == data.size();
}

inline bool ReadParallelFlashFully(const platform::Services& io, const std::string& path,
                                   std::uint32_t address, std::span<std::uint8_t> data) {
  std::uint32_t transferred = 0;
  return device::ReadParallelFlash(io, path, address, data, &transferred) &&
         transferred == data.size();
}

inline bool AllBytesErased(std::span<const std::uint8_t> data) {
  for (std::uint8_t byte : data) {
    if (byte != 0xFF) return false;
  }
  return true;
}

}  // namespace kelm::flash
