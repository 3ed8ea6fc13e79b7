#pragma once
// Names as the system hands them over and takes them, for a program whose names are UTF-8
// inside: its arguments, and user files opened through the standard library's streams. On
// Windows they cross as UTF-16 (any name, whatever the code page); elsewhere the bytes are
// the names.

#include <filesystem>
#include <string>
#include <vector>

namespace kelm::platform {

// The program's arguments without its own name, as UTF-8. On Windows they are taken from the
// command line's UTF-16 text, not from argv (which holds what the code page could spell).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// A user's file name (UTF-8) as the streams open it.
std::filesystem::path NativePath(const std::string& utf8);

}  // namespace kelm::platform
