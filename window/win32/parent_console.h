#pragma once
// A window program has no console of its own. Started with its output redirected (a script's
// file or pipe) it writes there; started from a console window, to that console; started
// from Explorer, nowhere, and says what it must in a message box instead.

#include <string_view>

namespace kelm::win32 {

// Gives standard output and error what they can reach; false when output reaches nothing.
bool ConnectStandardStreams();

// `text` on standard output (standard error when `error`) when it reaches something, else in
// a message box captioned `caption`.
void TellUser(std::string_view caption, std::string_view text, bool error);

}  // namespace kelm::win32
