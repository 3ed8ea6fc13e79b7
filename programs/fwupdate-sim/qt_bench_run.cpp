#include "programs/fwupdate-sim/bench_run.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "programs/fwupdate-sim/bench_session.h"
#include "programs/fwupdate-sim/qt_bench_window.h"
#include "window/qt/qt_file_dialog.h"
#include "programs/fwupdate-sim/qt_scripted_window.h"
#include "window/qt/fwupdate.h"
#include "window/qt/qt_message_boxes.h"
#include "window/qt/startup.h"

namespace kelm::bench {

namespace {

// Qt sees no argument of ours.
struct QtArguments {
  explicit QtArguments(char* program) : argv{program, nullptr} {}
  int argc = 1;
  char* argv[2];
};

}  // namespace

void Tell(std::string_view text, bool error) { (error ? std::cerr : std::cout) << text << std::flush; }

namespace {

std::string ProgramDir() { return QCoreApplication::applicationDirPath().toStdString(); }

// Ends the program when the main window goes away (NO or EXIT, or the title bar), even
// while the bench window is still open.
class QuitWhenHidden final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide && !event->spontaneous()) {
      QPointer<QWidget> window = qobject_cast<QWidget*>(watched);
      QTimer::singleShot(0, qApp, [window] {
        if (window && !window->isVisible()) QCoreApplication::quit();
      });
    }
    return false;
  }
};

}  // namespace

// Qt aborts when it cannot reach a display; the caller says so plainly instead.
bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

int RunScripted(BenchInputs& inputs, char* program) {
  // Headless whatever the environment says: a script needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QtArguments arguments(program);
  ui::Application app(arguments.argc, arguments.argv);

  Transcript transcript(std::cout);
  BenchSession session(inputs, transcript);
  app.setExceptionBoxes(&session.boxes());
  ScriptedFileDialog& dialog = session.scriptedDialog();
  RunActionsOnWindow({app, session.Environment(dialog, ProgramDir()), session.enclosures(), dialog,
                      transcript},
                     *inputs.actions);
  return session.Finish();
}

int RunOnDisplay(BenchInputs& inputs, char* program) {
  QtArguments arguments(program);
  ui::Application app(arguments.argc, arguments.argv);

  ui::QtMessageBoxes boxes;
  BenchSession session(inputs, boxes);
  ui::QtFileDialog dialog;

  try {
    auto window = std::make_unique<ui::TZintFwTool>(session.Environment(dialog, ProgramDir()));
    boxes.setParent(window.get());
    QuitWhenHidden quitter;
    window->installEventFilter(&quitter);
    app.setQuitOnLastWindowClosed(false);
    window->show();

    BenchWindow bench(session.enclosures(), session.sim());
    bench.show();
    bench.PlaceBeside(*window);

    app.exec();
    bench.close();
    window.reset();
  } catch (const std::exception& error) {
    app.ShowException(error.what());
  } catch (...) {
    app.ShowException("");
  }
  return session.Finish();
}

}  // namespace kelm::bench
