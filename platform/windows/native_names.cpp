#include "platform/native_names.h"

#include "platform/windows/wide_names.h"
#include "platform/windows/win32_calls.h"

#include <shellapi.h>

namespace kelm::platform {

std::vector<std::string> ProgramArguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  // The system's own splitting of the command line, the rules the C runtime follows for argv.
  wchar_t** const words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (words == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(windows::Utf8(words[i]));
  ::LocalFree(words);
  return arguments;
}

std::filesystem::path NativePath(const std::string& utf8) {
  return std::filesystem::path(windows::WideFileName(windows::RealWin32Calls(), utf8));
}

}  // namespace kelm::platform
