#pragma once
// Hands udev's events to the notifications on the window's thread, whenever the monitor's
// socket becomes readable.

#include <QObject>
#include <QSocketNotifier>

#include <memory>

#include "platform/linux/udev_notifications.h"

namespace kelm::hardware {

class UdevSocketNotifier final : public QObject {
  Q_OBJECT

 public:
  // Without a monitor socket (no udev on this system) nothing is watched.
  explicit UdevSocketNotifier(linux_platform::UdevDeviceNotifications& notifications,
                              QObject* parent = nullptr);

  bool watching() const { return notifier_ != nullptr; }

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kelm::hardware
