#pragma once
// The headless run both scripted programs share: the window on the program's services, the
// script's actions performed on it, then the window closed and destroyed, so the same script
// gives the same transcript whatever stands behind the services.

#include <vector>

#include "programs/fwupdate-sim/bench_ports.h"
#include "programs/fwupdate-sim/script_actions.h"
#include "programs/fwupdate-sim/transcript.h"
#include "window/qt/startup.h"
#include "window/logic/window_environment.h"

namespace kelm::bench {

struct ScriptedWindow {
  ui::Application& app;
  ui::WindowEnvironment env;  // its status hook is set to the transcript's
  EnclosureHands& hands;
  ScriptedFileDialog& dialog;  // the one `env` names
  Transcript& transcript;
};

// An exception escaping the window is shown (as a message box line) and the run ends normally.
void RunActionsOnWindow(ScriptedWindow run, const std::vector<Action>& actions);

}  // namespace kelm::bench
