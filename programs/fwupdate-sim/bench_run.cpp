#include "programs/fwupdate-sim/bench_run.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <iostream>
#include <memory>

#include "platform/posix/posix_file_store.h"
#include "platform/sim/sim_platform.h"
#include "programs/fwupdate-sim/bench_ports.h"
#include "programs/fwupdate-sim/bench_window.h"
#include "window/qt/qt_file_dialog.h"
#include "programs/fwupdate-sim/scripted_window.h"
#include "window/qt/fwupdate.h"
#include "window/qt/qt_message_boxes.h"
#include "window/qt/startup.h"

namespace kelm::bench {

namespace {

std::string ProgramDir() { return QCoreApplication::applicationDirPath().toStdString(); }

int FinishRun(const sim::SimPlatform& sim, const BenchInputs& inputs) {
  if (!inputs.dumpDir) return 0;
  std::string error;
  if (WriteDumpFolder(sim, *inputs.dumpDir, error)) return 0;
  std::cerr << "kelm-fwupdate-sim: " << error << std::endl;
  return 1;
}

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

int RunScripted(BenchInputs& inputs, int argc, char** argv) {
  // Headless whatever the environment says: a script needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ui::Application app(argc, argv);

  Transcript transcript(std::cout);
  sim::SimPlatform sim(std::move(inputs.scenario));
  sim.SetTrace(inputs.trace.get());
  sim::SimClock clock(false);
  TranscriptDebugOutput debug(transcript);
  TranscriptStandardOutput out(transcript);
  TranscriptMessageBoxes boxes(transcript);
  app.setExceptionBoxes(&boxes);
  posix::PosixFileStore files;
  platform::Services services{sim, sim, clock, debug, out, boxes, inputs.images, files};
  SimNotifications enclosures(sim);
  // Nothing else can use a simulated drive.
  platform::UncontestedDiskClaim claim;
  ScriptedFileDialog dialog;
  RunActionsOnWindow({app, {services, enclosures, dialog, claim, ProgramDir()}, enclosures, dialog,
                      transcript},
                     *inputs.actions);
  sim.SetTrace(nullptr);

  const int exitStatus = FinishRun(sim, inputs);
  transcript.Line("elapsed-ms: " + std::to_string(clock.ElapsedMs()));
  return exitStatus;
}

int RunOnDisplay(BenchInputs& inputs, int argc, char** argv) {
  ui::Application app(argc, argv);

  sim::SimPlatform sim(std::move(inputs.scenario));
  sim.SetTrace(inputs.trace.get());
  sim::SimClock clock(true);
  ConsoleDebugOutput debug;
  ConsoleStandardOutput out;
  ui::QtMessageBoxes boxes;
  posix::PosixFileStore files;
  platform::Services services{sim, sim, clock, debug, out, boxes, inputs.images, files};
  SimNotifications enclosures(sim);
  // Nothing else can use a simulated drive.
  platform::UncontestedDiskClaim claim;
  ui::QtFileDialog dialog;

  try {
    auto window = std::make_unique<ui::TZintFwTool>(
        ui::WindowEnvironment{services, enclosures, dialog, claim, ProgramDir()});
    boxes.setParent(window.get());
    QuitWhenHidden quitter;
    window->installEventFilter(&quitter);
    app.setQuitOnLastWindowClosed(false);
    window->show();

    BenchWindow bench(enclosures, sim);
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
  sim.SetTrace(nullptr);
  return FinishRun(sim, inputs);
}

}  // namespace kelm::bench
