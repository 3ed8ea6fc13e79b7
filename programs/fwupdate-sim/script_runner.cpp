#include "programs/fwupdate-sim/script_runner.h"

#include <exception>
#include <utility>

#include "programs/fwupdate-sim/window_view.h"

namespace kelm::bench {

ScriptRunner::ScriptRunner(FaceView& view, EnclosureHands& enclosures,
                           ScriptedFileDialog& dialog, Transcript& transcript,
                           ExceptionSink showException)
    : view_(view), enclosures_(enclosures), dialog_(dialog), transcript_(transcript),
      showException_(std::move(showException)) {}

void ScriptRunner::Run(const std::vector<Action>& actions) {
  for (const Action& action : actions) {
    transcript_.Line("> " + action.spelling);
    if (closed_) {
      Ignored("window closed");
      continue;
    }
    // The script calls the handlers directly, not through the event loop's guard, so it
    // does what the guard does: show the exception and go on.
    try {
      Perform(action);
    } catch (const std::exception& error) {
      showException_(error.what());
    } catch (...) {
      showException_("");
    }
    // Let queued work (a deferred close, queued signals) happen before the next action.
    view_.ProcessMessages();
    if (!view_.Open()) closed_ = true;
  }
}

void ScriptRunner::Perform(const Action& action) {
  switch (action.verb) {
    case Verb::Yes:
    case Verb::No:
    case Verb::Exit:
    case Verb::Run:
      Click(action.control);
      break;
    case Verb::Refresh:
      // Always runs, like the refresh a device event causes: a click would be lost on a
      // disabled button.
      if (view_.Has(action.control)) view_.Clicked(action.control);
      break;
    case Verb::Load:
    case Verb::Browse:
      dialog_.SetAnswer(action.argument.empty() ? std::nullopt
                                                : std::optional<std::string>(action.argument));
      Click(action.control);
      dialog_.SetAnswer(std::nullopt);
      break;
    case Verb::Tick:
    case Verb::Untick:
      Tick(action);
      break;
    case Verb::Select:
      Select(action);
      break;
    case Verb::Text:
      SetText(action);
      break;
    case Verb::Unplug:
      enclosures_.Unplug();
      break;
    case Verb::Plug:
      enclosures_.Plug();
      break;
    case Verb::Replug:
      enclosures_.Unplug();
      enclosures_.Plug();
      break;
    case Verb::Event:
      enclosures_.Send(action.code);
      break;
    case Verb::Show:
      PrintWindow(view_, transcript_);
      break;
  }
}

bool ScriptRunner::Reach(std::string_view name) {
  const auto info = FindControlInfo(name);
  if (!info) return false;
  if (const auto why = OutOfReach(view_, *info)) {
    Ignored(std::string(name) + " is " + *why);
    return false;
  }
  return true;
}

void ScriptRunner::Click(std::string_view name) {
  if (Reach(name)) view_.Click(name);
}

void ScriptRunner::Tick(const Action& action) {
  if (!Reach(action.control)) return;
  const bool wanted = action.verb == Verb::Tick;
  if (view_.Checked(action.control) != wanted) view_.Click(action.control);
}

void ScriptRunner::Select(const Action& action) {
  if (!Reach(action.control)) return;
  if (action.index < 0 || action.index >= view_.ItemCount(action.control)) {
    Ignored(action.control + " has no item " + std::to_string(action.index));
    return;
  }
  const int index = static_cast<int>(action.index);
  if (view_.ItemIndex(action.control) != index) view_.Choose(action.control, index);
}

void ScriptRunner::SetText(const Action& action) {
  if (!Reach(action.control)) return;
  if (view_.Text(action.control) != action.argument) view_.Type(action.control, action.argument);
}

void ScriptRunner::Ignored(std::string_view why) {
  transcript_.Line("ignored: " + std::string(why));
}

}  // namespace kelm::bench
