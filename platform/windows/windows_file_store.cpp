#include "platform/windows/windows_file_store.h"

#include "platform/windows/wide_names.h"
#include "platform/windows/win32_calls.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <utility>

namespace kelm::windows {

namespace {

// Name clashes with a random suffix mean something is guessing; a few tries are plenty.
constexpr int kCreateAttempts = 8;
// WriteFile takes a 32-bit count; larger spans go in pieces.
constexpr std::size_t kWritePiece = 1u << 30;

// Hidden, and short enough to be legal beside a target of the longest legal name.
constexpr const char* kTemporaryPrefix = ".kelm-";
// Attributes of what a file written by us may never replace.
constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

std::string DirectoryOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  if (separator == std::string::npos) return ".";
  return path.substr(0, separator == 0 ? 1 : separator);
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
    name = DirectoryOf(target) + "\\" + kTemporaryPrefix + suffix_();
    const HANDLE file = calls_.CreateFileW(Wide(name).c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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
  if (!MayReplace(target)) return false;
  std::string temporary;
  const HANDLE file = CreateTemporary(target, temporary);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = WriteAll(file, bytes) && calls_.FlushFileBuffers(file);
  written = calls_.CloseHandle(file) && written;
  if (written) {
    written = calls_.MoveFileExW(Wide(temporary).c_str(), Wide(target).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  if (!written) calls_.DeleteFileW(Wide(temporary).c_str());
  return written;
}

std::wstring WindowsFileStore::Wide(const std::string& path) const {
  return WideFileName(calls_, path);
}

bool WindowsFileStore::IsDiskFile(void* file) const {
  return calls_.GetFileType(file) == FILE_TYPE_DISK;
}

bool WindowsFileStore::MayReplace(const std::string& path) const {
  if (path.empty()) return false;
  // A name the system cannot look up is not a missing file: nothing could be written there.
  if (!WhyNameIsUnusable(path).empty()) return false;
  const DWORD attributes = calls_.GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = calls_.GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if ((attributes & kNotAFile) != 0) return false;
  // Device names (NUL, COM1, \\.\PhysicalDrive0) may pass for files by their attributes; what
  // opens is what counts.
  const HANDLE file = calls_.CreateFileW(Wide(path).c_str(), 0,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool isFile = IsDiskFile(file);
  calls_.CloseHandle(file);
  return isFile;
}

bool WindowsFileStore::Exists(const std::string& path) const {
  return !path.empty() && calls_.GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::vector<std::uint8_t>> WindowsFileStore::ReadWholeFile(const std::string& path,
                                                                         std::size_t limit) const {
  const DWORD attributes = calls_.GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & kNotAFile) != 0) return std::nullopt;
  const HANDLE file = calls_.CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> bytes;
  LARGE_INTEGER size{};
  if (IsDiskFile(file) && calls_.GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
      static_cast<std::uint64_t>(size.QuadPart) <= limit) {
    // One byte more than the bound tells a file that grew meanwhile from one that fits.
    std::vector<std::uint8_t> read(limit + 1);
    std::size_t filled = 0;
    DWORD got = 0;
    while (filled < read.size()) {
      const DWORD piece = static_cast<DWORD>(std::min(read.size() - filled, kWritePiece));
      if (!calls_.ReadFile(file, read.data() + filled, piece, &got, nullptr)) break;
      if (got == 0) {
        read.resize(filled);
        bytes = std::move(read);
        break;
      }
      filled += got;
    }
  }
  calls_.CloseHandle(file);
  return bytes;
}

}  // namespace kelm::windows
