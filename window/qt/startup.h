#pragma once
// Start-up shared by both programs: the application with its title, the guard that shows an
// exception escaping an event handler and keeps the loop going, and the main window's run.

#include <QApplication>

#include <string_view>

#include "platform/host.h"
#include "window/logic/application_title.h"
#include "window/logic/window_environment.h"

namespace kelm::ui {

using window::kApplicationTitle;

class Application final : public QApplication {
  Q_OBJECT

 public:
  // Sets the application's name and display name to the title, and the program's icon.
  Application(int& argc, char** argv);

  // Where escaped exceptions are shown; without one, a Qt message box.
  void setExceptionBoxes(platform::MessageBoxes* boxes) { boxes_ = boxes; }
  // The application's exception message box: its title as caption, the message as text.
  void ShowException(std::string_view message);

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  platform::MessageBoxes* boxes_ = nullptr;
};

// Creates the main window, shows it, runs the message loop until the window closes, then
// destroys it. An exception escaping any of this is shown; the result is 0 all the same.
int RunMainWindow(Application& app, WindowEnvironment env);

}  // namespace kelm::ui
