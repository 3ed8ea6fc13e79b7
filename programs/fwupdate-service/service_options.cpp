#include "programs/fwupdate-service/service_options.h"

#include <charconv>

namespace kelm::service {

namespace {

constexpr char kDefaultStateDir[] = "/var/lib/kelm-fwupdated";

unsigned Seconds(const std::string& text) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value == 0) {
    throw OptionError("--idle-seconds " + text + ": not a whole number of seconds above 0");
  }
  return value;
}

}  // namespace

ServiceOptions ParseServiceOptions(const std::vector<std::string>& arguments, const char* stateDirectory) {
  ServiceOptions options;
  // systemd may list several folders, separated by colons: the first is ours.
  options.stateDir = stateDirectory != nullptr && *stateDirectory != '\0'
                         ? std::string(stateDirectory).substr(0, std::string(stateDirectory).find(':'))
                         : kDefaultStateDir;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (i + 1 >= arguments.size()) throw OptionError(name + ": unknown, or without its value");
    const std::string& value = arguments[++i];
    if (name == "--scenario") options.scenario = value;
    else if (name == "--trace") options.trace = value;
    else if (name == "--dump") options.dump = value;
    else if (name == "--state-dir") options.stateDir = value;
    else if (name == "--idle-seconds") options.idleSeconds = Seconds(value);
    else throw OptionError(name + ": unknown option");
  }
  if (options.dump && !options.scenario) throw OptionError("--dump: only with --scenario");
  return options;
}

}  // namespace kelm::service
