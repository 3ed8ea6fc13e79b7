#pragma once
// Performs a script's actions on the window the way a person at it would, and writes the
// transcript.

#include <QPointer>
#include <QWidget>
#include <vector>

#include "programs/fwupdate-sim/bench_ports.h"
#include "programs/fwupdate-sim/script_actions.h"
#include "programs/fwupdate-sim/transcript.h"
#include "window/qt/startup.h"

namespace kelm::bench {

class ScriptRunner {
 public:
  ScriptRunner(QWidget& window, EnclosureHands& enclosures, ScriptedFileDialog& dialog,
               Transcript& transcript, ui::Application& app);

  void Run(const std::vector<Action>& actions);
  bool WindowClosed() const { return closed_; }

 private:
  void Perform(const Action& action);
  // The control when a person could reach it; otherwise prints why not and gives nullptr.
  QWidget* Reach(std::string_view name);
  void Click(std::string_view name);
  void Tick(const Action& action);
  void Select(const Action& action);
  void SetText(const Action& action);
  void Ignored(std::string_view why);

  QPointer<QWidget> window_;
  EnclosureHands& enclosures_;
  ScriptedFileDialog& dialog_;
  Transcript& transcript_;
  ui::Application& app_;
  bool closed_ = false;
};

}  // namespace kelm::bench
