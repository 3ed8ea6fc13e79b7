#include "platform/windows/image_folders.h"

#include "platform/windows/win32_calls.h"

namespace kelm::windows {

namespace {

constexpr char kDataFolder[] = "\\Kelm Firmware Update Utility\\firmware";
constexpr char kInstallationFolder[] = "\\firmware";

std::string SharedDataFolder(const Win32Calls& calls) {
  char value[MAX_PATH] = {};
  const DWORD length = calls.GetEnvironmentVariableA("ProgramData", value, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(value, length);
}

std::string ProgramFolder(const Win32Calls& calls) {
  char path[MAX_PATH] = {};
  const DWORD length = calls.GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  const std::string file(path, length);
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
