// kelm-fwupdate: the update window on the USB enclosures attached to this machine.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "flash/images.h"
#include "platform/linux/service_enclosures.h"
#include "platform/linux/system_check.h"
#include "window/qt/fwupdate.h"
#include "programs/fwupdate-linux/hardware_platform.h"
#include "programs/fwupdate-linux/program_start.h"
#include "window/qt/qt_file_dialog.h"
#include "programs/fwupdate-linux/service_socket_notifier.h"
#include "programs/fwupdate-linux/udev_socket_notifier.h"
#include "window/logic/no_image_notice.h"
#include "window/qt/startup.h"

namespace {

using kelm::hardware::HardwarePlatform;

kelm::ui::TZintFwTool* ShownWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* window = qobject_cast<kelm::ui::TZintFwTool*>(widget);
    if (window != nullptr && window->isVisible()) return window;
  }
  return nullptr;
}

// Calls `then` once, from the event loop, after the window has painted itself the first time.
class AfterFirstPaint final : public QObject {
 public:
  AfterFirstPaint(QWidget* window, std::function<void()> then) : QObject(window), then_(std::move(then)) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && then_) {
      watched->removeEventFilter(this);
      QTimer::singleShot(0, watched, std::exchange(then_, {}));
    }
    return false;
  }

 private:
  std::function<void()> then_;
};

// Once the window is up (a message box of the first refresh may keep it waiting), later
// boxes are centred on it, and what the image lookup found to tell is told over it once the
// window has drawn itself.
void AnnounceOverWindow(HardwarePlatform& hw) {
  constexpr int kRetryMs = 50;
  kelm::ui::TZintFwTool* window = ShownWindow();
  if (window == nullptr) {
    QTimer::singleShot(kRetryMs, qApp, [&hw] { AnnounceOverWindow(hw); });
    return;
  }
  hw.boxes.setParent(window);
  new AfterFirstPaint(window, [&hw] { kelm::window::TellAboutImages(hw.images, hw.boxes); });
  window->update();
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> imagesDir;
  if (const std::optional<int> status =
          kelm::hardware::AnswerArguments(argc, argv, stdout, stderr, imagesDir)) {
    return *status;
  }
  auto watch = std::make_unique<kelm::hardware::DisplayWatch>();
  kelm::ui::Application app(argc, argv);
  watch.reset();

  const kelm::linux_platform::SystemRoots roots;
  HardwarePlatform hw(roots, imagesDir);
  app.setExceptionBoxes(&hw.boxes);

  // As a user the window goes through the firmware update service, which alone opens the
  // enclosures; as root it opens them itself, as on a machine whose bus does not work.
  std::unique_ptr<kelm::linux_platform::ServiceEnclosures> served;
  std::unique_ptr<kelm::hardware::ServiceSocketNotifier> bus;
  std::unique_ptr<kelm::hardware::UdevSocketNotifier> udev;
  if (geteuid() != 0) {
    served = std::make_unique<kelm::linux_platform::ServiceEnclosures>(hw.boxes, hw.images);
    bus = std::make_unique<kelm::hardware::ServiceSocketNotifier>(*served);
  } else {
    udev = std::make_unique<kelm::hardware::UdevSocketNotifier>(hw.notifications);
    const kelm::linux_platform::SystemCheck check = kelm::linux_platform::CheckSystem(roots);
    for (const std::string& line : kelm::linux_platform::ProblemLines(check, udev->watching())) {
      std::fputs(line.c_str(), stderr);
    }
  }
  kelm::ui::QtFileDialog fileDialog;
  QTimer::singleShot(0, &app, [&hw] { AnnounceOverWindow(hw); });

  kelm::platform::DeviceNotifications& notifications =
      served != nullptr ? static_cast<kelm::platform::DeviceNotifications&>(*served) : hw.notifications;
  return kelm::ui::RunMainWindow(
      app, {hw.services, notifications, fileDialog, hw.diskClaim,
            QCoreApplication::applicationDirPath().toStdString(), {}, hw.inhibitor, served.get()});
}
