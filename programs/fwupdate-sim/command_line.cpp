#include "programs/fwupdate-sim/command_line.h"

#include <array>

namespace kelm::bench {

namespace {

constexpr std::array<OptionRule<CommandLine>, 5> kOptions = {{
    {"--scenario", &CommandLine::scenario},
    {"--images", &CommandLine::images},
    {"--script", &CommandLine::script},
    {"--trace", &CommandLine::trace},
    {"--dump", &CommandLine::dump},
}};

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  return ParseOptions<CommandLine>(arguments, kOptions);
}

}  // namespace kelm::bench
