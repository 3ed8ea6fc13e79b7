#pragma once
// The Win32 table by name alone, for headers the core's users include: the system's headers
// define macros (OutputDebugString and others) that would rename the ports' own functions.

namespace kelm::windows {

struct Win32Calls;
const Win32Calls& RealWin32Calls();

}  // namespace kelm::windows
