#pragma once
// Writes a backup of the flash so that a failure never leaves a half-written file behind:
// the bytes go to a temporary file beside the target, which replaces the target only once
// it is complete. Header-only so both update families can use it (see procedure_support.h).

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace kelm::flash {

inline constexpr std::string_view kDefaultBackupFileName = "oldflash.bak";

// True when every byte reached `target`. On failure an existing file of that name is left
// as it was and no temporary file remains.
inline bool WriteBackupFile(const std::string& target, std::span<const std::uint8_t> bytes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path temporary;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = target + ".tmp" + std::to_string(attempt);
    if (!fs::exists(candidate, ec) && !ec) {
      temporary = std::move(candidate);
      break;
    }
  }
  if (temporary.empty()) return false;

  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  bool written = out.is_open();
  if (written) {
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    written = !out.fail();
  }
  if (written) {
    fs::rename(temporary, target, ec);
    written = !ec;
  }
  if (!written) fs::remove(temporary, ec);
  return written;
}

}  // namespace kelm::flash
