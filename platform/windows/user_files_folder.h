#pragma once
// The folder relative file names land in: the engineering panel's default backup among them.
// A window started in a folder of the system's moves to the user's Documents folder; started
// in a folder of the user's (a console there, a shortcut the user made) it stays.
//
// The system's folders are the program's own installation folder (the Start menu entry starts
// the window there, in Program Files), Program Files itself (both of them), and the Windows
// folder (where an elevated start may put it). A user may not even write there, and a file
// written there would be redirected out of sight or left behind by the uninstaller.

#include <string>

#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

// The folder moved to (UTF-8), or nothing when the current folder stays.
std::string MoveOutOfSystemFolders(const Win32Calls& calls);

}  // namespace kelm::windows
