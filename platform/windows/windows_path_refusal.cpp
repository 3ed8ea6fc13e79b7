// WindowsFileStore::WhyUnusable: why a path cannot serve as a file to read or write, in a
// user's words.

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "platform/windows/wide_names.h"
#include "platform/windows/win32_calls.h"
#include "platform/windows/windows_file_store.h"

namespace kelm::windows {

namespace {

// The longest name of one folder entry on NTFS and FAT's long names.
constexpr std::size_t kLongestName = 255;
constexpr DWORD kLinkAttribute = FILE_ATTRIBUTE_REPARSE_POINT;

constexpr std::string_view kInvalidNameWords =
    "not a valid file name (no name may hold \\ / : * ? \" < > |)";
constexpr std::string_view kDeviceNameWords =
    "a device name (CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices, with any extension)";

std::string LastPart(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\:");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// What follows the last separator (or a drive's colon): the name the file system looks up.
std::string LastName(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  if (separator != std::string::npos) return path.substr(separator + 1);
  return path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
}

// Characters no name on a Windows file system may hold: the system refuses the lookup.
bool HoldsForbiddenCharacter(std::string_view name) {
  return std::any_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
  });
}

std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  if (separator == std::string::npos) return ".";
  return path.substr(0, separator == 0 ? 1 : separator);
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// \\.\ (and \\?\GLOBALROOT) reach the object namespace: disks, volumes, ports.
bool IsDevicePath(const std::string& path) {
  const std::string head = Upper(std::string_view(path).substr(0, 4));
  return head == "\\\\.\\" || head == "//./" || Upper(path).starts_with("\\\\?\\GLOBALROOT");
}

// Windows takes these names for devices in every folder, whatever follows the first dot and
// whatever spaces trail the name.
bool IsReservedDeviceName(const std::string& part) {
  std::string stem = Upper(part.substr(0, part.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static constexpr std::array<std::string_view, 6> kNames = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  if (std::find(kNames.begin(), kNames.end(), stem) != kNames.end()) return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' &&
         stem[3] <= '9';
}

}  // namespace

std::string WindowsFileStore::WhyUnusable(const std::string& path, platform::PathUse use) const {
  if (path.empty()) return "no name given";
  if (IsDevicePath(path)) return "a device path, not a file";
  if (IsReservedDeviceName(LastPart(path))) return std::string(kDeviceNameWords);
  if (std::string why = WhyNameIsUnusable(path); !why.empty()) return why;
  const DWORD attributes = calls_.GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return WhyLookupFailed(calls_.GetLastError(), path, use);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "is a folder, not a file";
  if ((attributes & kLinkAttribute) != 0) return "is a link, not a file";
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return "is a device, not a file";
  // What opens is what counts: a name may pass for a file by its attributes alone.
  const HANDLE file = calls_.CreateFileW(Wide(path).c_str(), 0,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "cannot be opened (Windows error " + std::to_string(calls_.GetLastError()) + ")";
  const bool isFile = IsDiskFile(file);
  calls_.CloseHandle(file);
  return isFile ? std::string() : "is a device, not a file";
}

std::string WindowsFileStore::WhyNameIsUnusable(const std::string& path) {
  const std::string last = LastName(path);
  // The file system counts a name's UTF-16 units.
  if (Utf16(last).size() > kLongestName) {
    return "too long a name (" + std::to_string(kLongestName) + " characters at most)";
  }
  if (HoldsForbiddenCharacter(last)) return std::string(kInvalidNameWords);
  return {};
}

std::string WindowsFileStore::WhyLookupFailed(unsigned long error, const std::string& path,
                                              platform::PathUse use) const {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return use == platform::PathUse::Read ? "no such file" : "";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: {
      const DWORD folder = calls_.GetFileAttributesW(Wide(FolderOf(path)).c_str());
      if (folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return FolderOf(path) + " is not a folder";
      }
      return "no such folder (" + FolderOf(path) + ")";
    }
    case ERROR_FILENAME_EXCED_RANGE: return "too long a path";
    case ERROR_INVALID_NAME: return std::string(kInvalidNameWords);
    case ERROR_ACCESS_DENIED: return "access denied";
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return "no such network share";
    case ERROR_NOT_READY: return "its drive is not ready";
    default: return "cannot be looked at (Windows error " + std::to_string(error) + ")";
  }
}

}  // namespace kelm::windows
