#pragma once
// The window programs' own command line: --help and --version answer and end the program,
// --images DIR names one more folder to take the firmware images from, any other argument is
// refused; otherwise the window opens. How the answer reaches the user (standard output, a
// console, a message box) is the program's business.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelm::window {

struct ArgumentAnswer {
  int status = 0;     // the program's exit status: 0 answered, 2 refused
  std::string text;   // what to say, ending in a newline
  bool error = false; // said on standard error (or as an error box)
};

// `arguments` without the program name; nothing when the window is to open. With `imagesDir`,
// `--images DIR` (or `--images=DIR`) is taken, once, and DIR stored there.
std::optional<ArgumentAnswer> AnswerArguments(std::string_view program, std::string_view version,
                                              std::string_view help,
                                              const std::vector<std::string>& arguments,
                                              std::optional<std::string>* imagesDir = nullptr);

}  // namespace kelm::window
