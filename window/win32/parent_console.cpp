#include "window/win32/parent_console.h"

#include "window/win32/windows_api.h"

#include <cstdio>
#include <string>

#include "window/win32/wide_text.h"

namespace kelm::win32 {

namespace {

// A handle inherited from whoever started the program: a file, a pipe or a console.
bool Reaches(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

bool ConnectStandardStreams() {
  static const bool connected = [] {
    const bool output = Reaches(STD_OUTPUT_HANDLE);
    const bool error = Reaches(STD_ERROR_HANDLE);
    if (output && error) return true;
    // What was not redirected goes to the console of the program that started this one.
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return output;
    if (!output) std::freopen("CONOUT$", "w", stdout);
    if (!error) std::freopen("CONOUT$", "w", stderr);
    return true;
  }();
  return connected;
}

void TellUser(std::string_view caption, std::string_view text, bool error) {
  if (ConnectStandardStreams()) {
    std::FILE* stream = error ? stderr : stdout;
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
    return;
  }
  MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(),
              MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

}  // namespace kelm::win32
