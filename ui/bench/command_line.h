#pragma once
// The bench program's command line.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelm::bench {

struct CommandLine {
  std::optional<std::string> scenario;  // --scenario FILE; none: the built-in demo
  std::optional<std::string> images;    // --images DIR; none: the built-in test images
  std::optional<std::string> script;    // --script ACTIONS; none: the window on a display
  std::optional<std::string> trace;     // --trace FILE
  std::optional<std::string> dump;      // --dump DIR
  bool help = false;
};

// One line naming the option that is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kUsage =
    "usage: kelm-fwupdate-sim [--scenario FILE] [--images DIR] [--script ACTIONS] "
    "[--trace FILE] [--dump DIR]";

// `arguments` without the program name. Accepts "--name VALUE" and "--name=VALUE".
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace kelm::bench
