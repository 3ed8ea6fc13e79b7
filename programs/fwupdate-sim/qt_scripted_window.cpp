#include "programs/fwupdate-sim/qt_scripted_window.h"

#include <QCoreApplication>
#include <memory>

#include "programs/fwupdate-sim/qt_face_view.h"
#include "programs/fwupdate-sim/script_runner.h"
#include "window/qt/fwupdate.h"

namespace kelm::bench {

void RunActionsOnWindow(ScriptedWindow run, const std::vector<Action>& actions) {
  run.env.statusChanged = [&transcript = run.transcript](const std::string& status) {
    transcript.Line("status: " + Quote(status));
  };
  try {
    auto window = std::make_unique<ui::TZintFwTool>(run.env);
    // Shown, but not on any screen: so closing it is seen as it would be on a display.
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    {
      QtFaceView view(*window);
      ScriptRunner runner(view, run.hands, run.dialog, run.transcript,
                          [&app = run.app](std::string_view message) { app.ShowException(message); });
      runner.Run(actions);
    }
    window->close();
    QCoreApplication::processEvents();
    window.reset();  // the destruction sends the leave commands
  } catch (const std::exception& error) {
    run.app.ShowException(error.what());
  } catch (...) {
    run.app.ShowException("");
  }
}

}  // namespace kelm::bench
