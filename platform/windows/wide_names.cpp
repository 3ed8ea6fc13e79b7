#include "platform/windows/wide_names.h"

#include "platform/windows/win32_calls.h"

namespace kelm::windows {

namespace {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";
constexpr std::wstring_view kUncPrefix = L"\\\\";

// The path as the system would resolve it against the current folder.
std::wstring FullPath(const Win32Calls& calls, const std::wstring& path) {
  const DWORD size = calls.GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = calls.GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

}  // namespace

std::wstring Utf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

std::string Utf8(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring WideFileName(const Win32Calls& calls, const std::string& utf8) {
  const std::wstring name = Utf16(utf8);
  const std::wstring full = FullPath(calls, name);
  // Short enough for the plain calls (with room for an 8.3 name below a folder): as given.
  if (full.size() < MAX_PATH - 12) return name;
  if (full.starts_with(kLongPrefix) || full.starts_with(kDevicePrefix)) return full;
  if (full.starts_with(kUncPrefix)) return std::wstring(kLongPrefix) + L"UNC\\" + full.substr(2);
  return std::wstring(kLongPrefix) + full;
}

}  // namespace kelm::windows
