#include "window/logic/program_arguments.h"

namespace kelm::window {

namespace {

constexpr std::string_view kImagesOption = "--images";

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

// Takes --images DIR out of `arguments`; a refusal when it is given twice or without DIR.
std::optional<ArgumentAnswer> TakeImagesOption(const std::string& name,
                                               std::vector<std::string>& arguments,
                                               std::optional<std::string>& imagesDir) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::optional<std::string> value;
    if (argument == kImagesOption) {
      if (i + 1 == arguments.size()) return Refusal(name + ": --images needs a folder.\n");
      value = arguments[++i];
    } else if (argument.starts_with(std::string(kImagesOption) + "=")) {
      value = argument.substr(kImagesOption.size() + 1);
    } else {
      rest.push_back(argument);
      continue;
    }
    if (imagesDir || value->empty()) return Refusal(name + ": give --images one folder, once.\n");
    imagesDir = std::move(value);
  }
  arguments = std::move(rest);
  return std::nullopt;
}

}  // namespace

std::optional<ArgumentAnswer> AnswerArguments(std::string_view program, std::string_view version,
                                              std::string_view help,
                                              const std::vector<std::string>& given,
                                              std::optional<std::string>* imagesDir) {
  const std::string name(program);
  std::vector<std::string> arguments = given;
  std::optional<std::string> folder;
  if (imagesDir) {
    if (auto refusal = TakeImagesOption(name, arguments, folder)) return refusal;
  }
  for (const std::string& argument : arguments) {
    if (Known(argument)) continue;
    return Refusal(name + ": unknown argument '" + OneLine(argument) + "'; try '" + name +
                   " --help'.\n");
  }
  if (arguments.empty()) {
    if (imagesDir) *imagesDir = std::move(folder);
    return std::nullopt;
  }
  if (arguments.size() > 1 || folder) return Refusal(name + ": give --help or --version alone.\n");
  if (arguments.front() == "--version") return ArgumentAnswer{0, name + " " + std::string(version) + "\n"};
  return ArgumentAnswer{0, std::string(help)};
}

}  // namespace kelm::window
