#include "platform/windows/user_files_folder.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "platform/windows/wide_names.h"
#include "platform/windows/win32_calls.h"

#include <knownfolders.h>

namespace kelm::windows {

namespace {

std::wstring KnownFolder(const Win32Calls& calls, REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(calls.SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr) folder = path;
  ::CoTaskMemFree(path);
  return folder;
}

std::wstring CurrentFolder(const Win32Calls& calls) {
  const DWORD size = calls.GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return {};
  std::wstring folder(size, L'\0');
  const DWORD length = calls.GetCurrentDirectoryW(size, folder.data());
  folder.resize(length < size ? length : 0);
  return folder;
}

std::wstring ProgramFolder(const Win32Calls& calls) {
  std::wstring path(32768, L'\0');
  const DWORD length = calls.GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring Folded(std::wstring path) {
  std::transform(path.begin(), path.end(), path.begin(), [](wchar_t c) {
    return c == L'/' ? L'\\' : static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
  });
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// Whether `path` is `folder` or lies inside it; Windows' names ignore case.
bool WithinFolder(const std::wstring& path, const std::wstring& folder) {
  if (folder.empty()) return false;
  const std::wstring p = Folded(path), f = Folded(folder);
  return p == f || (p.size() > f.size() && p.starts_with(f) && p[f.size()] == L'\\');
}

}  // namespace

std::string MoveOutOfSystemFolders(const Win32Calls& calls) {
  const std::wstring current = CurrentFolder(calls);
  const std::vector<std::wstring> systemFolders = {
      ProgramFolder(calls), KnownFolder(calls, FOLDERID_ProgramFiles),
      KnownFolder(calls, FOLDERID_ProgramFilesX86), KnownFolder(calls, FOLDERID_Windows)};
  const bool inSystemFolder = std::any_of(systemFolders.begin(), systemFolders.end(),
                                          [&](const std::wstring& f) { return WithinFolder(current, f); });
  if (current.empty() || !inSystemFolder) return {};
  const std::wstring documents = KnownFolder(calls, FOLDERID_Documents);
  if (documents.empty() || !calls.SetCurrentDirectoryW(documents.c_str())) return {};
  return Utf8(documents);
}

}  // namespace kelm::windows
