#pragma once
// kelm-fwupdated's command line. The bus starts it with none; the test-only options put it
// on the simulated bench, as kelmtool's --scenario does, with its trace and flash dump.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelm::service {

struct ServiceOptions {
  std::optional<std::string> scenario;  // test only: the simulated enclosures
  std::optional<std::string> trace;     // test only: every request, in the bench's format
  std::optional<std::string> dump;      // test only (with --scenario): the flashes at exit
  std::string stateDir;                 // where the results of procedures are kept
  unsigned idleSeconds = 30;            // leaves after this long with no caller
};

class OptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `arguments` without the program's name; `stateDirectory`: $STATE_DIRECTORY, which systemd
// sets from the unit's StateDirectory=.
ServiceOptions ParseServiceOptions(const std::vector<std::string>& arguments, const char* stateDirectory);

}  // namespace kelm::service
