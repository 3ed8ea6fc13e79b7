#pragma once
// The bench program's command line.

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelm::bench {

struct CommandLine {
  std::optional<std::string> scenario;  // --scenario FILE; none: the built-in demo
  std::optional<std::string> images;    // --images DIR; none: the built-in test images
  std::optional<std::string> script;    // --script ACTIONS; none: the window on a display
  std::optional<std::string> trace;     // --trace FILE
  std::optional<std::string> dump;      // --dump DIR
  bool help = false;
  bool version = false;
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

// The parse both bench programs share, over a table of the options a program takes: each one
// sets a text field of its command line; "--help" or "-h" sets `help`, "--version" `version`.
template <typename Line>
struct OptionRule {
  std::string_view name;
  std::optional<std::string> Line::*field;
};

template <typename Line>
Line ParseOptions(const std::vector<std::string>& arguments,
                  std::span<const OptionRule<Line>> options) {
  Line line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      line.help = true;
      continue;
    }
    if (argument == "--version") {
      line.version = true;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    const OptionRule<Line>* option = nullptr;
    for (const OptionRule<Line>& candidate : options) {
      if (candidate.name == name) option = &candidate;
    }
    if (option == nullptr) {
      throw UsageError(argument.starts_with("-")
                           ? "unknown option \"" + std::string(argument) + "\""
                           : "unexpected argument \"" + std::string(argument) + "\"");
    }
    if (equals != std::string_view::npos) {
      line.*(option->field) = std::string(argument.substr(equals + 1));
    } else if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("--")) {
      line.*(option->field) = arguments[++i];
    } else {
      throw UsageError("option " + std::string(name) + " needs a value");
    }
  }
  return line;
}

}  // namespace kelm::bench
