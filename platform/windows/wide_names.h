#pragma once
// Names cross the Windows boundary as UTF-16: inside the program every name is UTF-8, and the
// wide calls take any name the file system can hold, whatever the system's code page.

#include <string>
#include <string_view>

#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

std::wstring Utf16(std::string_view utf8);
std::string Utf8(std::wstring_view utf16);

// A user's file name for the wide calls. A path too long for the plain calls is made whole
// and given the \\?\ prefix, which lifts their 260-character bound; device names the system
// resolves (NUL, \\.\...) keep their meaning.
std::wstring WideFileName(const Win32Calls& calls, const std::string& utf8);

}  // namespace kelm::windows
