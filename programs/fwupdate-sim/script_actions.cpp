#include "programs/fwupdate-sim/script_actions.h"

#include <array>
#include <charconv>
#include <optional>

#include "programs/fwupdate-sim/control_table.h"

namespace kelm::bench {

namespace {

// What follows the '=' of an action.
enum class Argument { None, Path, CheckBox, ListIndex, EditText, EventCode };

struct ActionWord {
  std::string_view word;
  Verb verb;
  Argument argument;
  std::string_view button;
};

constexpr std::array<ActionWord, 16> kActionWords = {{
    {"yes", Verb::Yes, Argument::None, "EraseButton"},
    {"no", Verb::No, Argument::None, "ExitBtn"},
    {"exit", Verb::Exit, Argument::None, "ExtBtn"},
    {"run", Verb::Run, Argument::None, "UpdateBtn"},
    {"refresh", Verb::Refresh, Argument::None, "RefreshBtn"},
    {"load", Verb::Load, Argument::Path, "LoadBtn"},
    {"browse", Verb::Browse, Argument::Path, "BackupBtn"},
    {"tick", Verb::Tick, Argument::CheckBox, ""},
    {"untick", Verb::Untick, Argument::CheckBox, ""},
    {"select", Verb::Select, Argument::ListIndex, ""},
    {"text", Verb::Text, Argument::EditText, ""},
    {"unplug", Verb::Unplug, Argument::None, ""},
    {"plug", Verb::Plug, Argument::None, ""},
    {"replug", Verb::Replug, Argument::None, ""},
    {"event", Verb::Event, Argument::EventCode, ""},
    {"show", Verb::Show, Argument::None, ""},
}};

[[noreturn]] void Reject(std::string_view spelling, std::string_view why) {
  throw ActionError("--script: action \"" + std::string(spelling) + "\": " + std::string(why));
}

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text, int base) {
  Number value{};
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<std::uint32_t> ParseEventCode(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) {
    return ParseNumber<std::uint32_t>(text.substr(2), 16);
  }
  return ParseNumber<std::uint32_t>(text, 10);
}

// The named control must exist and be of the kind the action works on.
void RequireControl(std::string_view spelling, std::string_view name, ControlKind kind,
                    std::string_view kindName) {
  const auto info = FindControlInfo(name);
  if (!info || info->kind != kind) {
    Reject(spelling, "no " + std::string(kindName) + " named \"" + std::string(name) + "\"");
  }
}

Action ParseAction(std::string_view spelling) {
  const std::size_t equals = spelling.find('=');
  const std::string_view word = spelling.substr(0, equals);
  const bool hasValue = equals != std::string_view::npos;
  const std::string_view value = hasValue ? spelling.substr(equals + 1) : std::string_view();

  const ActionWord* found = nullptr;
  for (const ActionWord& candidate : kActionWords) {
    if (candidate.word == word) found = &candidate;
  }
  if (found == nullptr) Reject(spelling, "unknown action");
  if (hasValue != (found->argument != Argument::None)) {
    Reject(spelling, hasValue ? "takes no value" : "needs a value after '='");
  }

  Action action{found->verb, std::string(spelling), std::string(found->button), {}, 0, 0};
  const std::size_t colon = value.find(':');
  switch (found->argument) {
    case Argument::None:
      break;
    case Argument::Path:
      action.argument = std::string(value);
      break;
    case Argument::CheckBox:
      RequireControl(spelling, value, ControlKind::CheckBox, "check box");
      action.control = std::string(value);
      break;
    case Argument::ListIndex: {
      if (colon == std::string_view::npos) Reject(spelling, "expected NAME:INDEX");
      RequireControl(spelling, value.substr(0, colon), ControlKind::List, "drop-down list");
      const auto index = ParseNumber<std::int64_t>(value.substr(colon + 1), 10);
      if (!index) Reject(spelling, "the index is not a number");
      action.control = std::string(value.substr(0, colon));
      action.index = *index;
      break;
    }
    case Argument::EditText:
      if (colon == std::string_view::npos) Reject(spelling, "expected NAME:VALUE");
      RequireControl(spelling, value.substr(0, colon), ControlKind::Edit, "edit field");
      action.control = std::string(value.substr(0, colon));
      action.argument = std::string(value.substr(colon + 1));
      break;
    case Argument::EventCode: {
      const auto code = ParseEventCode(value);
      if (!code) Reject(spelling, "the event code is not a 32-bit number (hex 0x.. or decimal)");
      action.code = *code;
      break;
    }
  }
  return action;
}

}  // namespace

std::vector<Action> ParseActions(std::string_view script) {
  std::vector<Action> actions;
  if (script.empty()) return actions;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = script.find(',', start);
    actions.push_back(ParseAction(script.substr(start, comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return actions;
}

}  // namespace kelm::bench
