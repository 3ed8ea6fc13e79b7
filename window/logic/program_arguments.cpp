#include "window/logic/program_arguments.h"

namespace kelm::window {

namespace {

// An argument quoted on one line: control characters would break it.
std::string OneLine(std::string_view text) {
  std::string line;
  for (char c : text) line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  return line;
}

bool Known(std::string_view argument) {
  return argument == "--help" || argument == "-h" || argument == "--version";
}

ArgumentAnswer Refusal(std::string text) { return {2, std::move(text), true}; }

}  // namespace

std::optional<ArgumentAnswer> AnswerArguments(std::string_view program, std::string_view version,
                                              std::string_view help,
                                              const std::vector<std::string>& arguments) {
  const std::string name(program);
  for (const std::string& argument : arguments) {
    if (Known(argument)) continue;
    return Refusal(name + ": unknown argument '" + OneLine(argument) + "'; try '" + name +
                   " --help'.\n");
  }
  if (arguments.empty()) return std::nullopt;
  if (arguments.size() > 1) return Refusal(name + ": give --help or --version alone.\n");
  if (arguments.front() == "--version") return ArgumentAnswer{0, name + " " + std::string(version) + "\n"};
  return ArgumentAnswer{0, std::string(help)};
}

}  // namespace kelm::window
