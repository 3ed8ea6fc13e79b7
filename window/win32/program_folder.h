#pragma once
// The folder of the running program, where the first open-file dialog starts, as UTF-8.

#include <string>

#include "window/win32/wide_text.h"
#include "window/win32/windows_api.h"

namespace kelm::win32 {

inline std::string ProgramFolder() {
  std::wstring path(32768, L'\0');  // the longest path the wide calls know
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  const std::string file = Narrow(std::wstring_view(path.data(), length));
  const auto slash = file.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

}  // namespace kelm::win32
