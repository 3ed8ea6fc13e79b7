#pragma once
// Performs a script's actions on the window the way a person at it would, and writes the
// transcript.

#include <functional>
#include <string_view>
#include <vector>

#include "programs/fwupdate-sim/bench_ports.h"
#include "programs/fwupdate-sim/face_view.h"
#include "programs/fwupdate-sim/script_actions.h"
#include "programs/fwupdate-sim/transcript.h"

namespace kelm::bench {

// Shows an exception that escaped a handler, as the program's guard would.
using ExceptionSink = std::function<void(std::string_view message)>;

class ScriptRunner {
 public:
  ScriptRunner(FaceView& view, EnclosureHands& enclosures, ScriptedFileDialog& dialog,
               Transcript& transcript, ExceptionSink showException);

  void Run(const std::vector<Action>& actions);
  bool WindowClosed() const { return closed_; }

 private:
  void Perform(const Action& action);
  // True when a person could reach the control; otherwise prints why not.
  bool Reach(std::string_view name);
  void Click(std::string_view name);
  void Tick(const Action& action);
  void Select(const Action& action);
  void SetText(const Action& action);
  void Ignored(std::string_view why);

  FaceView& view_;
  EnclosureHands& enclosures_;
  ScriptedFileDialog& dialog_;
  Transcript& transcript_;
  ExceptionSink showException_;
  bool closed_ = false;
};

}  // namespace kelm::bench
