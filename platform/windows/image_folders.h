#pragma once
// Where the programs on Windows look for the vendor's firmware images at run time, after the
// images built in and a folder named on the command line: the machine's shared data folder,
// then the installation's own (the installer creates it empty; an administrator fills it).

#include <string>
#include <vector>

#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

// %ProgramData%\Kelm Firmware Update Utility\firmware, then <program's folder>\firmware; a
// folder whose base the system does not tell is left out.
std::vector<std::string> ImageFolders(const Win32Calls& calls = RealWin32Calls());

}  // namespace kelm::windows
