// kelm-fwupdate: the update window on the USB enclosures attached to this machine.

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstring>

#include "flash/embedded_image_table.h"
#include "ui/fwupdate.h"
#include "ui/hardware/hardware_platform.h"
#include "ui/hardware/no_image_notice.h"
#include "ui/qt_file_dialog.h"
#include "ui/hardware/udev_socket_notifier.h"
#include "ui/startup.h"

namespace {

using kelm::hardware::HardwarePlatform;

kelm::ui::TZintFwTool* ShownWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* window = qobject_cast<kelm::ui::TZintFwTool*>(widget);
    if (window != nullptr && window->isVisible()) return window;
  }
  return nullptr;
}

// Once the window is up (a message box of the first refresh may keep it waiting), later
// boxes are centred on it and the missing images are announced over it.
void AnnounceOverWindow(HardwarePlatform& hw) {
  constexpr int kRetryMs = 50;
  kelm::ui::TZintFwTool* window = ShownWindow();
  if (window == nullptr) {
    QTimer::singleShot(kRetryMs, qApp, [&hw] { AnnounceOverWindow(hw); });
    return;
  }
  hw.boxes.setParent(window);
  kelm::hardware::TellWhenNoImage(kelm::flash::EmbeddedImageTable(), hw.boxes);
}

constexpr const char* kUsage =
    "Usage: kelm-fwupdate [Qt options]\n"
    "Opens the firmware update window on the USB enclosures attached to this machine.\n"
    "  --version  print the version and exit\n"
    "  --help     print this text and exit\n";

// Answers --version and --help before Qt starts, so they work without a display. Returns
// whether the program is done.
bool AnsweredInformationOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs("kelm-fwupdate " KELM_VERSION "\n", stdout);
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnsweredInformationOption(argc, argv)) return 0;
  kelm::ui::Application app(argc, argv);
  HardwarePlatform hw({}, QCoreApplication::applicationFilePath().toStdString());
  app.setExceptionBoxes(&hw.boxes);

  kelm::hardware::UdevSocketNotifier udev(hw.notifications);
  if (!udev.watching()) {
    std::fputs("kelm-fwupdate: no udev monitor; enclosures plugged in or removed now will not "
               "be noticed until the program is started again.\n",
               stderr);
  }
  kelm::ui::QtFileDialog fileDialog;
  QTimer::singleShot(0, &app, [&hw] { AnnounceOverWindow(hw); });

  return kelm::ui::RunMainWindow(
      app, {hw.services, hw.notifications, fileDialog,
            QCoreApplication::applicationDirPath().toStdString()});
}
