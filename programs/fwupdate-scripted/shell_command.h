#pragma once
// Runs a bench command (unbinding or binding the USB gadgets) through /bin/sh. Its standard
// output goes to standard error, so nothing it prints lands in the transcript.

#include <string>

namespace kelm::hardware {

// The command's exit status; -1 when it could not be started or did not exit normally.
int RunShellCommand(const std::string& command);

}  // namespace kelm::hardware
