#pragma once
// The folder of the running program, where the first open-file dialog starts.

#include <string>

#include "window/win32/windows_api.h"

namespace kelm::win32 {

inline std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string file(path, length);
  const auto slash = file.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

}  // namespace kelm::win32
