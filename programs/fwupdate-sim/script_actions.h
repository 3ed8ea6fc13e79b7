#pragma once
// The script of a headless run: comma-separated actions, parsed and checked as a whole before
// anything runs, so a typo costs nothing but an error line.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelm::bench {

enum class Verb {
  Yes, No, Exit, Run, Refresh, Load, Browse, Tick, Untick, Select, Text,
  Unplug, Plug, Replug, Event, Show,
};

struct Action {
  Verb verb;
  std::string spelling;  // as written, echoed as "> ACTION"
  std::string control;   // the control the action works on (buttons, boxes, lists, edits)
  std::string argument;  // load/browse path, text value
  std::int64_t index = 0;   // select
  std::uint32_t code = 0;   // event
};

// One line naming the action that is wrong.
class ActionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::vector<Action> ParseActions(std::string_view script);

}  // namespace kelm::bench
