#include "platform/windows/image_folders.h"

#include <string_view>

#include "platform/windows/wide_names.h"
#include "platform/windows/win32_calls.h"

namespace kelm::windows {

namespace {

constexpr char kDataFolder[] = "\\Kelm Firmware Update Utility\\firmware";
constexpr char kInstallationFolder[] = "\\firmware";
constexpr DWORD kLongestPath = 32768;  // what the wide calls take with the \\?\ prefix

// Names in the user's language (C:\ProgramData is not always spelled in ASCII) come through
// the wide calls as UTF-8.
std::string SharedDataFolder(const Win32Calls& calls) {
  wchar_t value[MAX_PATH] = {};
  const DWORD length = calls.GetEnvironmentVariableW(L"ProgramData", value, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return Utf8(std::wstring_view(value, length));
}

std::string ProgramFolder(const Win32Calls& calls) {
  std::wstring path(MAX_PATH, L'\0');
  // The path is cut short when it does not fit: ask again with room for the longest path.
  DWORD length = calls.GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  if (length >= MAX_PATH) {
    path.resize(kLongestPath);
    length = calls.GetModuleFileNameW(nullptr, path.data(), kLongestPath);
  }
  if (length == 0 || length >= path.size()) return {};
  const std::string file = Utf8(std::wstring_view(path.data(), length));
  const auto slash = file.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

}  // namespace

std::vector<std::string> ImageFolders(const Win32Calls& calls) {
  std::vector<std::string> folders;
  if (const std::string data = SharedDataFolder(calls); !data.empty()) folders.push_back(data + kDataFolder);
  if (const std::string program = ProgramFolder(calls); !program.empty()) {
    folders.push_back(program + kInstallationFolder);
  }
  return folders;
}

}  // namespace kelm::windows
