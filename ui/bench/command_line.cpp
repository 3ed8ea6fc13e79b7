#include "ui/bench/command_line.h"

#include <array>
#include <string_view>

namespace kelm::bench {

namespace {

struct OptionSpec {
  std::string_view name;
  std::optional<std::string> CommandLine::*field;
};

constexpr std::array<OptionSpec, 5> kOptions = {{
    {"--scenario", &CommandLine::scenario},
    {"--images", &CommandLine::images},
    {"--script", &CommandLine::script},
    {"--trace", &CommandLine::trace},
    {"--dump", &CommandLine::dump},
}};

const OptionSpec* FindOption(std::string_view name) {
  for (const OptionSpec& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      line.help = true;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    const OptionSpec* option = FindOption(name);
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
