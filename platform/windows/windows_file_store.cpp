#include "platform/windows/windows_file_store.h"

#include "platform/windows/win32_calls.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>

namespace kelm::windows {

namespace {

// Name clashes with a random suffix mean something is guessing; a few tries are plenty.
constexpr int kCreateAttempts = 8;
// WriteFile takes a 32-bit count; larger spans go in pieces.
constexpr std::size_t kWritePiece = 1u << 30;

// A folder, a device or a link in the target's place is never replaced by a backup.
bool MayReplace(const Win32Calls& calls, const std::string& target) {
  const DWORD attributes = calls.GetFileAttributesA(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // nothing there (or unreadable: the move decides)
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace

std::string RandomSuffix() {
  std::random_device random;  // the system's generator on MinGW-w64
  std::string hex;
  for (int i = 0; i < 6; ++i) {
    std::array<char, 3> digits{};
    std::snprintf(digits.data(), digits.size(), "%02x", static_cast<unsigned>(random() & 0xFF));
    hex += digits.data();
  }
  return hex;
}

void* WindowsFileStore::CreateTemporary(const std::string& target, std::string& name) const {
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    name = target + "." + suffix_() + ".tmp";
    const HANDLE file = calls_.CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    if (calls_.GetLastError() != ERROR_FILE_EXISTS) return INVALID_HANDLE_VALUE;
  }
  return INVALID_HANDLE_VALUE;
}

bool WindowsFileStore::WriteAll(void* file, std::span<const std::uint8_t> bytes) const {
  while (!bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(std::min(bytes.size(), kWritePiece));
    DWORD written = 0;
    if (!calls_.WriteFile(file, bytes.data(), piece, &written, nullptr) || written == 0) return false;
    bytes = bytes.subspan(written);
  }
  return true;
}

bool WindowsFileStore::WriteWholeFile(const std::string& target,
                                      std::span<const std::uint8_t> bytes) {
  if (target.empty() || !MayReplace(calls_, target)) return false;
  std::string temporary;
  const HANDLE file = CreateTemporary(target, temporary);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = WriteAll(file, bytes) && calls_.FlushFileBuffers(file);
  written = calls_.CloseHandle(file) && written;
  if (written) {
    written = calls_.MoveFileExA(temporary.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  if (!written) calls_.DeleteFileA(temporary.c_str());
  return written;
}

}  // namespace kelm::windows
