#include "programs/fwupdate-sim/script_runner.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include "programs/fwupdate-sim/window_view.h"

namespace kelm::bench {

namespace {
QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
}  // namespace

ScriptRunner::ScriptRunner(QWidget& window, EnclosureHands& enclosures,
                           ScriptedFileDialog& dialog, Transcript& transcript,
                           ui::Application& app)
    : window_(&window), enclosures_(enclosures), dialog_(dialog), transcript_(transcript),
      app_(app) {}

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
      app_.ShowException(error.what());
    } catch (...) {
      app_.ShowException("");
    }
    // Let queued work (a deferred close, queued signals) happen before the next action.
    QCoreApplication::processEvents();
    if (window_.isNull() || !window_->isVisible()) closed_ = true;
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
      // disabled button, so the click's signal is sent directly.
      if (auto* button = qobject_cast<QAbstractButton*>(FindControl(*window_, action.control))) {
        emit button->clicked(false);
      }
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
      PrintWindow(*window_, transcript_);
      break;
  }
}

QWidget* ScriptRunner::Reach(std::string_view name) {
  const auto info = FindControlInfo(name);
  if (!info) return nullptr;
  if (const auto why = OutOfReach(*window_, *info)) {
    Ignored(std::string(name) + " is " + *why);
    return nullptr;
  }
  return FindControl(*window_, name);
}

void ScriptRunner::Click(std::string_view name) {
  if (auto* button = qobject_cast<QAbstractButton*>(Reach(name))) button->click();
}

void ScriptRunner::Tick(const Action& action) {
  auto* box = qobject_cast<QAbstractButton*>(Reach(action.control));
  if (box == nullptr) return;
  const bool wanted = action.verb == Verb::Tick;
  if (box->isChecked() != wanted) box->click();
}

void ScriptRunner::Select(const Action& action) {
  auto* list = qobject_cast<QComboBox*>(Reach(action.control));
  if (list == nullptr) return;
  if (action.index < 0 || action.index >= list->count()) {
    Ignored(action.control + " has no item " + std::to_string(action.index));
    return;
  }
  if (list->currentIndex() != action.index) list->setCurrentIndex(static_cast<int>(action.index));
}

void ScriptRunner::SetText(const Action& action) {
  auto* edit = qobject_cast<QLineEdit*>(Reach(action.control));
  if (edit == nullptr) return;
  const QString text = FromUtf8(action.argument);
  if (edit->text() != text) edit->setText(text);
}

void ScriptRunner::Ignored(std::string_view why) {
  transcript_.Line("ignored: " + std::string(why));
}

}  // namespace kelm::bench
