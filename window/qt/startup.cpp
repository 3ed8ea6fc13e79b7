#include "window/qt/startup.h"

#include <QFont>
#include <QIcon>

#include <exception>
#include <memory>

#include "window/qt/fwupdate.h"
#include "window/qt/qt_message_boxes.h"
#include "window/qt/qt_text.h"

// The icon's resource lives in this static library: nothing would pull it into a program.
static void InitialiseIconResource() { Q_INIT_RESOURCE(kelm_fwupdate); }

namespace kelm::ui {

namespace {

// The program's icon in every size it is drawn in: the window manager picks the one it needs.
QIcon ProgramIcon() {
  InitialiseIconResource();
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icon/kelm-fwupdate-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  // The name only: Qt appends a display name to every window caption on X11 and Wayland,
  // which would change the window's caption; the display name reads back as this name.
  setApplicationName(ToQString(kApplicationTitle));
  // The desktop entry's name ties the window to it on Wayland, which shows the entry's icon.
  setDesktopFileName(QStringLiteral("kelm-fwupdate"));
  setWindowIcon(ProgramIcon());
  // The design's fonts are Windows ones; elsewhere take the nearest metric match.
  QFont::insertSubstitutions("MS Sans Serif",
                             {"Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"});
  QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans"});
}

void Application::ShowException(std::string_view message) {
  if (boxes_ != nullptr) {
    boxes_->Show(kApplicationTitle, message, platform::MessageIcon::Error);
    return;
  }
  QtMessageBoxes boxes;
  boxes.Show(kApplicationTitle, message, platform::MessageIcon::Error);
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowException(error.what());
  } catch (...) {
    ShowException("");
  }
  return false;
}

int RunMainWindow(Application& app, WindowEnvironment env) {
  try {
    auto window = std::make_unique<TZintFwTool>(std::move(env));
    window->show();
    app.exec();
  } catch (const std::exception& error) {
    app.ShowException(error.what());
  } catch (...) {
    app.ShowException("");
  }
  return 0;
}

}  // namespace kelm::ui
